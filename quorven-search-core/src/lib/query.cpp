// Name query: one pass over every entry, scoring each live name against the query in place in
// the name pool and keeping the best N in a bounded heap. Another thread may cancel it.

#include "lib/frame.h"
#include "lib/name_match.h"
#include "lib/ranking.h"

namespace quorven::search_core {
namespace {

using qv::u16;
using qv::u32;
using qv::u64;
using qv::usize;

static_assert(score_exact == QUORVEN_SC_SCORE_EXACT && score_prefix == QUORVEN_SC_SCORE_PREFIX &&
              score_contains == QUORVEN_SC_SCORE_CONTAINS);

// From this many entries on, the case partners of a non-ASCII query's units are worth finding
// (one pass over the BMP, about what scanning this many names costs); a smaller store
// compares the units in full instead.
constexpr usize partner_search_entries = 16384;

struct query_counts {
    u32 scanned = 0;
    u32 matched = 0;
};

// Fills `heap` with the best matches; status 5 as soon as the cancel flag is seen set.
u32 select_hits(const search_core& core, utf16_span query, top_n_heap& heap, query_counts& counts) {
    const name_matcher matcher(query, core.entries.size() >= partner_search_entries);
    // Names may be read on into the rest of the pool, never past its end.
    const u16* pool = core.name_pool.data();
    const usize pool_units = core.name_pool.size();
    const u16* pool_end = pool + pool_units;
    const entry_record* entries = core.entries.data();
    const usize entry_count = core.entries.size();
    for (usize id = 0; id < entry_count; ++id) {
        if (core.cancel_requested.load_relaxed() != 0) {
            return status_cancelled;
        }
        const entry_record& entry = entries[id];
        if (entry.deleted != 0) {
            continue;
        }
        counts.scanned = qv::add_saturating(counts.scanned, 1u);
        // The name's place in the pool is checked here rather than through a call per entry.
        QV_CHECK(entry.name_offset <= pool_units &&
                 entry.name_length <= pool_units - entry.name_offset);
        u32 score = matcher.score(pool + entry.name_offset, entry.name_length, pool_end);
        if (score == 0) {
            continue;
        }
        counts.matched = qv::add_saturating(counts.matched, 1u);
        heap.offer({entry.timestamp, static_cast<u32>(id), score, entry.is_folder});
    }
    return status_ok;
}

u32 run_query(const search_core& core, const quorven_search_core_query_request_v1& request,
              quorven_search_core_query_result_v1& result) {
    if (!core.sealed) {
        return status_wrong_state;
    }
    // An empty store answers at once, without memory and without looking at the cancel flag.
    if (core.entries.empty()) {
        return status_ok;
    }
    top_n_heap heap;
    if (!heap.reserve(core.entries.size(), request.max_hits)) {
        return status_out_of_memory;
    }
    query_counts counts;
    utf16_span query = {host_pointer<u16>(request.query), request.query_units};
    if (u32 status = select_hits(core, query, heap, counts)) {
        return status;
    }
    heap.sort_best_first();

    auto* hits = host_output<quorven_search_core_hit_v1>(request.hits);
    u64 text_units = 0;
    for (usize i = 0; i < heap.size(); ++i) {
        const ranked_item& item = heap[i];
        const entry_record& entry = core.entries[item.id];
        hits[i] = {item.id, item.score, item.timestamp, item.tag, 0};
        u64 units = u64{dir_text(core, entry.dir_id).length} + entry.name_length;
        text_units = qv::add_saturating(text_units, units);
    }
    // The hits stay written, but a size copy_entries could never be asked for is an error.
    if (text_units > qv::u32_max) {
        return status_invalid_argument;
    }
    result.scanned = counts.scanned;
    result.matched = counts.matched;
    result.hit_count = static_cast<u32>(heap.size());
    result.hit_text_units = static_cast<u32>(text_units);
    return status_ok;
}

}  // namespace
}  // namespace quorven::search_core

using namespace quorven::search_core;

extern "C" QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_query_v1(
    quorven_search_core_handle handle, const quorven_search_core_query_request_v1* request,
    quorven_search_core_query_result_v1* result) {
    if (qv::u32 status = check_records(request, result)) {
        return status;
    }
    if (handle == nullptr || request->query_units < 1 ||
        request->query_units > QUORVEN_SC_MAX_QUERY_UNITS || request->max_hits < 1 ||
        request->max_hits > max_entries || request->hit_capacity < request->max_hits ||
        request->query == 0 || request->hits == 0 || request->reserved0 != 0 ||
        !all_zero(request->reserved, sizeof request->reserved)) {
        return finish(*result, status_invalid_argument);
    }
    return finish(*result, run_query(*core_of(handle), *request, *result));
}
