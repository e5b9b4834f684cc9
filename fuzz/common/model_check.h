// What the search-core fuzz targets share: texts made of the pieces that case folding trips on,
// calls through the library's exports, and the comparisons of a store with the reference model
// (tests/search_core/reference_model.h). Any difference ends the process with a message, which
// libFuzzer reports as a finding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "quorven/search_core.h"
#include "reference_model.h"

namespace fuzz {

// Ends the process with `what`: the input that got here is a finding.
[[noreturn]] void fail(const char* what);
inline void check(bool ok, const char* what) {
    if (!ok) {
        fail(what);
    }
}

// Pieces of names and paths: letters that fold onto each other and some that must not (Kelvin
// sign and K, long s and S, dotless i and I, final sigma), both separators, surrogate pairs,
// lone surrogates and the NUL unit.
const std::vector<std::u16string>& pieces();

// Up to `max_pieces` pieces, or now and then units taken raw from the input.
std::u16string text(input& in, uint32_t max_pieces);

// Some run of `s` (which may cut a surrogate pair), recased unit by unit where ASCII.
std::u16string window_of(input& in, const std::u16string& s);

// A store made by create, or null when create failed (it must not).
quorven_search_core_handle new_store();
uint32_t seal(quorven_search_core_handle store);
quorven_search_core_stats_result_v1 stats(quorven_search_core_handle store);

// The store's live and directory counts against the model's.
void check_counts(quorven_search_core_handle store, const reference::model& model);
// One query through the export against the model: status, counts, hits in order, text size.
void check_query(quorven_search_core_handle store, const reference::model& model,
                 const std::u16string& query, uint32_t max_hits);
// The same for a query chosen by the input: mostly a run of a stored name, with up to
// `max_hits` hits.
void check_a_query(input& in, quorven_search_core_handle store, const reference::model& model,
                   uint32_t max_hits);
// Both projections against the model.
void check_projections(quorven_search_core_handle store, const reference::model& model,
                       uint32_t max_rows);

}  // namespace fuzz
