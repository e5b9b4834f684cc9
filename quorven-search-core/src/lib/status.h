// Status codes of every export, as the host sees them in the result records.
#pragma once

#include "quorven/search_core.h"
#include "qv/types.h"

namespace quorven::search_core {

enum status : qv::u32 {
    status_ok = QUORVEN_SC_STATUS_OK,
    status_invalid_argument = QUORVEN_SC_STATUS_INVALID_ARGUMENT,
    status_record_mismatch = QUORVEN_SC_STATUS_RECORD_MISMATCH,
    status_buffer_too_small = QUORVEN_SC_STATUS_BUFFER_TOO_SMALL,
    status_wrong_state = QUORVEN_SC_STATUS_WRONG_STATE,
    status_cancelled = QUORVEN_SC_STATUS_CANCELLED,
    status_out_of_memory = QUORVEN_SC_STATUS_OUT_OF_MEMORY,
    status_io_error = QUORVEN_SC_STATUS_IO_ERROR,
    status_unsupported_format = QUORVEN_SC_STATUS_UNSUPPORTED_FORMAT,
    status_invalid_data = QUORVEN_SC_STATUS_INVALID_DATA,
};

}  // namespace quorven::search_core
