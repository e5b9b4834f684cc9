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
           paths.entries.reserve(paths.entries.size() + entries) &&
           paths.next_same_tag.reserve_more(entries) &&
           paths.previous_same_tag.reserve_more(entries);
}

void file_dir(search_core& core, u32 tag) {
    path_index& paths = core.paths;
    QV_CHECK(paths.dirs_covered + 1 == core.dir_table.size());
    paths.dirs.insert_reserved(tag, static_cast<u32>(paths.dirs_covered));
    ++paths.dirs_covered;
}

namespace {

constexpr u32 no_id = qv::id_table::no_id;

// Files entry `id`, the next one the index covers, or passes it over if it is deleted.
void file_next_entry(path_index& paths, u32 id, u32 tag, bool live) {
    QV_CHECK(paths.next_same_tag.size() == id);
    paths.next_same_tag.push_back_reserved(no_id);
    paths.previous_same_tag.push_back_reserved(no_id);
    paths.entries_covered = usize{id} + 1;
    if (!live) {
        return;
    }
    u32 first = paths.entries.find(tag, [](u32) { return true; });
    if (first == no_id) {
        paths.entries.insert_reserved(tag, id);
        return;
    }
    // Second in the chain, so that the table keeps its slot as it is.
    u32 after = paths.next_same_tag[first];
    paths.next_same_tag[id] = after;
    paths.previous_same_tag[id] = first;
    if (after != no_id) {
        paths.previous_same_tag[after] = id;
    }
    paths.next_same_tag[first] = id;
}

}  // namespace

void file_entry(search_core& core, u32 tag) {
    QV_CHECK(core.paths.entries_covered + 1 == core.entries.size());
    file_next_entry(core.paths, static_cast<u32>(core.paths.entries_covered), tag, true);
}

void unfile_entry(search_core& core, u32 id, u32 tag) {
    path_index& paths = core.paths;
    u32 before = paths.previous_same_tag[id];
    u32 after = paths.next_same_tag[id];
    if (before != no_id) {
        paths.next_same_tag[before] = after;
    } else if (after != no_id) {
        (void)paths.entries.replace(tag, id, after);
    } else {
        (void)paths.entries.erase(tag, id);
    }
    if (after != no_id) {
        paths.previous_same_tag[after] = before;
    }
    paths.next_same_tag[id] = no_id;
    paths.previous_same_tag[id] = no_id;
}

bool paths_indexed(const search_core& core) {
    return core.paths.dirs_covered == core.dir_table.size() &&
           core.paths.entries_covered == core.entries.size();
}

void drop_paths(search_core& core) {
    core.paths.dirs.clear();
    core.paths.entries.clear();
    core.paths.next_same_tag = qv::array<u32>();
    core.paths.previous_same_tag = qv::array<u32>();
    core.paths.dirs_covered = 0;
    core.paths.entries_covered = 0;
}

u32 index_paths(search_core& core) {
    path_index& paths = core.paths;
    usize dir_count = core.dir_table.size();
    usize entry_count = core.entries.size();
    if (paths_indexed(core)) {
        return status_ok;
    }
    upper_cache uppers;
    // The tags of every directory, so that each entry hashes only its name.
    qv::array<folded_hash> entry_tags_of_dir;
    if (!entry_tags_of_dir.reserve_exact(dir_count) ||
        !reserve_paths(core, dir_count - paths.dirs_covered, entry_count - paths.entries_covered)) {
        return status_out_of_memory;
    }
    for (usize id = 0; id < dir_count; ++id) {
        utf16_span path = dir_text(core, static_cast<u32>(id));
        dir_tags tags = tags_of_dir(path, uppers);
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
        folded_hash hash = entry_tags_of_dir[entry.dir_id];
        if (entry.deleted == 0) {
            hash.feed(name_text(core, entry), uppers);
        }
        file_next_entry(paths, static_cast<u32>(id), hash.tag(), entry.deleted == 0);
    }
    return status_ok;
}

}  // namespace quorven::search_core
