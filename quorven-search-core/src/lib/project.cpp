// Projections of the whole store into rows with text: the newest live files with their full
// paths, or the directories holding the most live files. One pass, best N kept in a heap.

#include "lib/frame.h"
#include "lib/ranking.h"

namespace quorven::search_core {
namespace {

using qv::i64;
using qv::u16;
using qv::u32;
using qv::u64;
using qv::usize;

constexpr u32 mode_recent_files = QUORVEN_SC_PROJECT_RECENT_FILES;
constexpr u32 mode_folders = QUORVEN_SC_PROJECT_FOLDERS;
constexpr i64 i64_min = -0x7FFFFFFFFFFFFFFFll - 1;

bool is_live_file(const entry_record& entry) {
    return entry.deleted == 0 && (entry.is_folder & 1) == 0;
}

void select_recent_files(const search_core& core, top_n_heap& heap) {
    for (usize id = 0; id < core.entries.size(); ++id) {
        const entry_record& entry = core.entries[id];
        if (is_live_file(entry)) {
            heap.offer({entry.timestamp, static_cast<u32>(id), 0, entry.is_folder});
        }
    }
}

struct folder_tally {
    u32 files;
    i64 newest;
};

// Counts the live files directly in each non-empty directory path, indexed by directory id.
u32 select_folders(const search_core& core, top_n_heap& heap) {
    qv::array<folder_tally> tallies;
    if (!tallies.reserve_exact(core.dir_table.size())) {
        return status_out_of_memory;
    }
    for (usize i = 0; i < core.dir_table.size(); ++i) {
        tallies.push_back_reserved({0, i64_min});
    }
    for (const entry_record& entry : core.entries) {
        if (!is_live_file(entry) || core.dir_table[entry.dir_id].length == 0) {
            continue;
        }
        folder_tally& tally = tallies[entry.dir_id];
        tally.files = qv::add_saturating(tally.files, 1u);
        if (entry.timestamp > tally.newest) {
            tally.newest = entry.timestamp;
        }
    }
    for (usize dir_id = 0; dir_id < tallies.size(); ++dir_id) {
        const folder_tally& tally = tallies[dir_id];
        if (tally.files != 0) {
            heap.offer({tally.newest, static_cast<u32>(dir_id), tally.files, 1});
        }
    }
    return status_ok;
}

// Units of one row's text: a file's full path, or a folder's path.
u64 row_text_units(const search_core& core, u32 mode, const ranked_item& item) {
    if (mode == mode_folders) {
        return dir_text(core, item.id).length;
    }
    const entry_record& entry = core.entries[item.id];
    utf16_span dir = dir_text(core, entry.dir_id);
    return u64{dir.length} + (needs_separator(dir) ? 1u : 0u) + entry.name_length;
}

// Appends one row's text at `cursor`, which the caller has sized for all rows.
u32 write_row_text(const search_core& core, u32 mode, const ranked_item& item, u16* text,
                   u32 cursor) {
    utf16_span dir = dir_text(core, mode == mode_folders ? item.id : core.entries[item.id].dir_id);
    qv::mem_copy(text + cursor, dir.units, dir.length * sizeof(u16));
    cursor += dir.length;
    if (mode == mode_folders) {
        return cursor;
    }
    if (needs_separator(dir)) {
        text[cursor++] = backslash;
    }
    utf16_span name = name_text(core, core.entries[item.id]);
    qv::mem_copy(text + cursor, name.units, name.length * sizeof(u16));
    return cursor + name.length;
}

u32 run_projection(const search_core& core, const quorven_search_core_project_request_v1& request,
                   quorven_search_core_project_result_v1& result) {
    if (!core.sealed) {
        return status_wrong_state;
    }
    if (request.mode != mode_recent_files && request.mode != mode_folders) {
        return status_invalid_argument;
    }
    QV_CHECK(core.live_count <= qv::u32_max);
    top_n_heap heap;
    if (core.live_count != 0 && !heap.reserve(core.live_count, request.max_rows)) {
        return status_out_of_memory;
    }
    if (request.mode == mode_recent_files) {
        select_recent_files(core, heap);
    } else if (u32 status = select_folders(core, heap)) {
        return status;
    }
    heap.sort_best_first();

    u64 text_units = 0;
    for (usize i = 0; i < heap.size(); ++i) {
        text_units = qv::add_saturating(text_units, row_text_units(core, request.mode, heap[i]));
    }
    if (text_units > qv::u32_max) {
        return status_invalid_argument;
    }
    result.text_units = static_cast<u32>(text_units);
    result.live_count = static_cast<u32>(core.live_count);
    if (request.text_capacity < text_units) {
        return status_buffer_too_small;
    }

    auto* rows = host_output<quorven_search_core_row_v1>(request.rows);
    u16* text = host_output<u16>(request.text);
    u32 cursor = 0;
    for (usize i = 0; i < heap.size(); ++i) {
        const ranked_item& item = heap[i];
        u32 end = write_row_text(core, request.mode, item, text, cursor);
        rows[i] = {cursor, end - cursor, item.score, item.tag, item.timestamp};
        cursor = end;
    }
    result.row_count = static_cast<u32>(heap.size());
    return status_ok;
}

}  // namespace
}  // namespace quorven::search_core

using namespace quorven::search_core;

extern "C" QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_project_v1(
    quorven_search_core_handle handle, const quorven_search_core_project_request_v1* request,
    quorven_search_core_project_result_v1* result) {
    if (qv::u32 status = check_records(request, result)) {
        return status;
    }
    if (handle == nullptr || request->max_rows < 1 || request->max_rows > max_entries ||
        request->row_capacity < request->max_rows || request->rows == 0 || request->text == 0 ||
        request->reserved0 != 0 || request->reserved1 != 0 ||
        !all_zero(request->reserved, sizeof request->reserved)) {
        return finish(*result, status_invalid_argument);
    }
    return finish(*result, run_projection(*core_of(handle), *request, *result));
}
