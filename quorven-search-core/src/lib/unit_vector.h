// Eight UTF-16 code units side by side, with the few operations the name scan needs. Chosen at
// compile time: NEON on ARM64 (the shipped DLL), SSE2 on x64, and a portable form elsewhere or
// when QUORVEN_PORTABLE_UNIT_VECTOR is defined before this header. Each form lives in its own
// inline namespace, so a test may compile the portable one beside the native one without the
// two definitions of the scan colliding.
#pragma once

#include "qv/types.h"

#if !defined(QUORVEN_PORTABLE_UNIT_VECTOR) && defined(__ARM_NEON)
#define QUORVEN_UNIT_VECTOR_NEON 1
#define QUORVEN_UNIT_VECTOR_NAMESPACE unit_vector_neon
#include <arm_neon.h>
#elif !defined(QUORVEN_PORTABLE_UNIT_VECTOR) && defined(__SSE2__)
#define QUORVEN_UNIT_VECTOR_SSE2 1
#define QUORVEN_UNIT_VECTOR_NAMESPACE unit_vector_sse2
#include <emmintrin.h>
#else
#define QUORVEN_UNIT_VECTOR_NAMESPACE unit_vector_portable
#endif

namespace quorven::search_core {

#if defined(QUORVEN_UNIT_VECTOR_NEON)
inline namespace QUORVEN_UNIT_VECTOR_NAMESPACE {
inline constexpr const char* unit_vector_kind = "neon";

using unit_vector = uint16x8_t;

inline unit_vector load_units(const qv::u16* units) {
    return vld1q_u16(units);
}
inline void store_units(qv::u16* to, unit_vector units) {
    vst1q_u16(to, units);
}
// Eight bytes, each widened to a unit.
inline unit_vector widen_bytes(const qv::u8* bytes) {
    return vmovl_u8(vld1_u8(bytes));
}
// The low byte of each of eight units.
inline void narrow_units(qv::u8* to, unit_vector units) {
    vst1_u8(to, vmovn_u16(units));
}
inline unit_vector splat_unit(qv::u16 unit) {
    return vdupq_n_u16(unit);
}
inline unit_vector or_units(unit_vector a, unit_vector b) {
    return vorrq_u16(a, b);
}
inline unit_vector and_units(unit_vector a, unit_vector b) {
    return vandq_u16(a, b);
}
// All ones in each lane where a equals b.
inline unit_vector equal_units(unit_vector a, unit_vector b) {
    return vceqq_u16(a, b);
}
// All ones in each lane at or above `bound`.
inline unit_vector at_least(unit_vector a, qv::u16 bound) {
    return vcgeq_u16(a, vdupq_n_u16(bound));
}
// Bit i set when lane i is all ones (lanes are all ones or all zeros).
inline qv::u32 lane_bits(unit_vector lanes) {
    qv::u64 bytes = vget_lane_u64(vreinterpret_u64_u8(vmovn_u16(lanes)), 0);
    return static_cast<qv::u32>(((bytes & 0x0101010101010101ull) * 0x0102040810204080ull) >> 56);
}
}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE

#elif defined(QUORVEN_UNIT_VECTOR_SSE2)
inline namespace QUORVEN_UNIT_VECTOR_NAMESPACE {
inline constexpr const char* unit_vector_kind = "sse2";

using unit_vector = __m128i;

inline unit_vector load_units(const qv::u16* units) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
}
inline void store_units(qv::u16* to, unit_vector units) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), units);
}
inline unit_vector widen_bytes(const qv::u8* bytes) {
    __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes));
    return _mm_unpacklo_epi8(low, _mm_setzero_si128());
}
// Units above 0xFF do not occur here (callers narrow ASCII only); packing saturates them.
inline void narrow_units(qv::u8* to, unit_vector units) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_packus_epi16(units, units));
}
inline unit_vector splat_unit(qv::u16 unit) {
    return _mm_set1_epi16(static_cast<short>(unit));
}
inline unit_vector or_units(unit_vector a, unit_vector b) {
    return _mm_or_si128(a, b);
}
inline unit_vector and_units(unit_vector a, unit_vector b) {
    return _mm_and_si128(a, b);
}
inline unit_vector equal_units(unit_vector a, unit_vector b) {
    return _mm_cmpeq_epi16(a, b);
}
// SSE2 has no unsigned 16-bit compare: a unit is at or above `bound` when saturating
// subtraction leaves something, that is when max(a, bound) == a.
inline unit_vector at_least(unit_vector a, qv::u16 bound) {
    __m128i below = _mm_subs_epu16(splat_unit(bound), a);
    return _mm_cmpeq_epi16(below, _mm_setzero_si128());
}
inline qv::u32 lane_bits(unit_vector lanes) {
    return static_cast<qv::u32>(_mm_movemask_epi8(_mm_packs_epi16(lanes, _mm_setzero_si128())));
}
}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE

#else
inline namespace QUORVEN_UNIT_VECTOR_NAMESPACE {
inline constexpr const char* unit_vector_kind = "portable";

struct unit_vector {
    qv::u16 lane[8];
};

template <typename Op>
inline unit_vector each_lane(unit_vector a, unit_vector b, Op op) {
    unit_vector r;
    for (int i = 0; i < 8; ++i) {
        r.lane[i] = static_cast<qv::u16>(op(a.lane[i], b.lane[i]));
    }
    return r;
}

inline unit_vector load_units(const qv::u16* units) {
    unit_vector r;
    for (int i = 0; i < 8; ++i) {
        r.lane[i] = units[i];
    }
    return r;
}
inline void store_units(qv::u16* to, unit_vector units) {
    for (int i = 0; i < 8; ++i) {
        to[i] = units.lane[i];
    }
}
inline unit_vector widen_bytes(const qv::u8* bytes) {
    unit_vector r;
    for (int i = 0; i < 8; ++i) {
        r.lane[i] = bytes[i];
    }
    return r;
}
inline void narrow_units(qv::u8* to, unit_vector units) {
    for (int i = 0; i < 8; ++i) {
        to[i] = static_cast<qv::u8>(units.lane[i]);
    }
}
inline unit_vector splat_unit(qv::u16 unit) {
    unit_vector r;
    for (int i = 0; i < 8; ++i) {
        r.lane[i] = unit;
    }
    return r;
}
inline unit_vector or_units(unit_vector a, unit_vector b) {
    return each_lane(a, b, [](qv::u16 x, qv::u16 y) { return x | y; });
}
inline unit_vector and_units(unit_vector a, unit_vector b) {
    return each_lane(a, b, [](qv::u16 x, qv::u16 y) { return x & y; });
}
inline unit_vector equal_units(unit_vector a, unit_vector b) {
    return each_lane(a, b, [](qv::u16 x, qv::u16 y) { return x == y ? 0xFFFF : 0; });
}
inline unit_vector at_least(unit_vector a, qv::u16 bound) {
    return each_lane(a, splat_unit(bound),
                     [](qv::u16 x, qv::u16 y) { return x >= y ? 0xFFFF : 0; });
}
inline qv::u32 lane_bits(unit_vector lanes) {
    qv::u32 bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= (lanes.lane[i] != 0 ? 1u : 0u) << i;
    }
    return bits;
}
}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE
#endif

inline namespace QUORVEN_UNIT_VECTOR_NAMESPACE {
inline constexpr qv::u32 unit_vector_lanes = 8;
}

}  // namespace quorven::search_core
