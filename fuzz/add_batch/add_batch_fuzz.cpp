// Fuzz target of add_batch: a few batches, as a host passes them, into a fresh store. Records
// name spans of one batch text, mostly words that fold onto each other, now and then spans,
// times, flags and reserved fields taken raw. After every batch the status and the counts agree
// with the rules and the reference model, a refused batch changes nothing, and once sealed the
// store answers a query as the model does.

#include <cstdint>
#include <string>
#include <vector>

#include "model_check.h"

namespace {

using fuzz::check;

constexpr uint64_t max_ticks = QUORVEN_SC_MAX_TICKS;

struct record_plan {
    quorven_search_core_entry_input_v1 input;
    bool valid;
};

// A span of `text`: one of its words, or now and then raw numbers.
void choose_span(fuzz::input& in, const std::vector<std::pair<uint32_t, uint32_t>>& words,
                 uint32_t& offset, uint32_t& length) {
    if (words.empty() || in.chance(20)) {
        offset = in.chance(128) ? in.u8() : in.u32();
        length = in.chance(128) ? in.u8() : in.u32();
        return;
    }
    const auto& word = words[in.below(static_cast<uint32_t>(words.size()))];
    offset = word.first;
    length = word.second;
}

record_plan plan_record(fuzz::input& in, uint32_t text_units,
                        const std::vector<std::pair<uint32_t, uint32_t>>& words) {
    quorven_search_core_entry_input_v1 r{};
    choose_span(in, words, r.dir_offset, r.dir_length);
    choose_span(in, words, r.name_offset, r.name_length);
    r.timestamp = in.chance(24) ? in.u64() : in.chance(128) ? in.u8() : max_ticks - in.u8();
    r.is_folder = in.chance(8) ? in.u32() : in.below(2);
    r.reserved = in.chance(8) ? in.u32() : 0;
    bool valid = r.reserved == 0 && r.is_folder <= 1 && r.name_length != 0 &&
                 r.timestamp <= max_ticks && uint64_t{r.dir_offset} + r.dir_length <= text_units &&
                 uint64_t{r.name_offset} + r.name_length <= text_units;
    return {r, valid};
}

std::u16string span_of(const std::u16string& text, uint32_t offset, uint32_t length) {
    return text.substr(offset, length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::input in(data, size);
    reference::model model;
    quorven_search_core_handle store = fuzz::new_store();
    uint32_t batches = 1 + in.below(4);
    for (uint32_t b = 0; b < batches && !in.empty(); ++b) {
        // The batch text: words back to back, each remembered as a span.
        std::u16string text;
        std::vector<std::pair<uint32_t, uint32_t>> words;
        for (uint32_t n = in.below(8); n > 0; --n) {
            std::u16string word = fuzz::text(in, 6);
            words.emplace_back(static_cast<uint32_t>(text.size()),
                               static_cast<uint32_t>(word.size()));
            text += word;
        }
        std::vector<quorven_search_core_entry_input_v1> records;
        bool all_valid = true;
        for (uint32_t n = in.below(9); n > 0; --n) {
            record_plan plan = plan_record(in, static_cast<uint32_t>(text.size()), words);
            records.push_back(plan.input);
            all_valid = all_valid && plan.valid;
        }
        quorven_search_core_add_batch_request_v1 request{};
        request.size = sizeof request;
        request.version = 1;
        request.records = QUORVEN_SC_PTR_TO_U64(records.data());
        request.record_count = static_cast<uint32_t>(records.size());
        bool null_text = in.chance(8);
        request.text = null_text ? 0 : QUORVEN_SC_PTR_TO_U64(text.data());
        request.text_units = static_cast<uint32_t>(text.size());
        bool spoiled_request = in.chance(8);
        if (spoiled_request) {
            request.reserved[in.below(32)] = static_cast<uint8_t>(1 + in.below(255));
        }
        bool valid = all_valid && !records.empty() && !null_text && !spoiled_request;

        auto before = fuzz::stats(store);
        quorven_search_core_add_batch_result_v1 result{};
        result.size = sizeof result;
        result.version = 1;
        uint32_t status = quorven_search_core_add_batch_v1(store, &request, &result);
        check(status == result.status, "the returned status differs from the result's");
        if (!valid) {
            check(status == 1, "an invalid batch was not refused with 1");
            check(result.added == 0, "a refused batch reports added entries");
            auto after = fuzz::stats(store);
            check(after.live_count == before.live_count && after.dir_count == before.dir_count,
                  "a refused batch changed the store");
            continue;
        }
        check(status == 0, "a valid batch was refused");
        for (const auto& r : records) {
            model.add(span_of(text, r.dir_offset, r.dir_length),
                      span_of(text, r.name_offset, r.name_length),
                      static_cast<int64_t>(r.timestamp), r.is_folder);
        }
        check(result.added == records.size(), "added differs from the record count");
        check(result.entry_count == model.entries().size(), "entry count differs from the model's");
        check(result.dir_count == model.dirs().size(), "directory count differs from the model's");
    }
    fuzz::check_counts(store, model);
    check(fuzz::seal(store) == 0, "seal failed");
    fuzz::check_counts(store, model);
    fuzz::check_a_query(in, store, model, 8);
    quorven_search_core_destroy_v1(store);
    return 0;
}
