#include "lib/path_index.h"

#include "lib/status.h"

namespace quorven::search_core {
namespace {

using qv::u32;
using qv::usize;

}  // namespace

u32 find_dir(const search_core& core, utf16_span path, u32 tag) {
    return core.paths.dirs.find(tag,
                                [&](u32 id) { return names_equal_ci(dir_text(core, id), path); });
}

bool reserve_paths(search_core& core, usize dirs, usize entries) {
    path_index& paths = core.paths;
    return paths.dirs.reserve(paths.dirs.size() + dirs) &&
           paths.entries.reserve(paths.entries.size() + entries);
}

void file_dir(search_core& core, u32 tag) {
    path_index& paths = core.paths;
    QV_CHECK(paths.dirs_covered + 1 == core.dir_table.size());
    paths.dirs.insert_reserved(tag, static_cast<u32>(paths.dirs_covered));
    ++paths.dirs_covered;
}

void file_entry(search_core& core, u32 tag) {
    path_index& paths = core.paths;
    QV_CHECK(paths.entries_covered + 1 == core.entries.size());
    paths.entries.insert_reserved(tag, static_cast<u32>(paths.entries_covered));
    ++paths.entries_covered;
}

void unfile_entry(search_core& core, u32 id, u32 tag) {
    (void)core.paths.entries.erase(tag, id);
}

u32 index_paths(search_core& core) {
    path_index& paths = core.paths;
    usize dir_count = core.dir_table.size();
    usize entry_count = core.entries.size();
    if (paths.dirs_covered == dir_count && paths.entries_covered == entry_count) {
        return status_ok;
    }
    // The tags of every directory, so that each entry hashes only its name.
    qv::array<folded_hash> entry_tags_of_dir;
    if (!entry_tags_of_dir.reserve_exact(dir_count) ||
        !reserve_paths(core, dir_count - paths.dirs_covered, core.live_count)) {
        return status_out_of_memory;
    }
    for (usize id = 0; id < dir_count; ++id) {
        utf16_span path = dir_text(core, static_cast<u32>(id));
        dir_tags tags = tags_of_dir(path);
        entry_tags_of_dir.push_back_reserved(tags.entries);
        // A directory equal to an earlier one (an index file may hold both) is never the one
        // a lookup returns: only the lowest id of each spelling is filed.
        if (id >= paths.dirs_covered) {
            if (find_dir(core, path, tags.dir) == qv::id_table::no_id) {
                paths.dirs.insert_reserved(tags.dir, static_cast<u32>(id));
            }
            paths.dirs_covered = id + 1;
        }
    }
    for (usize id = paths.entries_covered; id < entry_count; ++id) {
        const entry_record& entry = core.entries[id];
        if (entry.deleted == 0) {
            folded_hash hash = entry_tags_of_dir[entry.dir_id];
            hash.feed(name_text(core, entry));
            paths.entries.insert_reserved(hash.tag(), static_cast<u32>(id));
        }
    }
    paths.entries_covered = entry_count;
    return status_ok;
}

}  // namespace quorven::search_core
