#include "vrel/text_codec.h"

#include "lib/status.h"
#include "platform/icu/icu_convert.h"
#include "vrel/utf_transcode.h"

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

u32 append_as_utf16_judged(const u8* bytes, u32 count, qv::array<u16>& pool, dir_span* placed) {
    auto offset = static_cast<u32>(pool.size());
    qv::usize spare = pool.capacity() - pool.size();
    u32 units = count;
    bool well_formed = false;
    if (spare >= count) {
        // A text never takes more units than bytes: with that much room already reserved (open
        // sizes its pools from the file), it is converted straight into the pool. A text the
        // direct conversion refuses is ICU's to judge.
        u16* room = pool.extend_reserved(count);
        bool padded = spare - count >= conversion_padding;
        well_formed =
            decode_utf8_into(bytes, count, room, padded, &units) ||
            icu::utf8_to_utf16(bytes, count, room, count, &units) == icu::conversion::done;
    } else {
        // Measured first, so that the pool grows only for a well-formed text that fits.
        bool ascii = all_ascii(bytes, count);
        if (!ascii &&
            icu::utf8_to_utf16(bytes, count, nullptr, 0, &units) != icu::conversion::done) {
            return status_invalid_data;
        }
        if (pool_overflows(offset, units)) {
            return status_invalid_data;
        }
        if (!pool.reserve(pool.size() + units)) {
            return status_out_of_memory;
        }
        u16* room = pool.extend_reserved(units);
        well_formed =
            ascii ? decode_utf8_into(bytes, count, room, false, &units)
                  : icu::utf8_to_utf16(bytes, count, room, units, &units) == icu::conversion::done;
    }
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
    for (u32 i = 0; i < text.length; ++i) {
        u32 unit = text.units[i];
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
    *plan = {bytes};
    return status_ok;
}

u32 encode_utf8(utf16_span text, const utf8_plan& plan, u8* out) {
    // The plan has found every surrogate paired, so the conversion writes exactly its bytes.
    u64 written = 0;
    bool done = encode_utf8_into(text.units, text.length, out, false, &written);
    return done && written == plan.bytes ? status_ok : status_invalid_data;
}

u32 encode_utf8_by_icu(utf16_span text, u8* out, u64* bytes) {
    u32 written = 0;
    if (icu::utf16_to_utf8(text.units, text.length, out, text.length * 3, &written) !=
        icu::conversion::done) {
        return status_invalid_data;
    }
    *bytes = written;
    return status_ok;
}

}  // namespace quorven::search_core::vrel
