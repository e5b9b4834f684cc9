// Name query: one pass over every entry, scoring each live name against the query in place in
// the name pool and keeping the best N in a bounded heap. Another thread may cancel it. Once a
// pass has found the names in entry order, an ASCII query skims the pool as one text instead
// and reads only the entries around the places it finds, with the same hits and counts.

#include "lib/frame.h"
#include "lib/name_match.h"
#include "lib/name_skim.h"
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

// Fills `heap` with the best matches, entry by entry; status 5 as soon as the cancel flag is
// seen set. A walk that reaches the end also learns whether the names lie in entry order.
u32 walk_entries(search_core& core, utf16_span query, top_n_heap& heap, query_counts& counts) {
    const name_matcher matcher(query, core.entries.size() >= partner_search_entries);
    // Names may be read on into the rest of the pool, never past its end.
    const u16* pool = core.name_pool.data();
    const usize pool_units = core.name_pool.size();
    const u16* pool_end = pool + pool_units;
    const entry_record* entries = core.entries.data();
    const usize entry_count = core.entries.size();
    u64 names_end = 0;
    u64 live = 0;
    bool in_order = true;
    for (usize id = 0; id < entry_count; ++id) {
        if (core.cancel_requested.load_relaxed() != 0) {
            return status_cancelled;
        }
        const entry_record& entry = entries[id];
        in_order = in_order && entry.name_offset == names_end;
        names_end = u64{entry.name_offset} + entry.name_length;
        if (entry.deleted != 0) {
            continue;
        }
        ++live;
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
    // Not an observable change: only how later queries find the same hits.
    core.names_in_entry_order = in_order && live == core.live_count ? 1 : 0;
    return status_ok;
}

// The entry whose name holds pool unit `at`, searched from `from` on (whose name starts at or
// before `at`): a step to the next name when it is near, else a doubling search and a binary
// one. The names must lie in entry order, each starting where the previous ends.
usize entry_holding(const entry_record* entries, usize entry_count, usize from, usize at) {
    const entry_record& current = entries[from];
    if (at < usize{current.name_offset} + current.name_length) {
        return from;
    }
    usize low = from + 1;  // its name starts where the current one ends, at or before `at`
    usize step = 1;
    while (low + step < entry_count && entries[low + step].name_offset <= at) {
        low += step;
        step *= 2;
    }
    usize high = low + step < entry_count ? low + step : entry_count;
    while (high - low > 1) {
        usize middle = low + (high - low) / 2;
        if (entries[middle].name_offset <= at) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low;
}

// Units a skim covers between two looks at the cancel flag.
constexpr usize skim_stretch = 0x4000;

// The same hits as walk_entries for an ASCII query, when the names lie in entry order: the pool
// is skimmed as one text for places where the query may start, and only the entries holding
// them are read. Every live entry counts as scanned.
u32 skim_names(const search_core& core, utf16_span query, top_n_heap& heap, query_counts& counts) {
    if (core.cancel_requested.load_relaxed() != 0) {
        return status_cancelled;
    }
    const name_skimmer skimmer(query);
    const u16* pool = core.name_pool.data();
    const usize pool_units = core.name_pool.size();
    const entry_record* entries = core.entries.data();
    const usize entry_count = core.entries.size();
    const entry_record& last = entries[entry_count - 1];
    const usize names_end = usize{last.name_offset} + last.name_length;
    QV_CHECK(names_end <= pool_units);
    // Runs start from 0 up to the last one that ends with the last name.
    const usize starts = names_end >= query.length ? names_end - query.length + 1 : 0;
    usize at = 0;
    usize id = 0;
    while (at < starts) {
        if (core.cancel_requested.load_relaxed() != 0) {
            return status_cancelled;
        }
        const usize stretch_end = starts - at > skim_stretch ? at + skim_stretch : starts;
        at = skimmer.next(pool, at, stretch_end, pool_units);
        if (at == stretch_end) {
            continue;
        }
        id = entry_holding(entries, entry_count, id, at);
        const entry_record& entry = entries[id];
        const usize name_end = usize{entry.name_offset} + entry.name_length;
        // A run reaching past its name, and every later one in that name, belongs to no name.
        if (entry.deleted != 0 || at + query.length > name_end) {
            at = name_end;
            continue;
        }
        if (!skimmer.equal_at(pool + at)) {
            ++at;
            continue;
        }
        // The first equal run of a name decides its score, as in name_matcher.
        u32 score = at != entry.name_offset             ? score_contains
                    : entry.name_length == query.length ? score_exact
                                                        : score_prefix;
        counts.matched = qv::add_saturating(counts.matched, 1u);
        heap.offer({entry.timestamp, static_cast<u32>(id), score, entry.is_folder});
        at = name_end;
    }
    counts.scanned =
        core.live_count > qv::u32_max ? qv::u32_max : static_cast<u32>(core.live_count);
    return status_ok;
}

u32 run_query(search_core& core, const quorven_search_core_query_request_v1& request,
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
    bool skim = core.names_in_entry_order != 0 && is_ascii(query);
    if (u32 status = skim ? skim_names(core, query, heap, counts)
                          : walk_entries(core, query, heap, counts)) {
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
