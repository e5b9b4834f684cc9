// Appending a batch of entries to an unsealed store. The whole batch is validated before the
// store changes, so an invalid batch allocates nothing and changes nothing.

#include "lib/frame.h"

namespace quorven::search_core {
namespace {

using qv::u16;
using qv::u32;
using qv::u64;

bool entry_input_valid(const quorven_search_core_entry_input_v1& input, u32 text_units) {
    return input.reserved == 0 && input.is_folder <= 1 && input.name_length != 0 &&
           input.timestamp <= max_ticks && u64{input.dir_offset} + input.dir_length <= text_units &&
           u64{input.name_offset} + input.name_length <= text_units;
}

u32 add_batch(search_core& core, const quorven_search_core_entry_input_v1* records, u32 count,
              const u16* text, u32 text_units) {
    if (core.sealed) {
        return status_wrong_state;
    }
    if (core.entries.size() + count > max_entries) {
        return status_invalid_argument;
    }
    u64 name_units = 0;
    for (u32 i = 0; i < count; ++i) {
        if (!entry_input_valid(records[i], text_units)) {
            return status_invalid_argument;
        }
        name_units += records[i].name_length;
    }
    if (core.name_pool.size() + name_units > max_pool_units) {
        return status_invalid_argument;
    }
    qv::u64_map<u32> ids_by_span;
    upper_cache uppers;
    if (!core.entries.reserve_more(count) || !core.name_pool.reserve_more(name_units) ||
        !ids_by_span.reserve(count < 4096 ? count : 4096)) {
        return status_out_of_memory;
    }
    // Hosts pass each directory once in their text and let its entries name that one span, so
    // a span seen before in this batch has its id already: the directory is interned once per
    // span, not once per entry. The memo is only a shortcut.
    for (u32 i = 0; i < count; ++i) {
        const quorven_search_core_entry_input_v1& input = records[i];
        u64 span_key = (u64{input.dir_offset} << 32) | input.dir_length;
        u32* known = ids_by_span.find(span_key);
        u32 dir_id = 0;
        if (known != nullptr) {
            dir_id = *known;
        } else {
            if (u32 status = intern_dir(core, {text + input.dir_offset, input.dir_length}, uppers,
                                        &dir_id)) {
                // Records appended so far stay: they are whole and counted.
                core.live_count = core.entries.size();
                return status;
            }
            // Past the room reserved above, a memo that cannot grow just stops learning.
            if (u32* slot = ids_by_span.find_or_insert(span_key)) {
                *slot = dir_id;
            }
        }
        u32 name_offset = static_cast<u32>(core.name_pool.size());
        core.name_pool.append_reserved(text + input.name_offset, input.name_length);
        auto ticks = static_cast<qv::i64>(input.timestamp);
        core.entries.push_back_reserved({ticks, input.timestamp | time_kind_batch, dir_id,
                                         name_offset, input.name_length, 0, input.is_folder, 0});
    }
    core.live_count = core.entries.size();
    return status_ok;
}

}  // namespace
}  // namespace quorven::search_core

using namespace quorven::search_core;

extern "C" QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_add_batch_v1(
    quorven_search_core_handle handle, const quorven_search_core_add_batch_request_v1* request,
    quorven_search_core_add_batch_result_v1* result) {
    if (qv::u32 status = check_records(request, result)) {
        return status;
    }
    if (handle == nullptr || request->record_count < 1 || request->record_count > max_entries ||
        request->text_units > max_pool_units || request->records == 0 || request->text == 0 ||
        request->reserved0 != 0 || request->reserved1 != 0 ||
        !all_zero(request->reserved, sizeof request->reserved)) {
        return finish(*result, status_invalid_argument);
    }
    search_core& core = *core_of(handle);
    qv::u32 status =
        add_batch(core, host_pointer<quorven_search_core_entry_input_v1>(request->records),
                  request->record_count, host_pointer<qv::u16>(request->text), request->text_units);
    result->entry_count = static_cast<qv::u32>(core.entries.size());
    result->dir_count = static_cast<qv::u32>(core.dir_table.size());
    if (status == status_ok) {
        result->added = request->record_count;
    }
    return finish(*result, status);
}
