// Turning a clock reading since the Unix epoch into the store's ticks (100 ns since
// 0001-01-01), shared by both implementations of the file layer.
#pragma once

#include "lib/store.h"
#include "qv/types.h"

namespace quorven::search_core::file {

inline constexpr qv::u64 unix_epoch_ticks = 621355968000000000ull;
inline constexpr qv::u64 ticks_per_second = 10000000;

// False when the reading lies beyond the last tick the store can hold.
inline bool ticks_from_unix(qv::u64 seconds, qv::u64 sub_second_ticks, qv::u64* ticks) {
    constexpr qv::u64 room = max_ticks - unix_epoch_ticks;
    if (seconds > room / ticks_per_second) {
        return false;
    }
    qv::u64 since_epoch = seconds * ticks_per_second + sub_second_ticks;
    if (since_epoch > room) {
        return false;
    }
    *ticks = unix_epoch_ticks + since_epoch;
    return true;
}

}  // namespace quorven::search_core::file
