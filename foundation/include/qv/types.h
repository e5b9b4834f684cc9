// Fixed-width integer names used throughout the libraries. Only the compiler's freestanding C
// headers are used: the Windows ARM64 build has no C or C++ runtime.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace qv {

using u8 = uint8_t;
using u16 = uint16_t;
using u32 = uint32_t;
using u64 = uint64_t;
using i32 = int32_t;
using i64 = int64_t;
using usize = size_t;

inline constexpr u32 u32_max = 0xFFFFFFFFu;
inline constexpr u64 u64_max = 0xFFFFFFFFFFFFFFFFull;

// Saturating arithmetic for the counters and byte figures the records report.
constexpr u32 add_saturating(u32 a, u32 b) {
    return a > u32_max - b ? u32_max : a + b;
}
constexpr u64 add_saturating(u64 a, u64 b) {
    return a > u64_max - b ? u64_max : a + b;
}
constexpr u64 mul_saturating(u64 a, u64 b) {
    return (b != 0 && a > u64_max / b) ? u64_max : a * b;
}

}  // namespace qv
