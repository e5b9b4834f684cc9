#include "vrel/text_codec.h"

#include "lib/status.h"
#include "lib/unit_vector.h"
#include "platform/icu/icu_convert.h"

namespace quorven::search_core::vrel {

using qv::u16;
using qv::u32;
using qv::u64;
using qv::u8;

namespace {

bool all_ascii(const u8* bytes, u32 count) {
    u8 seen = 0;
    for (u32 i = 0; i < count; ++i) {
        seen |= bytes[i];
    }
    return seen < 0x80;
}

constexpr bool is_high_surrogate(u32 unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool is_low_surrogate(u32 unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Widens the text's leading ASCII bytes into `out`, eight at a time; returns how many.
u32 widen_ascii(const u8* bytes, u32 count, u16* out) {
    u32 i = 0;
    for (; i + unit_vector_lanes <= count; i += unit_vector_lanes) {
        u64 word = 0;
        __builtin_memcpy(&word, bytes + i, sizeof word);
        if ((word & 0x8080808080808080ull) != 0) {
            break;
        }
        store_units(out + i, widen_bytes(bytes + i));
    }
    for (; i < count && bytes[i] < 0x80; ++i) {
        out[i] = bytes[i];
    }
    return i;
}

// Narrows the text's leading ASCII units into `out`, eight at a time; returns how many.
u32 narrow_ascii(const u16* units, u32 count, u8* out) {
    u32 i = 0;
    for (; i + unit_vector_lanes <= count; i += unit_vector_lanes) {
        unit_vector lanes = load_units(units + i);
        if (lane_bits(at_least(lanes, 0x80)) != 0) {
            break;
        }
        narrow_units(out + i, lanes);
    }
    for (; i < count && units[i] < 0x80; ++i) {
        out[i] = static_cast<u8>(units[i]);
    }
    return i;
}

bool pool_overflows(u32 offset, u32 units) {
    return qv::add_saturating(u64{offset}, u64{units}) > max_pool_units;
}

}  // namespace

u32 append_as_utf16(const u8* bytes, u32 count, qv::array<u16>& pool, dir_span* placed) {
    auto offset = static_cast<u32>(pool.size());
    // A text never takes more units than bytes. With that much room already reserved (open
    // sizes its pools from the file), it is converted straight into the pool; otherwise it is
    // measured first, so that the pool grows only for a well-formed text that fits.
    u32 room_units = count;
    if (pool.capacity() - pool.size() < count) {
        u32 units = count;
        if (!all_ascii(bytes, count) &&
            icu::utf8_to_utf16(bytes, count, nullptr, 0, &units) != icu::conversion::done) {
            return status_invalid_data;
        }
        if (pool_overflows(offset, units)) {
            return status_invalid_data;
        }
        if (!pool.reserve(pool.size() + units)) {
            return status_out_of_memory;
        }
        room_units = units;
    }
    u16* room = pool.extend_reserved(room_units);
    u32 units = widen_ascii(bytes, count, room);
    // Not ASCII throughout: ICU converts the whole text.
    bool well_formed = units == count || icu::utf8_to_utf16(bytes, count, room, room_units,
                                                            &units) == icu::conversion::done;
    if (!well_formed || pool_overflows(offset, units)) {
        pool.truncate(offset);
        return status_invalid_data;
    }
    pool.truncate(offset + units);
    *placed = {offset, units};
    return status_ok;
}

u32 plan_utf8(utf16_span text, utf8_plan* plan) {
    u64 bytes = 0;
    u32 seen = 0;
    for (u32 i = 0; i < text.length; ++i) {
        u32 unit = text.units[i];
        seen |= unit;
        if (unit < 0x80) {
            bytes += 1;
        } else if (unit < 0x800) {
            bytes += 2;
        } else if (is_high_surrogate(unit)) {
            if (i + 1 == text.length || !is_low_surrogate(text.units[i + 1])) {
                return status_invalid_data;
            }
            bytes += 4;
            ++i;
        } else if (is_low_surrogate(unit)) {
            return status_invalid_data;
        } else {
            bytes += 3;
        }
    }
    *plan = {bytes, seen < 0x80};
    return status_ok;
}

u32 encode_utf8(utf16_span text, const utf8_plan& plan, u8* out) {
    if (plan.ascii) {
        narrow_ascii(text.units, text.length, out);
        return status_ok;
    }
    u32 written = 0;
    auto capacity = static_cast<u32>(plan.bytes);
    if (icu::utf16_to_utf8(text.units, text.length, out, capacity, &written) !=
            icu::conversion::done ||
        written != plan.bytes) {
        return status_invalid_data;
    }
    return status_ok;
}

u32 encode_utf8_unplanned(utf16_span text, u8* out, u64* bytes) {
    u32 written = narrow_ascii(text.units, text.length, out);
    if (written != text.length && icu::utf16_to_utf8(text.units, text.length, out, text.length * 3,
                                                     &written) != icu::conversion::done) {
        return status_invalid_data;
    }
    *bytes = written;
    return status_ok;
}

}  // namespace quorven::search_core::vrel
