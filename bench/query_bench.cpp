// Query speed over a full store of 300000 entries, against a plain streaming pass over the same
// entry records and name units (the memory-bound floor of any scan). Each query benchmark
// reports `x_baseline`: its fastest query divided by the fastest streaming pass. Minimums are
// compared because other work on a shared machine only ever adds time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "lib/store.h"
#include "path_corpus.h"
#include "quorven/search_core.h"

namespace {

using bench::script;
using clock_type = std::chrono::steady_clock;

constexpr uint32_t entry_count = 300000;
constexpr uint32_t max_hits = 100;

template <typename Record>
Record blank() {
    Record r{};
    r.size = sizeof r;
    r.version = 1;
    return r;
}

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "benchmark setup failed: %s\n", what);
        std::exit(1);
    }
}

// The memory-bound floor: every live entry's record and every unit of its name, read once.
uint64_t streaming_pass(const quorven::search_core::search_core& core) {
    uint64_t sum = 0;
    const uint16_t* pool = core.name_pool.data();
    for (const auto& entry : core.entries) {
        if (entry.deleted != 0) {
            continue;
        }
        const uint16_t* name = pool + entry.name_offset;
        for (uint32_t i = 0; i < entry.name_length; ++i) {
            sum += name[i];
        }
        sum ^= static_cast<uint64_t>(entry.timestamp);
    }
    return sum;
}

struct loaded_store {
    quorven_search_core_handle handle = nullptr;
    double pass_seconds = 0;  // the fastest of several streaming passes
};

quorven_search_core_handle build_store(script kind) {
    bench::corpus c = bench::make_corpus(kind, entry_count, 20240611);
    // All directories first, then all names; the records point into this one text.
    std::u16string text;
    std::vector<uint32_t> dir_offsets;
    for (const auto& dir : c.dirs) {
        dir_offsets.push_back(static_cast<uint32_t>(text.size()));
        text += dir;
    }
    std::vector<quorven_search_core_entry_input_v1> records;
    for (const auto& e : c.entries) {
        quorven_search_core_entry_input_v1 r{};
        r.dir_offset = dir_offsets[e.dir];
        r.dir_length = static_cast<uint32_t>(c.dirs[e.dir].size());
        r.name_offset = static_cast<uint32_t>(text.size());
        r.name_length = static_cast<uint32_t>(e.name.size());
        r.timestamp = e.timestamp;
        r.is_folder = e.is_folder;
        text += e.name;
        records.push_back(r);
    }
    auto create = blank<quorven_search_core_create_request_v1>();
    create.initial_entries = entry_count;
    auto created = blank<quorven_search_core_create_result_v1>();
    require(quorven_search_core_create_v1(&create, &created) == 0, "create");
    auto handle = QUORVEN_SC_HANDLE_FROM_U64(created.handle);
    auto add = blank<quorven_search_core_add_batch_request_v1>();
    add.records = QUORVEN_SC_PTR_TO_U64(records.data());
    add.record_count = static_cast<uint32_t>(records.size());
    add.text = QUORVEN_SC_PTR_TO_U64(text.data());
    add.text_units = static_cast<uint32_t>(text.size());
    auto added = blank<quorven_search_core_add_batch_result_v1>();
    require(quorven_search_core_add_batch_v1(handle, &add, &added) == 0, "add_batch");
    auto sealed = blank<quorven_search_core_seal_result_v1>();
    require(quorven_search_core_seal_v1(handle, &sealed) == 0, "seal");
    return handle;
}

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

double fastest_pass_seconds(quorven_search_core_handle handle) {
    const auto& core = *reinterpret_cast<const quorven::search_core::search_core*>(handle);
    double fastest = 1e9;
    for (int i = 0; i < 51; ++i) {
        auto start = clock_type::now();
        benchmark::DoNotOptimize(streaming_pass(core));
        fastest = std::min(fastest, seconds_since(start));
    }
    return fastest;
}

const loaded_store& store_for(script kind) {
    static std::map<script, loaded_store> stores;
    loaded_store& s = stores[kind];
    if (s.handle == nullptr) {
        s.handle = build_store(kind);
        s.pass_seconds = fastest_pass_seconds(s.handle);
    }
    return s;
}

void BM_StreamingPass(benchmark::State& state, script kind) {
    const loaded_store& s = store_for(kind);
    const auto& core = *reinterpret_cast<const quorven::search_core::search_core*>(s.handle);
    for (auto _ : state) {
        benchmark::DoNotOptimize(streaming_pass(core));
    }
    state.counters["entries"] = static_cast<double>(core.entries.size());
    state.counters["name_units"] = static_cast<double>(core.name_pool.size());
}

void BM_Query(benchmark::State& state, script kind, std::u16string query) {
    const loaded_store& s = store_for(kind);
    std::vector<quorven_search_core_hit_v1> hits(max_hits);
    auto request = blank<quorven_search_core_query_request_v1>();
    request.query = QUORVEN_SC_PTR_TO_U64(query.data());
    request.query_units = static_cast<uint32_t>(query.size());
    request.max_hits = max_hits;
    request.hits = QUORVEN_SC_PTR_TO_U64(hits.data());
    request.hit_capacity = max_hits;
    auto result = blank<quorven_search_core_query_result_v1>();
    double fastest = 1e9;
    for (auto _ : state) {
        auto start = clock_type::now();
        if (quorven_search_core_query_v1(s.handle, &request, &result) != 0) {
            state.SkipWithError("query failed");
            return;
        }
        benchmark::ClobberMemory();
        fastest = std::min(fastest, seconds_since(start));
    }
    state.counters["matched"] = result.matched;
    state.counters["query_units"] = static_cast<double>(query.size());
    state.counters["fastest_ms"] = fastest * 1e3;
    state.counters["pass_ms"] = s.pass_seconds * 1e3;
    state.counters["x_baseline"] = fastest / s.pass_seconds;
}

// Short and long queries, with many and with few matches, over both trees.
BENCHMARK_CAPTURE(BM_StreamingPass, ascii, script::mostly_ascii)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, ascii_short_common, script::mostly_ascii, u"re")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, ascii_short_rare, script::mostly_ascii, u"xy")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, ascii_long_common, script::mostly_ascii, u"Presentation")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, ascii_long_rare, script::mostly_ascii, u"XYLOPHONE_sonata")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_StreamingPass, non_latin, script::mostly_non_latin)
    ->Unit(benchmark::kMillisecond);
// до, кс, ПРЕЗЕНТАЦИЯ, КСИЛОФОН_соната, 照片
BENCHMARK_CAPTURE(BM_Query, non_latin_short_common, script::mostly_non_latin, u"\u0434\u043e")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, non_latin_short_rare, script::mostly_non_latin, u"\u043a\u0441")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, non_latin_long_common, script::mostly_non_latin,
                  u"\u041f\u0420\u0415\u0417\u0415\u041d\u0422\u0410\u0426\u0418\u042f")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, non_latin_long_rare, script::mostly_non_latin,
                  u"\u041a\u0421\u0418\u041b\u041e\u0424\u041e\u041d_\u0441\u043e\u043d\u0430"
                  u"\u0442\u0430")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, non_latin_cjk_common, script::mostly_non_latin, u"\u7167\u7247")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, non_latin_ascii_extension, script::mostly_non_latin, u".PDF")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
