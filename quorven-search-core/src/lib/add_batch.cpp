// Appending a batch of entries to an unsealed store. The whole batch is validated before the
// store changes, so an invalid batch allocates nothing and changes nothing. Its directories are
// interned first, then its records appended.

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

u64 span_key_of(const quorven_search_core_entry_input_v1& input) {
    return (u64{input.dir_offset} << 32) | input.dir_length;
}

// A directory span of the batch text, numbered in the order the records first name it.
struct named_span {
    u32 offset;
    u32 length;
    u32 first_record;
};

// Hosts pass each directory once in their text and let its entries name that one span, so the
// spans are numbered first and each is interned once, not once per entry. Spans come in no
// particular order: the memo slot of the span sixteen records ahead is asked for early.
u32 number_spans(const quorven_search_core_entry_input_v1* records, u32 count,
                 qv::array<named_span>& spans, qv::array<u32>& span_of_record) {
    constexpr u32 slot_distance = 16;
    qv::u64_map<u32> numbers;
    if (!numbers.reserve(count < 4096 ? count : 4096) || !span_of_record.reserve_exact(count)) {
        return status_out_of_memory;
    }
    for (u32 i = 0; i < count; ++i) {
        if (i + slot_distance < count) {
            numbers.prefetch(span_key_of(records[i + slot_distance]));
        }
        qv::usize known = numbers.size();
        u32* number = numbers.find_or_insert(span_key_of(records[i]));
        if (number == nullptr) {
            return status_out_of_memory;
        }
        if (numbers.size() != known) {
            if (!spans.reserve_more(1)) {
                return status_out_of_memory;
            }
            *number = static_cast<u32>(spans.size());
            spans.push_back_reserved({records[i].dir_offset, records[i].dir_length, i});
        }
        span_of_record.push_back_reserved(*number);
    }
    return status_ok;
}

// Appends records [0, end) whose spans have their ids in `dir_ids`, into reserved room.
void append_records(search_core& core, const quorven_search_core_entry_input_v1* records, u32 end,
                    const u16* text, const qv::array<u32>& span_of_record,
                    const qv::array<u32>& dir_ids) {
    for (u32 i = 0; i < end; ++i) {
        const quorven_search_core_entry_input_v1& input = records[i];
        u32 name_offset = static_cast<u32>(core.name_pool.size());
        core.name_pool.append_reserved(text + input.name_offset, input.name_length);
        auto ticks = static_cast<qv::i64>(input.timestamp);
        core.entries.push_back_reserved({ticks, input.timestamp | time_kind_batch,
                                         dir_ids[span_of_record[i]], name_offset, input.name_length,
                                         0, input.is_folder, 0});
    }
    core.live_count = core.entries.size();
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
    if (!core.entries.reserve_more(count) || !core.name_pool.reserve_more(name_units)) {
        return status_out_of_memory;
    }
    qv::array<named_span> spans;
    qv::array<u32> span_of_record;
    if (u32 status = number_spans(records, count, spans, span_of_record)) {
        return status;
    }
    qv::array<u32> dir_ids;
    if (!dir_ids.reserve_exact(spans.size())) {
        return status_out_of_memory;
    }
    // Directories are interned in the order first named, their keys hashed a few at a time and
    // their texts, cold until now, asked for a few groups ahead.
    constexpr qv::usize text_distance = 2 * max_keys_at_once;
    upper_cache uppers;
    for (qv::usize first = 0; first < spans.size(); first += max_keys_at_once) {
        for (qv::usize k = first + text_distance;
             k < first + text_distance + max_keys_at_once && k < spans.size(); ++k) {
            for (u32 at = 0; at < spans[k].length; at += 32) {
                __builtin_prefetch(text + spans[k].offset + at);
            }
        }
        u32 group = static_cast<u32>(spans.size() - first < max_keys_at_once ? spans.size() - first
                                                                             : max_keys_at_once);
        utf16_span paths[max_keys_at_once];
        u64 keys[max_keys_at_once];
        bool ascii[max_keys_at_once];
        for (u32 j = 0; j < group; ++j) {
            paths[j] = {text + spans[first + j].offset, spans[first + j].length};
        }
        dir_keys(paths, group, keys, ascii);
        for (u32 j = 0; j < group; ++j) {
            u32 dir_id = 0;
            if (u32 status = intern_dir(core, paths[j], keys[j], ascii[j], uppers, &dir_id)) {
                // The records before the first to name this directory stay: they are whole.
                append_records(core, records, spans[first + j].first_record, text, span_of_record,
                               dir_ids);
                return status;
            }
            dir_ids.push_back_reserved(dir_id);
        }
    }
    append_records(core, records, count, text, span_of_record, dir_ids);
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
