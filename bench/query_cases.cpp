// Query speed over a full store, against a plain streaming pass over the same entry records and
// name units (the memory-bound floor of any scan). A query that matches almost nothing should
// beat the pass by skipping; one with many matches may cost a little more than it.

#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench_cases.h"
#include "lib/store.h"

namespace bench {
namespace {

constexpr uint32_t max_hits = 100;
constexpr int query_runs = 15;

std::string utf8_of(const std::u16string& text) {
    std::string out;
    for (char16_t u : text) {
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

}  // namespace

void run_query_cases(const char* tree, quorven_search_core_handle handle,
                     const std::vector<query_case>& cases, report& out) {
    const auto& core = *reinterpret_cast<const quorven::search_core::search_core*>(handle);
    double pass = fastest_seconds(51, [&] { benchmark::DoNotOptimize(streaming_pass(core)); });
    std::printf("%s: %zu entries, %zu name units, streaming pass %.3f ms\n", tree,
                core.entries.size(), core.name_pool.size(), pass * 1e3);
    std::vector<quorven_search_core_hit_v1> hits(max_hits);
    for (const query_case& q : cases) {
        auto request = blank<quorven_search_core_query_request_v1>();
        request.query = QUORVEN_SC_PTR_TO_U64(q.text.data());
        request.query_units = static_cast<uint32_t>(q.text.size());
        request.max_hits = max_hits;
        request.hits = QUORVEN_SC_PTR_TO_U64(hits.data());
        request.hit_capacity = max_hits;
        auto result = blank<quorven_search_core_query_result_v1>();
        double took = fastest_seconds(query_runs, [&] {
            require(quorven_search_core_query_v1(handle, &request, &result) == 0, "query");
            benchmark::ClobberMemory();
        });
        // Rare: at most one name in a thousand matches.
        bool rare = uint64_t{result.matched} * 1000 <= result.scanned;
        double target = q.non_ascii ? 2.0 : rare ? 0.7 : 1.3;
        char detail[160];
        std::snprintf(detail, sizeof detail, "%.3f ms, %u matched, x streaming pass", took * 1e3,
                      result.matched);
        out.add(
            {std::string("query ") + tree + " \"" + utf8_of(q.text) + "\"" + (rare ? " rare" : ""),
             took / pass, bound::at_most, target, "x", detail});
    }
}

}  // namespace bench
