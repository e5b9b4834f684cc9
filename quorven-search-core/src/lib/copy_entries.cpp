// Copying chosen entries out by id: one row per id, with the directory path and the name back
// to back in the host's text buffer. The needed size is known before anything is written.

#include "lib/frame.h"

namespace quorven::search_core {
namespace {

using qv::u16;
using qv::u32;
using qv::u64;

// Directory plus name units of every requested entry; status 1 for a bad or deleted id or a
// total that does not fit in u32.
u32 measure(const search_core& core, const u32* ids, u32 id_count, u64* text_units) {
    u64 total = 0;
    for (u32 i = 0; i < id_count; ++i) {
        if (ids[i] >= core.entries.size()) {
            return status_invalid_argument;
        }
        const entry_record& entry = core.entries[ids[i]];
        if (entry.deleted != 0) {
            return status_invalid_argument;
        }
        total += u64{dir_text(core, entry.dir_id).length} + entry.name_length;
        if (total > qv::u32_max) {
            return status_invalid_argument;
        }
    }
    *text_units = total;
    return status_ok;
}

void write_rows(const search_core& core, const u32* ids, u32 id_count,
                quorven_search_core_entry_row_v1* rows, u16* text) {
    u32 cursor = 0;
    for (u32 i = 0; i < id_count; ++i) {
        const entry_record& entry = core.entries[ids[i]];
        utf16_span dir = dir_text(core, entry.dir_id);
        utf16_span name = name_text(core, entry);
        qv::mem_copy(text + cursor, dir.units, dir.length * sizeof(u16));
        qv::mem_copy(text + cursor + dir.length, name.units, name.length * sizeof(u16));
        rows[i] = {ids[i],      cursor,          dir.length,     cursor + dir.length,
                   name.length, entry.is_folder, entry.timestamp};
        cursor += dir.length + name.length;
    }
}

}  // namespace
}  // namespace quorven::search_core

using namespace quorven::search_core;

extern "C" QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_copy_entries_v1(
    quorven_search_core_handle handle, const quorven_search_core_copy_entries_request_v1* request,
    quorven_search_core_copy_entries_result_v1* result) {
    if (qv::u32 status = check_records(request, result)) {
        return status;
    }
    if (handle == nullptr) {
        return finish(*result, status_invalid_argument);
    }
    const search_core& core = *core_of(handle);
    // Copying from an unsealed store is refused as an argument error, unlike query and project.
    if (!core.sealed || request->id_count < 1 || request->row_capacity < request->id_count ||
        request->ids == 0 || request->rows == 0 || request->text == 0 || request->reserved0 != 0 ||
        request->reserved1 != 0 || request->reserved2 != 0 ||
        !all_zero(request->reserved, sizeof request->reserved)) {
        return finish(*result, status_invalid_argument);
    }
    const auto* ids = host_pointer<qv::u32>(request->ids);
    qv::u64 text_units = 0;
    if (qv::u32 status = measure(core, ids, request->id_count, &text_units)) {
        return finish(*result, status);
    }
    result->text_units = static_cast<qv::u32>(text_units);
    if (request->text_capacity < text_units) {
        return finish(*result, status_buffer_too_small);
    }
    write_rows(core, ids, request->id_count,
               host_output<quorven_search_core_entry_row_v1>(request->rows),
               host_output<qv::u16>(request->text));
    result->row_count = request->id_count;
    return finish(*result, status_ok);
}
