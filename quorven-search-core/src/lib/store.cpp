#include "lib/store.h"

#include "lib/path_index.h"
#include "lib/status.h"

namespace quorven::search_core {
namespace {

using qv::u16;
using qv::u32;
using qv::u64;
using qv::usize;

utf16_span span_in(const qv::array<u16>& pool, u32 offset, u32 length) {
    QV_CHECK(offset <= pool.size() && length <= pool.size() - offset);
    return {pool.data() + offset, length};
}

}  // namespace

utf16_span dir_text(const search_core& core, u32 dir_id) {
    const dir_span& span = core.dir_table[dir_id];
    return span_in(core.dir_pool, span.offset, span.length);
}

utf16_span name_text(const search_core& core, const entry_record& entry) {
    return span_in(core.name_pool, entry.name_offset, entry.name_length);
}

u32 intern_dir(search_core& core, utf16_span path, u64 key, bool ascii, upper_cache& uppers,
               u32* id) {
    QV_CHECK(core.dir_lookup);
    // An ASCII path has a dir_key of its own and is found through dir_lookup. All non-ASCII
    // paths of one length share a key, so they are found through the path index instead, by
    // the hash of their folded spelling (the index files them ahead of the rest; see
    // index_paths). An ASCII path never equals a non-ASCII one, so each side holds every
    // directory that the other could not.
    u32 tag = 0;
    if (ascii) {
        if (dir_id_list* ids = core.dir_lookup->find(key)) {
            for (u32 candidate : *ids) {
                if (names_equal_ci(dir_text(core, candidate), path)) {
                    *id = candidate;
                    return status_ok;
                }
            }
        }
    } else {
        tag = tags_of_dir(path, uppers).dir;
        u32 found = find_dir(core, path, tag);
        if (found != qv::id_table::no_id) {
            *id = found;
            return status_ok;
        }
    }
    if (core.dir_pool.size() + path.length > max_pool_units) {
        return status_invalid_argument;
    }
    if (!core.dir_pool.reserve_more(path.length) || !core.dir_table.reserve_more(1) ||
        (!ascii && !reserve_paths(core, 1, 0))) {
        return status_out_of_memory;
    }
    if (core.dir_table.size() >= qv::u32_max || core.dir_pool.size() >= qv::u32_max) {
        return status_invalid_argument;
    }
    // The list is made before the directory is added, so a failure leaves no orphan behind.
    dir_id_list* ids = core.dir_lookup->find_or_insert(key);
    if (ids == nullptr || !ids->reserve_more(1)) {
        return status_out_of_memory;
    }
    u32 new_id = static_cast<u32>(core.dir_table.size());
    u32 offset = static_cast<u32>(core.dir_pool.size());
    core.dir_pool.append_reserved(path.units, path.length);
    core.dir_table.push_back_reserved({offset, path.length});
    ids->push_back_reserved(new_id);
    if (!ascii) {
        core.paths.dirs.insert_reserved(tag, new_id);
    }
    *id = new_id;
    return status_ok;
}

u32 resolve_dir_after_seal(const search_core& core, utf16_span path, u32 tag, const u16* batch_text,
                           pending_dirs& pending, u32* id) {
    QV_CHECK(core.paths.dirs_covered == core.dir_table.size());
    usize dir_count = core.dir_table.size();
    u32 existing = find_dir(core, path, tag);
    if (existing != qv::id_table::no_id) {
        *id = existing;
        return status_ok;
    }
    u32 k = pending.index.find(tag, [&](u32 at) {
        return names_equal_ci({batch_text + pending.spans[at].offset, pending.spans[at].length},
                              path);
    });
    if (k != qv::id_table::no_id) {
        if (dir_count + k > qv::u32_max) {
            return status_invalid_argument;
        }
        *id = static_cast<u32>(dir_count + k);
        return status_ok;
    }
    if (path.units < batch_text || static_cast<usize>(path.units - batch_text) > qv::u32_max) {
        return status_invalid_argument;
    }
    usize new_id = dir_count + pending.spans.size();
    if (new_id > qv::u32_max) {
        return status_invalid_argument;
    }
    usize position = pending.spans.size();
    if (!pending.spans.reserve_more(1) || !pending.tags.reserve_more(1) ||
        !pending.index.reserve(position + 1)) {
        return status_out_of_memory;
    }
    pending.spans.push_back_reserved({static_cast<u32>(path.units - batch_text), path.length});
    pending.tags.push_back_reserved(tag);
    pending.index.insert_reserved(tag, static_cast<u32>(position));
    *id = static_cast<u32>(new_id);
    return status_ok;
}

}  // namespace quorven::search_core
