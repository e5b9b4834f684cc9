// Loading an index file into a new store, checking every field on the way.
#pragma once

#include "lib/store.h"
#include "lib/text.h"
#include "qv/types.h"

namespace quorven::search_core::vrel {

struct open_summary {
    qv::u64 saved_at;
    qv::u64 file_size;
};

// Fills the empty store `core` from the file at `path` (checked by the caller: no NUL unit) and
// leaves it sealed and trimmed. On failure `core` holds partial data for the caller to drop.
qv::u32 open_index(utf16_span path, qv::u32 max_entries, qv::u64 cancel_object, search_core& core,
                   open_summary* summary);

}  // namespace quorven::search_core::vrel
