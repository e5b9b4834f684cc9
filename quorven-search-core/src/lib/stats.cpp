// Statistics: the store's state and the heap memory its members reserve (capacities, not
// lengths). Unlike the other exports, a null handle leaves the result as the host passed it.

#include "lib/frame.h"

using namespace quorven::search_core;
using qv::u64;

namespace {

u64 dir_lookup_bytes(const search_core& core) {
    if (!core.dir_lookup) {
        return 0;
    }
    // Each slot the map can fill without growing holds a key and an id list header.
    u64 bytes = qv::mul_saturating(core.dir_lookup->capacity_items(), 32);
    core.dir_lookup->for_each([&](u64, const dir_id_list& ids) {
        bytes = qv::add_saturating(bytes, qv::mul_saturating(ids.capacity(), sizeof(qv::u32)));
    });
    return bytes;
}

}  // namespace

extern "C" QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_stats_v1(
    quorven_search_core_handle handle, quorven_search_core_stats_result_v1* result) {
    if (result == nullptr) {
        return status_invalid_argument;
    }
    if (!record_matches(*result)) {
        return status_record_mismatch;
    }
    if (handle == nullptr) {
        return finish(*result, status_invalid_argument);
    }
    const search_core& core = *core_of(handle);
    reset_result(*result);
    result->sealed = core.sealed;
    result->live_count = static_cast<qv::u32>(core.live_count);
    result->dir_count = static_cast<qv::u32>(core.dir_table.size());
    result->entries_bytes = qv::mul_saturating(core.entries.capacity(), sizeof(entry_record));
    result->dir_table_bytes = qv::mul_saturating(core.dir_table.capacity(), sizeof(dir_span));
    result->dir_pool_bytes = qv::mul_saturating(core.dir_pool.capacity(), sizeof(qv::u16));
    result->name_pool_bytes = qv::mul_saturating(core.name_pool.capacity(), sizeof(qv::u16));
    result->dir_lookup_bytes = dir_lookup_bytes(core);
    const u64 figures[] = {result->entries_bytes, result->dir_table_bytes, result->dir_pool_bytes,
                           result->name_pool_bytes, result->dir_lookup_bytes};
    u64 total = 0;
    for (u64 figure : figures) {
        total = qv::add_saturating(total, figure);
    }
    result->total_bytes = total;
    return finish(*result, status_ok);
}
