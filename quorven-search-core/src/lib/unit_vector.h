// Eight UTF-16 code units side by side, with the few operations the name scan and the index
// file's conversions need. Chosen at
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

// How pack_units gathers the lanes it keeps (bit k of `keep` for lane k) into the low lanes, in
// order, for each of the 256 sets. `from[keep][j]` is the lane that lands in lane j. For a
// machine without a lane shuffle, the same packing as three shifts: a kept lane with d dropped
// lanes below it moves down by 1, 2 and 4 lanes as the bits of d say, lowest first, which never
// lands one lane on another that is still to move. `moved_to[keep][s][j]` is all ones where
// step s (a shift by 1 << s) puts a lane into lane j.
struct lane_packing {
    qv::u8 from[256][8];
    qv::u16 moved_to[256][3][8];
    qv::u8 kept[256];
};
inline constexpr lane_packing lane_packing_table = [] {
    lane_packing table = {};
    for (qv::u32 keep = 0; keep < 256; ++keep) {
        qv::u32 count = 0;
        qv::u32 dropped = 0;
        qv::u32 position[8] = {};
        qv::u32 distance[8] = {};
        for (qv::u32 lane = 0; lane < 8; ++lane) {
            if ((keep >> lane & 1) == 0) {
                ++dropped;
                continue;
            }
            table.from[keep][count++] = static_cast<qv::u8>(lane);
            position[lane] = lane;
            distance[lane] = dropped;
        }
        table.kept[keep] = static_cast<qv::u8>(count);
        for (qv::u32 step = 0; step < 3; ++step) {
            for (qv::u32 lane = 0; lane < 8; ++lane) {
                if ((keep >> lane & 1) != 0 && (distance[lane] >> step & 1) != 0) {
                    position[lane] -= 1u << step;
                    table.moved_to[keep][step][position[lane]] = 0xFFFF;
                }
            }
        }
    }
    return table;
}();

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
// Each lane of `a` where `mask` is all ones, of `b` where it is all zeros.
inline unit_vector select_units(unit_vector mask, unit_vector a, unit_vector b) {
    return vbslq_u16(mask, a, b);
}
// Each lane shifted left by `bits`, the bits shifted past the top dropped.
template <int bits>
inline unit_vector shift_units_left(unit_vector a) {
    return vshlq_n_u16(a, bits);
}
template <int bits>
inline unit_vector shift_units_right(unit_vector a) {
    return vshrq_n_u16(a, bits);
}
// Lanes 0 to 3 (low) or 4 to 7 (high) of `a` and `b` interleaved: a0 b0 a1 b1 ...; read as
// 32-bit words, each word is a lane of `a` with the same lane of `b` above it.
inline unit_vector interleave_low(unit_vector a, unit_vector b) {
    return vzip1q_u16(a, b);
}
inline unit_vector interleave_high(unit_vector a, unit_vector b) {
    return vzip2q_u16(a, b);
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
// Sixteen bytes side by side, for sorting and decoding the bytes of UTF-8 text. Masks are all
// ones or all zeros in each byte.
using byte_vector = uint8x16_t;

inline byte_vector load_bytes(const qv::u8* bytes) {
    return vld1q_u8(bytes);
}
inline byte_vector splat_byte(qv::u8 byte) {
    return vdupq_n_u8(byte);
}
inline byte_vector at_least_bytes(byte_vector bytes, qv::u8 bound) {
    return vcgeq_u8(bytes, vdupq_n_u8(bound));
}
inline byte_vector equal_bytes(byte_vector bytes, qv::u8 value) {
    return vceqq_u8(bytes, vdupq_n_u8(value));
}
// Bit k set when byte k of the mask is all ones.
inline qv::u32 byte_bits(byte_vector mask) {
    const uint8x16_t weights = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
    uint8x16_t bits = vandq_u8(mask, weights);
    return vaddv_u8(vget_low_u8(bits)) | static_cast<qv::u32>(vaddv_u8(vget_high_u8(bits))) << 8;
}
// Bit k set when byte k is 0x80 or above.
inline qv::u32 high_byte_bits(byte_vector bytes) {
    return byte_bits(vcgeq_u8(bytes, vdupq_n_u8(0x80)));
}
inline byte_vector and_bytes(byte_vector a, byte_vector b) {
    return vandq_u8(a, b);
}
inline byte_vector or_bytes(byte_vector a, byte_vector b) {
    return vorrq_u8(a, b);
}
inline byte_vector select_bytes(byte_vector mask, byte_vector a, byte_vector b) {
    return vbslq_u8(mask, a, b);
}
// Each byte shifted by `bits` within itself.
template <int bits>
inline byte_vector shift_bytes_left(byte_vector a) {
    return vshlq_n_u8(a, bits);
}
template <int bits>
inline byte_vector shift_bytes_right(byte_vector a) {
    return vshrq_n_u8(a, bits);
}
// Units from bytes 0 to 7 (low) or 8 to 15 (high) of `low`, with the same bytes of `high` above.
inline unit_vector join_bytes_low(byte_vector low, byte_vector high) {
    return vreinterpretq_u16_u8(vzip1q_u8(low, high));
}
inline unit_vector join_bytes_high(byte_vector low, byte_vector high) {
    return vreinterpretq_u16_u8(vzip2q_u8(low, high));
}
// The lanes of `units` whose bits are set in `keep` (bit k for lane k), in order from lane 0;
// the lanes after them hold anything.
inline unit_vector pack_units(unit_vector units, qv::u32 keep) {
    // The table lookup picks bytes: lane j takes bytes 2f and 2f + 1 of lane f.
    uint8x8_t from = vld1_u8(lane_packing_table.from[keep]);
    uint8x16_t pairs = vshlq_n_u8(vcombine_u8(vzip1_u8(from, from), vzip2_u8(from, from)), 1);
    uint8x16_t bytes = vaddq_u8(pairs, vreinterpretq_u8_u16(vdupq_n_u16(0x0100)));
    return vreinterpretq_u16_u8(vqtbl1q_u8(vreinterpretq_u8_u16(units), bytes));
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
inline unit_vector select_units(unit_vector mask, unit_vector a, unit_vector b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}
template <int bits>
inline unit_vector shift_units_left(unit_vector a) {
    return _mm_slli_epi16(a, bits);
}
template <int bits>
inline unit_vector shift_units_right(unit_vector a) {
    return _mm_srli_epi16(a, bits);
}
inline unit_vector interleave_low(unit_vector a, unit_vector b) {
    return _mm_unpacklo_epi16(a, b);
}
inline unit_vector interleave_high(unit_vector a, unit_vector b) {
    return _mm_unpackhi_epi16(a, b);
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
using byte_vector = __m128i;

inline byte_vector load_bytes(const qv::u8* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}
inline byte_vector splat_byte(qv::u8 byte) {
    return _mm_set1_epi8(static_cast<char>(byte));
}
// No unsigned byte compare either: a byte is at or above `bound` when max(byte, bound) is it.
inline byte_vector at_least_bytes(byte_vector bytes, qv::u8 bound) {
    return _mm_cmpeq_epi8(_mm_max_epu8(bytes, splat_byte(bound)), bytes);
}
inline byte_vector equal_bytes(byte_vector bytes, qv::u8 value) {
    return _mm_cmpeq_epi8(bytes, splat_byte(value));
}
inline qv::u32 byte_bits(byte_vector mask) {
    return static_cast<qv::u32>(_mm_movemask_epi8(mask));
}
inline qv::u32 high_byte_bits(byte_vector bytes) {
    return static_cast<qv::u32>(_mm_movemask_epi8(bytes));
}
// Bytes and units are the same register here: the same instructions serve both.
inline byte_vector and_bytes(byte_vector a, byte_vector b) {
    return and_units(a, b);
}
inline byte_vector or_bytes(byte_vector a, byte_vector b) {
    return or_units(a, b);
}
inline byte_vector select_bytes(byte_vector mask, byte_vector a, byte_vector b) {
    return select_units(mask, a, b);
}
// No byte shifts: a shift of the 16-bit lanes, less the bits it moved across a byte's edge.
template <int bits>
inline byte_vector shift_bytes_left(byte_vector a) {
    return _mm_and_si128(_mm_slli_epi16(a, bits), splat_byte(static_cast<qv::u8>(0xFF << bits)));
}
template <int bits>
inline byte_vector shift_bytes_right(byte_vector a) {
    return _mm_and_si128(_mm_srli_epi16(a, bits), splat_byte(static_cast<qv::u8>(0xFF >> bits)));
}
inline unit_vector join_bytes_low(byte_vector low, byte_vector high) {
    return _mm_unpacklo_epi8(low, high);
}
inline unit_vector join_bytes_high(byte_vector low, byte_vector high) {
    return _mm_unpackhi_epi8(low, high);
}
// SSE2 has no lane shuffle: the three shifts of the packing table.
inline unit_vector pack_units(unit_vector units, qv::u32 keep) {
    const qv::u16(*moved_to)[8] = lane_packing_table.moved_to[keep];
    __m128i step = _mm_loadu_si128(reinterpret_cast<const __m128i*>(moved_to[0]));
    units = select_units(step, _mm_srli_si128(units, 2), units);
    step = _mm_loadu_si128(reinterpret_cast<const __m128i*>(moved_to[1]));
    units = select_units(step, _mm_srli_si128(units, 4), units);
    step = _mm_loadu_si128(reinterpret_cast<const __m128i*>(moved_to[2]));
    return select_units(step, _mm_srli_si128(units, 8), units);
}
}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE

#else
inline namespace QUORVEN_UNIT_VECTOR_NAMESPACE {
inline constexpr const char* unit_vector_kind = "portable";

// Lanes of `Lane` side by side: eight units, or sixteen bytes.
template <typename Lane, qv::usize count>
struct lanes_of {
    Lane lane[count];
};
using unit_vector = lanes_of<qv::u16, 8>;
using byte_vector = lanes_of<qv::u8, 16>;

template <typename Lane, qv::usize count, typename Op>
inline lanes_of<Lane, count> each_lane(lanes_of<Lane, count> a, lanes_of<Lane, count> b, Op op) {
    lanes_of<Lane, count> r;
    for (qv::usize i = 0; i < count; ++i) {
        r.lane[i] = static_cast<Lane>(op(a.lane[i], b.lane[i]));
    }
    return r;
}
template <typename Lane, qv::usize count>
inline lanes_of<Lane, count> load_lanes(const Lane* from) {
    lanes_of<Lane, count> r;
    for (qv::usize i = 0; i < count; ++i) {
        r.lane[i] = from[i];
    }
    return r;
}
template <typename Lane, qv::usize count>
inline lanes_of<Lane, count> splat_lane(Lane value) {
    lanes_of<Lane, count> r;
    for (qv::usize i = 0; i < count; ++i) {
        r.lane[i] = value;
    }
    return r;
}
// Bit i set when lane i is not zero (lanes are all ones or all zeros).
template <typename Lane, qv::usize count>
inline qv::u32 nonzero_lane_bits(lanes_of<Lane, count> lanes) {
    qv::u32 bits = 0;
    for (qv::usize i = 0; i < count; ++i) {
        bits |= (lanes.lane[i] != 0 ? 1u : 0u) << i;
    }
    return bits;
}

inline unit_vector load_units(const qv::u16* units) {
    return load_lanes<qv::u16, 8>(units);
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
    return splat_lane<qv::u16, 8>(unit);
}
inline unit_vector or_units(unit_vector a, unit_vector b) {
    return each_lane(a, b, [](qv::u16 x, qv::u16 y) { return x | y; });
}
inline unit_vector and_units(unit_vector a, unit_vector b) {
    return each_lane(a, b, [](qv::u16 x, qv::u16 y) { return x & y; });
}
inline unit_vector select_units(unit_vector mask, unit_vector a, unit_vector b) {
    return or_units(and_units(mask, a),
                    each_lane(mask, b, [](qv::u16 m, qv::u16 y) { return ~m & y; }));
}
template <int bits>
inline unit_vector shift_units_left(unit_vector a) {
    return each_lane(a, a, [](qv::u16 x, qv::u16) { return x << bits; });
}
template <int bits>
inline unit_vector shift_units_right(unit_vector a) {
    return each_lane(a, a, [](qv::u16 x, qv::u16) { return x >> bits; });
}
inline unit_vector interleave_low(unit_vector a, unit_vector b) {
    unit_vector r;
    for (int i = 0; i < 4; ++i) {
        r.lane[2 * i] = a.lane[i];
        r.lane[2 * i + 1] = b.lane[i];
    }
    return r;
}
inline unit_vector interleave_high(unit_vector a, unit_vector b) {
    unit_vector r;
    for (int i = 0; i < 4; ++i) {
        r.lane[2 * i] = a.lane[i + 4];
        r.lane[2 * i + 1] = b.lane[i + 4];
    }
    return r;
}
inline unit_vector equal_units(unit_vector a, unit_vector b) {
    return each_lane(a, b, [](qv::u16 x, qv::u16 y) { return x == y ? 0xFFFF : 0; });
}
inline unit_vector at_least(unit_vector a, qv::u16 bound) {
    return each_lane(a, splat_unit(bound),
                     [](qv::u16 x, qv::u16 y) { return x >= y ? 0xFFFF : 0; });
}
inline qv::u32 lane_bits(unit_vector lanes) {
    return nonzero_lane_bits(lanes);
}
inline byte_vector load_bytes(const qv::u8* bytes) {
    return load_lanes<qv::u8, 16>(bytes);
}
inline byte_vector splat_byte(qv::u8 byte) {
    return splat_lane<qv::u8, 16>(byte);
}
inline byte_vector at_least_bytes(byte_vector bytes, qv::u8 bound) {
    return each_lane(bytes, bytes, [bound](qv::u8 x, qv::u8) { return x >= bound ? 0xFF : 0; });
}
inline byte_vector equal_bytes(byte_vector bytes, qv::u8 value) {
    return each_lane(bytes, bytes, [value](qv::u8 x, qv::u8) { return x == value ? 0xFF : 0; });
}
inline qv::u32 byte_bits(byte_vector mask) {
    return nonzero_lane_bits(mask);
}
inline qv::u32 high_byte_bits(byte_vector bytes) {
    return byte_bits(at_least_bytes(bytes, 0x80));
}
inline byte_vector and_bytes(byte_vector a, byte_vector b) {
    return each_lane(a, b, [](qv::u8 x, qv::u8 y) { return x & y; });
}
inline byte_vector or_bytes(byte_vector a, byte_vector b) {
    return each_lane(a, b, [](qv::u8 x, qv::u8 y) { return x | y; });
}
inline byte_vector select_bytes(byte_vector mask, byte_vector a, byte_vector b) {
    return or_bytes(and_bytes(mask, a),
                    each_lane(mask, b, [](qv::u8 m, qv::u8 y) { return ~m & y; }));
}
template <int bits>
inline byte_vector shift_bytes_left(byte_vector a) {
    return each_lane(a, a, [](qv::u8 x, qv::u8) { return x << bits; });
}
template <int bits>
inline byte_vector shift_bytes_right(byte_vector a) {
    return each_lane(a, a, [](qv::u8 x, qv::u8) { return x >> bits; });
}
inline unit_vector join_bytes_low(byte_vector low, byte_vector high) {
    unit_vector r;
    for (int i = 0; i < 8; ++i) {
        r.lane[i] = static_cast<qv::u16>(low.lane[i] | high.lane[i] << 8);
    }
    return r;
}
inline unit_vector join_bytes_high(byte_vector low, byte_vector high) {
    unit_vector r;
    for (int i = 0; i < 8; ++i) {
        r.lane[i] = static_cast<qv::u16>(low.lane[i + 8] | high.lane[i + 8] << 8);
    }
    return r;
}
inline unit_vector pack_units(unit_vector units, qv::u32 keep) {
    unit_vector r = units;
    for (qv::u32 j = 0; j < lane_packing_table.kept[keep]; ++j) {
        r.lane[j] = units.lane[lane_packing_table.from[keep][j]];
    }
    return r;
}
}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE
#endif

inline namespace QUORVEN_UNIT_VECTOR_NAMESPACE {
inline constexpr qv::u32 unit_vector_lanes = 8;
inline constexpr qv::u32 byte_vector_lanes = 16;
}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE

}  // namespace quorven::search_core
