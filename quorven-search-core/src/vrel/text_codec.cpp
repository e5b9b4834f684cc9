#include "vrel/text_codec.h"

#include "lib/status.h"
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

}  // namespace

u32 append_as_utf16(const u8* bytes, u32 count, qv::array<u16>& pool, dir_span* placed) {
    bool ascii = all_ascii(bytes, count);
    u32 units = count;
    if (!ascii && icu::utf8_to_utf16(bytes, count, nullptr, 0, &units) != icu::conversion::done) {
        return status_invalid_data;
    }
    if (qv::add_saturating(u64{pool.size()}, u64{units}) > max_pool_units) {
        return status_invalid_data;
    }
    if (!pool.reserve(pool.size() + units)) {
        return status_out_of_memory;
    }
    u32 offset = static_cast<u32>(pool.size());
    if (ascii) {
        for (u32 i = 0; i < count; ++i) {
            pool.push_back_reserved(bytes[i]);
        }
    } else {
        // Converted in place into the reserved room, then taken into the pool's length.
        u32 written = 0;
        u16* room = pool.data() + offset;
        if (icu::utf8_to_utf16(bytes, count, room, units, &written) != icu::conversion::done ||
            written != units) {
            return status_invalid_data;
        }
        for (u32 i = 0; i < units; ++i) {
            pool.push_back_reserved(room[i]);
        }
    }
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
        for (u32 i = 0; i < text.length; ++i) {
            out[i] = static_cast<u8>(text.units[i]);
        }
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

}  // namespace quorven::search_core::vrel
