#include "lib/store.h"

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

u32 intern_dir(search_core& core, utf16_span path, u32* id) {
    QV_CHECK(core.dir_lookup);
    u64 key = dir_key(path);
    if (dir_id_list* ids = core.dir_lookup->find(key)) {
        for (u32 candidate : *ids) {
            if (names_equal_ci(dir_text(core, candidate), path)) {
                *id = candidate;
                return status_ok;
            }
        }
    }
    if (core.dir_pool.size() + path.length > max_pool_units) {
        return status_invalid_argument;
    }
    if (!core.dir_pool.reserve_more(path.length) || !core.dir_table.reserve_more(1)) {
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
    *id = new_id;
    return status_ok;
}

u32 resolve_dir_after_seal(const search_core& core, utf16_span path, const u16* batch_text,
                           qv::array<dir_span>& pending, u32* id) {
    usize dir_count = core.dir_table.size();
    for (usize i = 0; i < dir_count; ++i) {
        if (names_equal_ci(dir_text(core, static_cast<u32>(i)), path)) {
            *id = static_cast<u32>(i);
            return status_ok;
        }
    }
    for (usize k = 0; k < pending.size(); ++k) {
        utf16_span candidate = {batch_text + pending[k].offset, pending[k].length};
        if (names_equal_ci(candidate, path)) {
            if (dir_count + k > qv::u32_max) {
                return status_invalid_argument;
            }
            *id = static_cast<u32>(dir_count + k);
            return status_ok;
        }
    }
    if (path.units < batch_text || static_cast<usize>(path.units - batch_text) > qv::u32_max) {
        return status_invalid_argument;
    }
    usize new_id = dir_count + pending.size();
    if (new_id > qv::u32_max) {
        return status_invalid_argument;
    }
    if (!pending.push_back({static_cast<u32>(path.units - batch_text), path.length})) {
        return status_out_of_memory;
    }
    *id = static_cast<u32>(new_id);
    return status_ok;
}

}  // namespace quorven::search_core
