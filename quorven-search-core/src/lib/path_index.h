// Keeping a store's path index (store.h) in step with its directories and live entries.
#pragma once

#include "lib/store.h"

namespace quorven::search_core {

// The lowest directory id whose path equals `path` under names_equal_ci, among the filed
// directories; qv::id_table::no_id if none. `tag` is the path's dir tag (tags_of_dir).
qv::u32 find_dir(const search_core& core, utf16_span path, qv::u32 tag);

// Files every directory and every live entry the index does not cover yet: the whole store the
// first time a store opened from an index file or sealed after add_batch needs it. Fails only
// for lack of memory, with the index still consistent (it covers a prefix) and the store's
// contents untouched.
qv::u32 index_paths(search_core& core);

// Whether every directory and live entry is filed; dropping the index files nothing.
bool paths_indexed(const search_core& core);
void drop_paths(search_core& core);

// Calls `visit` with every entry filed under the full-path tag `tag`.
template <typename Visit>
void for_each_entry(const search_core& core, qv::u32 tag, Visit&& visit) {
    const path_index& paths = core.paths;
    paths.entries.for_each(tag, [&](qv::u32 first) {
        for (qv::u32 id = first; id != qv::id_table::no_id; id = paths.next_same_tag[id]) {
            visit(id);
        }
    });
}

// Room to file `dirs` more directories and `entries` more entries without failing.
[[nodiscard]] bool reserve_paths(search_core& core, qv::usize dirs, qv::usize entries);

// Filing a directory or an entry just appended, into reserved room; unfiling an entry that a
// mutation marks deleted. `tag` is the dir tag or the full-path tag.
void file_dir(search_core& core, qv::u32 tag);
void file_entry(search_core& core, qv::u32 tag);
void unfile_entry(search_core& core, qv::u32 id, qv::u32 tag);

}  // namespace quorven::search_core
