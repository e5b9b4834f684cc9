// Sealing: the end of loading. Arrays are trimmed to their lengths and the directory lookup
// map, which only loading needs, is dropped.

#include "lib/frame.h"

using namespace quorven::search_core;

extern "C" QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_seal_v1(
    quorven_search_core_handle handle, quorven_search_core_seal_result_v1* result) {
    if (qv::u32 status = check_result_record(result)) {
        return status;
    }
    if (handle == nullptr) {
        return finish(*result, status_invalid_argument);
    }
    search_core& core = *core_of(handle);
    qv::u32 status = status_wrong_state;
    if (!core.sealed) {
        // A trim that cannot get its smaller block keeps the larger one; nothing is lost.
        (void)core.entries.shrink_to_fit();
        (void)core.dir_table.shrink_to_fit();
        (void)core.dir_pool.shrink_to_fit();
        (void)core.name_pool.shrink_to_fit();
        core.dir_lookup.reset();
        core.sealed = 1;
        status = status_ok;
    }
    result->entry_count = static_cast<qv::u32>(core.entries.size());
    result->dir_count = static_cast<qv::u32>(core.dir_table.size());
    return finish(*result, status);
}
