// Fuzz target of case-insensitive name comparison and the query scorer, through the exports:
// two entries whose directories must be one directory exactly when the reference model's
// definition calls them equal (the directories are interned by that comparison), then a query
// whose scores, counts and order must be the model's. The query is often a recased run of one
// of the names, so that exact, prefix and contains matches all come up, with windows that start
// or end inside a surrogate pair.

#include <cstdint>
#include <string>
#include <vector>

#include "model_check.h"

namespace {

using fuzz::check;

// A text, or a recased run of `other` so that the pair often compares equal.
std::u16string text_like(fuzz::input& in, const std::u16string& other) {
    if (!other.empty() && in.chance(128)) {
        return fuzz::window_of(in, other);
    }
    return fuzz::text(in, 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::input in(data, size);
    std::u16string dirs[2];
    std::u16string names[2];
    dirs[0] = fuzz::text(in, 8);
    dirs[1] = text_like(in, dirs[0]);
    names[0] = fuzz::text(in, 8);
    names[1] = text_like(in, names[0]);
    std::u16string text;
    std::vector<quorven_search_core_entry_input_v1> records;
    reference::model model;
    for (int i = 0; i < 2; ++i) {
        if (names[i].empty()) {
            names[i].push_back(u'x');
        }
        quorven_search_core_entry_input_v1 r{};
        r.dir_offset = static_cast<uint32_t>(text.size());
        r.dir_length = static_cast<uint32_t>(dirs[i].size());
        text += dirs[i];
        r.name_offset = static_cast<uint32_t>(text.size());
        r.name_length = static_cast<uint32_t>(names[i].size());
        text += names[i];
        r.timestamp = in.below(3);
        r.is_folder = in.below(2);
        records.push_back(r);
        model.add(dirs[i], names[i], static_cast<int64_t>(r.timestamp), r.is_folder);
    }
    quorven_search_core_handle store = fuzz::new_store();
    quorven_search_core_add_batch_request_v1 request{};
    request.size = sizeof request;
    request.version = 1;
    request.records = QUORVEN_SC_PTR_TO_U64(records.data());
    request.record_count = 2;
    request.text = QUORVEN_SC_PTR_TO_U64(text.data());
    request.text_units = static_cast<uint32_t>(text.size());
    quorven_search_core_add_batch_result_v1 result{};
    result.size = sizeof result;
    result.version = 1;
    check(quorven_search_core_add_batch_v1(store, &request, &result) == 0, "add_batch failed");
    bool same_dir = reference::equal_ci(dirs[0], dirs[1]);
    check(result.dir_count == (same_dir ? 1u : 2u),
          "directories were merged or kept apart against the comparison's definition");
    check(fuzz::seal(store) == 0, "seal failed");
    for (int k = 0; k < 3; ++k) {
        std::u16string query = text_like(in, names[in.below(2)]);
        fuzz::check_query(store, model, query, 1 + in.below(2));
    }
    quorven_search_core_destroy_v1(store);
    return 0;
}
