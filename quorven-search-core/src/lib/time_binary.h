// Checks of a `time_binary` value (ticks in the low 62 bits, a kind in the top two) as the
// mutation batches and the index file accept them.
#pragma once

#include "lib/status.h"
#include "lib/store.h"

namespace quorven::search_core {

// Kind 0 (unspecified) only as the value 0; kind 1 (UTC) and kinds 2, 3 (local) with ticks up
// to max_ticks. Refused kinds give unsupported_format, UTC ticks out of range invalid_data.
inline qv::u32 check_time_binary(qv::u64 value) {
    qv::u64 kind = value >> time_kind_shift;
    if (kind == 0) {
        return value == 0 ? status_ok : status_unsupported_format;
    }
    if ((value & time_ticks_mask) > max_ticks) {
        return kind == 1 ? status_invalid_data : status_unsupported_format;
    }
    return status_ok;
}

}  // namespace quorven::search_core
