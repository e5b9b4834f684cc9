// The exports that own the handle's life and its cancel flag.

#include "lib/frame.h"
#include "qv/unique.h"

using namespace quorven::search_core;
using qv::u32;

extern "C" {

QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_abi_version(void) {
    return QUORVEN_SC_ABI_VERSION;
}

QUORVEN_SEARCH_CORE_API uint32_t
quorven_search_core_create_v1(const quorven_search_core_create_request_v1* request,
                              quorven_search_core_create_result_v1* result) {
    if (u32 status = check_records(request, result)) {
        return status;
    }
    if (request->initial_entries > max_entries || request->initial_name_units > max_pool_units ||
        request->reserved0 != 0 || request->reserved1 != 0 ||
        !all_zero(request->reserved, sizeof request->reserved)) {
        return finish(*result, status_invalid_argument);
    }
    qv::owned<search_core> core = qv::make_owned<search_core>();
    if (!core || !core->entries.reserve_exact(request->initial_entries) ||
        !core->name_pool.reserve_exact(request->initial_name_units)) {
        return finish(*result, status_out_of_memory);
    }
    core->dir_lookup = qv::make_owned<dir_lookup_map>();
    if (!core->dir_lookup) {
        return finish(*result, status_out_of_memory);
    }
    result->handle = reinterpret_cast<qv::usize>(handle_of(core.release()));
    return finish(*result, status_ok);
}

QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_destroy_v1(quorven_search_core_handle handle) {
    if (handle == nullptr) {
        return status_invalid_argument;
    }
    qv::owned<search_core> released(core_of(handle));
    return status_ok;
}

QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_cancel_v1(quorven_search_core_handle handle) {
    if (handle == nullptr) {
        return status_invalid_argument;
    }
    core_of(handle)->cancel_requested.store_release(1);
    return status_ok;
}

QUORVEN_SEARCH_CORE_API uint32_t
quorven_search_core_reset_cancel_v1(quorven_search_core_handle handle) {
    if (handle == nullptr) {
        return status_invalid_argument;
    }
    core_of(handle)->cancel_requested.store_release(0);
    return status_ok;
}

}  // extern "C"
