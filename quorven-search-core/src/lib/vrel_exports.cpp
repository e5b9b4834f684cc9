// The index-file exports: open loads a file into a new sealed store, save writes a sealed
// store's live entries. Both check their records here and leave the file work to vrel/.

#include "lib/frame.h"
#include "qv/unique.h"
#include "vrel/index_reader.h"
#include "vrel/index_writer.h"

using namespace quorven::search_core;
using qv::u16;
using qv::u32;

namespace {

constexpr u32 max_path_units = QUORVEN_SC_MAX_PATH_UNITS;

bool path_length_valid(u32 length) {
    return length >= 1 && length <= max_path_units;
}

bool holds_nul(utf16_span path) {
    for (u32 i = 0; i < path.length; ++i) {
        if (path.units[i] == 0) {
            return true;
        }
    }
    return false;
}

bool same_units(utf16_span a, utf16_span b) {
    if (a.length != b.length) {
        return false;
    }
    for (u32 i = 0; i < a.length; ++i) {
        if (a.units[i] != b.units[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" {

QUORVEN_SEARCH_CORE_API uint32_t
quorven_search_core_open_vrel_v1(const quorven_search_core_open_vrel_request_v1* request,
                                 quorven_search_core_open_vrel_result_v1* result) {
    if (u32 status = check_records(request, result)) {
        return status;
    }
    if (request->path == 0 || !path_length_valid(request->path_length) ||
        request->max_entries < 1 || request->max_entries > max_entries || request->reserved0 != 0 ||
        request->reserved1 != 0 || !all_zero(request->reserved, sizeof request->reserved)) {
        return finish(*result, status_invalid_argument);
    }
    utf16_span path = {host_pointer<u16>(request->path), request->path_length};
    if (holds_nul(path)) {
        return finish(*result, status_invalid_argument);
    }
    qv::owned<search_core> core = qv::make_owned<search_core>();
    if (!core) {
        return finish(*result, status_out_of_memory);
    }
    vrel::open_summary summary = {};
    if (u32 status =
            vrel::open_index(path, request->max_entries, request->cancel_event, *core, &summary)) {
        return finish(*result, status);
    }
    result->format_version = QUORVEN_SC_VREL_FORMAT_VERSION;
    result->saved_at = summary.saved_at;
    result->file_size = summary.file_size;
    result->entry_count = static_cast<u32>(core->entries.size());
    result->dir_count = static_cast<u32>(core->dir_table.size());
    result->handle = reinterpret_cast<qv::usize>(handle_of(core.release()));
    return finish(*result, status_ok);
}

QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_save_vrel_v1(
    quorven_search_core_handle handle, const quorven_search_core_save_vrel_request_v1* request,
    quorven_search_core_save_vrel_result_v1* result) {
    if (u32 status = check_records(request, result)) {
        return status;
    }
    if (handle == nullptr || request->path == 0 || request->temp_path == 0 ||
        !path_length_valid(request->path_length) || !path_length_valid(request->temp_path_length) ||
        request->reserved0 != 0 || request->reserved1 != 0 ||
        !all_zero(request->reserved, sizeof request->reserved)) {
        return finish(*result, status_invalid_argument);
    }
    utf16_span target = {host_pointer<u16>(request->path), request->path_length};
    utf16_span temp = {host_pointer<u16>(request->temp_path), request->temp_path_length};
    if (holds_nul(target) || holds_nul(temp) || same_units(target, temp)) {
        return finish(*result, status_invalid_argument);
    }
    const search_core& core = *core_of(handle);
    if (!core.sealed || core.live_count == 0) {
        return finish(*result, status_invalid_argument);
    }
    vrel::save_summary summary = {};
    if (u32 status = vrel::save_index(core, target, temp, request->cancel_event, &summary)) {
        return finish(*result, status);
    }
    result->format_version = QUORVEN_SC_VREL_FORMAT_VERSION;
    result->saved_at = summary.saved_at;
    result->file_size = summary.file_size;
    result->entry_count = summary.entry_count;
    result->dir_count = summary.dir_count;
    return finish(*result, status_ok);
}

}  // extern "C"
