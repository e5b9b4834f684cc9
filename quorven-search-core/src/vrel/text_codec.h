// Texts between the file's UTF-8 and the store's UTF-16. Pure-ASCII texts take a direct path,
// eight units at a time, that gives the same result as ICU; everything else goes through ICU's
// strict conversions. Both directions convert straight into their destination.
#pragma once

#include "lib/store.h"
#include "lib/text.h"
#include "qv/array.h"
#include "qv/types.h"

namespace quorven::search_core::vrel {

// Appends `count` bytes of UTF-8 from the file to `pool` as UTF-16, and gives their place in
// the pool. invalid_data (9) for ill-formed UTF-8 or a pool that would pass its limit,
// out_of_memory (6) when the pool cannot grow. An empty text yields a span of length 0 at the
// pool's end.
qv::u32 append_as_utf16(const qv::u8* bytes, qv::u32 count, qv::array<qv::u16>& pool,
                        dir_span* placed);

// UTF-8 form of a store text, measured before it is written so that its length can precede it.
struct utf8_plan {
    qv::u64 bytes;
    bool ascii;
};
// invalid_data (9) when the text holds an unpaired surrogate.
qv::u32 plan_utf8(utf16_span text, utf8_plan* plan);
// Writes the text as UTF-8 into exactly plan.bytes bytes at `out`.
qv::u32 encode_utf8(utf16_span text, const utf8_plan& plan, qv::u8* out);
// Writes the text as UTF-8 without measuring it first, into `out`, which has room for 3 bytes
// a unit (the most any unit takes; at most 0xFFFFFFFF in all); invalid_data (9) for an
// unpaired surrogate.
qv::u32 encode_utf8_unplanned(utf16_span text, qv::u8* out, qv::u64* bytes);

}  // namespace quorven::search_core::vrel
