// Texts between the file's UTF-8 and the store's UTF-16, converted in one pass straight into
// their destination (utf_transcode.h); ICU's strict conversions judge any text that pass
// refuses, so what counts as ill-formed is ICU's rule throughout.
#pragma once

#include "lib/status.h"
#include "lib/store.h"
#include "lib/text.h"
#include "qv/array.h"
#include "qv/types.h"
#include "vrel/utf_transcode.h"

namespace quorven::search_core::vrel {

// What a text's conversion may touch past its end (utf_transcode.h): bytes read after the last
// byte of the input, units written after the last unit of the room.
inline constexpr qv::u32 conversion_padding = transcode_padding;

// Appends `count` bytes of UTF-8 from the file to `pool` as UTF-16, and gives their place in
// the pool. The bytes are followed by `conversion_padding` more that may be read (the reader's
// buffers hold them). invalid_data (9) for ill-formed UTF-8 or a pool that would pass its
// limit, out_of_memory (6) when the pool cannot grow. An empty text yields a span of length 0
// at the pool's end.
qv::u32 append_as_utf16_judged(const qv::u8* bytes, qv::u32 count, qv::array<qv::u16>& pool,
                               dir_span* placed);

inline bool pool_overflows(qv::u32 offset, qv::u32 units) {
    return qv::add_saturating(qv::u64{offset}, qv::u64{units}) > max_pool_units;
}

// The same, inline for the common case of open, where the pool has room for the text and its
// padding reserved and the direct conversion accepts the text; everything else goes to
// append_as_utf16_judged.
inline qv::u32 append_as_utf16(const qv::u8* bytes, qv::u32 count, qv::array<qv::u16>& pool,
                               dir_span* placed) {
    if (pool.capacity() - pool.size() >= qv::u64{count} + conversion_padding) {
        auto offset = static_cast<qv::u32>(pool.size());
        qv::u16* room = pool.extend_reserved(count);
        qv::u32 units = 0;
        if (decode_utf8_into(bytes, count, room, true, &units) && !pool_overflows(offset, units)) {
            pool.truncate(offset + units);
            *placed = {offset, units};
            return status_ok;
        }
        pool.truncate(offset);
    }
    return append_as_utf16_judged(bytes, count, pool, placed);
}

// UTF-8 form of a store text, measured before it is written so that its length can precede it.
struct utf8_plan {
    qv::u64 bytes;
};
// invalid_data (9) when the text holds an unpaired surrogate.
qv::u32 plan_utf8(utf16_span text, utf8_plan* plan);
// Writes the text as UTF-8 into exactly plan.bytes bytes at `out`.
qv::u32 encode_utf8(utf16_span text, const utf8_plan& plan, qv::u8* out);
// A text the direct conversion refused, judged and written by ICU into `out` (3 bytes a unit);
// invalid_data (9) for an unpaired surrogate.
qv::u32 encode_utf8_by_icu(utf16_span text, qv::u8* out, qv::u64* bytes);

// Writes the text as UTF-8 without measuring it first, into `out`, which has room for 3 bytes
// a unit (the most any unit takes; at most 0xFFFFFFFF in all) and `conversion_padding` more;
// invalid_data (9) for an unpaired surrogate. `readable_end` is where the memory that holds the
// text ends: the conversion reads up to `conversion_padding` units past the text where they lie
// before it. Inline for the common case of a save; only a refused text leaves the caller.
inline qv::u32 encode_utf8_unplanned(utf16_span text, const qv::u16* readable_end, qv::u8* out,
                                     qv::u64* bytes) {
    bool padded = readable_end - (text.units + text.length) >= conversion_padding;
    if (encode_utf8_into(text.units, text.length, out, padded, bytes)) {
        return status_ok;
    }
    return encode_utf8_by_icu(text, out, bytes);
}

}  // namespace quorven::search_core::vrel
