// Saving the live entries of a sealed store: a temporary file, forced to disk, then renamed
// over the target in one step, so the target is always the old file or the complete new one.
#pragma once

#include "lib/store.h"
#include "lib/text.h"
#include "qv/types.h"

namespace quorven::search_core::vrel {

struct save_summary {
    qv::u64 saved_at;
    qv::u64 file_size;
    qv::u32 entry_count;
    qv::u32 dir_count;
};

// The caller has checked the paths (no NUL unit, not equal) and the store (sealed, with live
// entries). The store is only read.
qv::u32 save_index(const search_core& core, utf16_span target, utf16_span temp,
                   qv::u64 cancel_object, save_summary* summary);

}  // namespace quorven::search_core::vrel
