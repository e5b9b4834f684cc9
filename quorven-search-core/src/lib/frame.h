// What every export shares: the record checks in their fixed order, the reset of the result
// record, and the conversions between the host's handle and the store.
#pragma once

#include "lib/status.h"
#include "lib/store.h"
#include "quorven/search_core.h"
#include "qv/memory.h"
#include "qv/types.h"

namespace quorven::search_core {

template <typename Record>
bool record_matches(const Record& record) {
    return record.size == sizeof(Record) && record.version == QUORVEN_SC_RECORD_VERSION;
}

// Every byte after `status` becomes zero; `status` says 1 until the call reports otherwise.
template <typename Result>
void reset_result(Result& result) {
    qv::mem_zero(&result, sizeof(Result));
    result.size = sizeof(Result);
    result.version = QUORVEN_SC_RECORD_VERSION;
    result.status = status_invalid_argument;
}

template <typename Result>
qv::u32 finish(Result& result, qv::u32 status) {
    result.status = status;
    return status;
}

inline bool all_zero(const void* bytes, qv::usize count) {
    const qv::u8* p = static_cast<const qv::u8*>(bytes);
    for (qv::usize i = 0; i < count; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
}

// Steps 1 to 3 of the common sequence: null pointers (1) and size/version mismatches (2) leave
// the result untouched; otherwise the result is reset and the call goes on (returns ok).
template <typename Request, typename Result>
qv::u32 check_records(const Request* request, Result* result) {
    if (request == nullptr || result == nullptr) {
        return status_invalid_argument;
    }
    if (!record_matches(*request) || !record_matches(*result)) {
        return status_record_mismatch;
    }
    reset_result(*result);
    return status_ok;
}

// The same for the exports that take only a result record.
template <typename Result>
qv::u32 check_result_record(Result* result) {
    if (result == nullptr) {
        return status_invalid_argument;
    }
    if (!record_matches(*result)) {
        return status_record_mismatch;
    }
    reset_result(*result);
    return status_ok;
}

inline search_core* core_of(quorven_search_core_handle handle) {
    return reinterpret_cast<search_core*>(handle);
}
inline quorven_search_core_handle handle_of(search_core* core) {
    return reinterpret_cast<quorven_search_core_handle>(core);
}

template <typename T>
const T* host_pointer(qv::u64 address) {
    return reinterpret_cast<const T*>(static_cast<qv::usize>(address));
}
template <typename T>
T* host_output(qv::u64 address) {
    return reinterpret_cast<T*>(static_cast<qv::usize>(address));
}

}  // namespace quorven::search_core
