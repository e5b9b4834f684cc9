// Mutation batches and batch ingestion on stores of 300000 entries in 100000 folders, the load a
// file watcher puts on the library after a checkout or an unpacked archive. Each row reports the
// median time of its operation divided by the median streaming pass over the same store (every
// live entry record and name unit read once); add_batch is measured against a plain copy of the
// bytes it is given. The summary at the end prints each row's ratio beside its target and one
// line for every row that misses it.
//
// Times are the calling thread's CPU time, for the operations and the baselines alike: on a
// machine shared with other work, wall time measures the scheduler as much as the library.
//
// Rows that change the store put it back untimed (a removed entry is upserted again, new
// entries are removed again), so every repetition sees a store of the same size.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "lib/store.h"
#include "path_corpus.h"
#include "quorven/search_core.h"

namespace {

using bench::script;

constexpr uint32_t entry_count = 300000;
constexpr uint32_t folder_count = 100000;
constexpr uint32_t batch_records = QUORVEN_SC_MUTATION_BATCH_MAX;
constexpr uint32_t tree_entries = 10000;
constexpr uint64_t utc_kind = uint64_t{1} << 62;

using bench::blank;
using bench::require;
using bench::streaming_pass;

double cpu_seconds() {
    return bench::now_seconds(bench::clock_kind::thread_cpu);
}

double seconds_since(double start) {
    return cpu_seconds() - start;
}

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[samples.size() / 2];
}

std::u16string decimal(size_t n) {
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string full_path(const std::u16string& dir, const std::u16string& name) {
    if (dir.empty()) {
        return name;
    }
    bool separated = dir.back() == u'\\' || dir.back() == u'/';
    return separated ? dir + name : dir + u"\\" + name;
}

double median_pass_seconds(quorven_search_core_handle handle) {
    const auto& core = *reinterpret_cast<const quorven::search_core::search_core*>(handle);
    std::vector<double> samples;
    for (int i = 0; i < 51; ++i) {
        double start = cpu_seconds();
        benchmark::DoNotOptimize(streaming_pass(core));
        samples.push_back(seconds_since(start));
    }
    return median(samples);
}

// One mutation batch: records that refer to spans of one text.
class mutation_batch {
  public:
    void upsert(const std::u16string& dir, const std::u16string& name, uint64_t timestamp) {
        auto& r = add_record(QUORVEN_SC_MUTATION_UPSERT);
        r.dir_offset = append(dir);
        r.dir_length = static_cast<uint32_t>(dir.size());
        r.name_offset = append(name);
        r.name_length = static_cast<uint32_t>(name.size());
        r.timestamp = timestamp;
        r.time_binary = timestamp | utc_kind;
    }
    void remove(const std::u16string& path) { path_record(QUORVEN_SC_MUTATION_REMOVE, path); }
    void remove_tree(const std::u16string& path) {
        path_record(QUORVEN_SC_MUTATION_REMOVE_TREE, path);
    }
    size_t size() const { return records_.size(); }

    quorven_search_core_mutate_batch_result_v1 run(quorven_search_core_handle handle) const {
        auto request = blank<quorven_search_core_mutate_batch_request_v1>();
        request.records = QUORVEN_SC_PTR_TO_U64(records_.data());
        request.record_count = static_cast<uint32_t>(records_.size());
        request.text = QUORVEN_SC_PTR_TO_U64(text_.data());
        request.text_units = static_cast<uint32_t>(text_.size());
        auto result = blank<quorven_search_core_mutate_batch_result_v1>();
        quorven_search_core_mutate_batch_v1(handle, &request, &result);
        return result;
    }

  private:
    quorven_search_core_mutation_v1& add_record(uint32_t kind) {
        records_.push_back({});
        records_.back().kind = kind;
        return records_.back();
    }
    void path_record(uint32_t kind, const std::u16string& path) {
        auto& r = add_record(kind);
        r.path_offset = append(path);
        r.path_length = static_cast<uint32_t>(path.size());
    }
    uint32_t append(const std::u16string& s) {
        auto offset = static_cast<uint32_t>(text_.size());
        text_ += s;
        return offset;
    }

    std::u16string text_;
    std::vector<quorven_search_core_mutation_v1> records_;
};

// Batches are cut at the record limit; every batch must be applied.
void run_all(quorven_search_core_handle handle, const std::vector<mutation_batch>& batches) {
    for (const mutation_batch& b : batches) {
        require(b.run(handle).status == 0, "restoring batch");
    }
}

struct entry_text {
    std::u16string dir;
    std::u16string name;
    uint64_t timestamp;
};

// A sealed store of the corpus, and the paths the rows work on.
struct store_under_test {
    quorven_search_core_handle handle = nullptr;
    double pass_seconds = 0;
    double first_batch_seconds = 0;  // the first mutation batch after sealing
    std::vector<std::u16string> dirs;
    std::vector<entry_text> live;      // distinct live entries in corpus order
    std::vector<entry_text> set_free;  // removed once at setup, to leave room for new entries
    std::u16string tree;               // a folder with about tree_entries entries at or under it
    std::vector<entry_text> tree_members;
};

bool under(const std::u16string& path, const std::u16string& folder) {
    return path.size() >= folder.size() && std::equal(folder.begin(), folder.end(), path.begin()) &&
           (path.size() == folder.size() || path[folder.size()] == u'\\');
}

void pick_tree(store_under_test& s) {
    // The folder whose subtree is closest to tree_entries entries; subtrees are counted by
    // walking each entry's ancestors.
    std::map<std::u16string, uint32_t> counts;
    for (const entry_text& e : s.live) {
        std::u16string dir = e.dir;
        for (;;) {
            ++counts[dir];
            size_t cut = dir.find_last_of(u'\\');
            if (cut == std::u16string::npos || cut < 3) {
                break;
            }
            dir.resize(cut);
        }
    }
    uint32_t best_gap = UINT32_MAX;
    for (const auto& [dir, count] : counts) {
        uint32_t gap = count > tree_entries ? count - tree_entries : tree_entries - count;
        if (gap < best_gap) {
            best_gap = gap;
            s.tree = dir;
        }
    }
    for (const entry_text& e : s.live) {
        if (under(full_path(e.dir, e.name), s.tree)) {
            s.tree_members.push_back(e);
        }
    }
}

std::vector<mutation_batch> upserts_of(const std::vector<entry_text>& entries) {
    std::vector<mutation_batch> batches;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i % batch_records == 0) {
            batches.emplace_back();
        }
        batches.back().upsert(entries[i].dir, entries[i].name, entries[i].timestamp);
    }
    return batches;
}

std::vector<mutation_batch> removes_of(const std::vector<entry_text>& entries) {
    std::vector<mutation_batch> batches;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i % batch_records == 0) {
            batches.emplace_back();
        }
        batches.back().remove(full_path(entries[i].dir, entries[i].name));
    }
    return batches;
}

std::map<script, store_under_test>& stores() {
    static std::map<script, store_under_test> all;
    return all;
}

store_under_test& store_for(script kind) {
    store_under_test& s = stores()[kind];
    if (s.handle != nullptr) {
        return s;
    }
    bench::corpus c = bench::make_corpus(kind, entry_count, folder_count, 20240611);
    s.handle = bench::batch_input({c}).load();
    auto sealed = blank<quorven_search_core_seal_result_v1>();
    require(quorven_search_core_seal_v1(s.handle, &sealed) == 0, "seal");
    s.dirs = c.dirs;
    // Entries the corpus repeats (same folder, same name) would make an upsert batch name one
    // path twice; the rows use each path once.
    std::map<std::pair<uint32_t, std::u16string>, bool> seen;
    for (const auto& e : c.entries) {
        if (!seen[{e.dir, e.name}]) {
            seen[{e.dir, e.name}] = true;
            s.live.push_back({c.dirs[e.dir], e.name, e.timestamp});
        }
    }
    // Room for a batch of new entries: one batch of removes, which is also the first batch
    // after sealing (the one that pays for anything built on first need).
    s.set_free.assign(s.live.end() - batch_records, s.live.end());
    s.live.resize(s.live.size() - batch_records);
    double start = cpu_seconds();
    run_all(s.handle, removes_of(s.set_free));
    s.first_batch_seconds = seconds_since(start);
    pick_tree(s);
    s.pass_seconds = median_pass_seconds(s.handle);
    return s;
}

// Every `step`-th live entry, `count` of them, starting at `first`.
std::vector<entry_text> spread(const store_under_test& s, size_t count, size_t first = 0) {
    std::vector<entry_text> out;
    size_t step = s.live.size() / count;
    for (size_t i = 0; i < count; ++i) {
        out.push_back(s.live[(first + i * step) % s.live.size()]);
    }
    return out;
}

struct row_report {
    std::string name;
    double median_seconds = 0;
    double baseline_seconds = 0;
    double target = 0;
    const char* baseline_name = "pass";
};
std::vector<row_report>& reports() {
    static std::vector<row_report> all;
    return all;
}

// Times `op` once per iteration between untimed `before` and `after` steps.
template <typename Before, typename Op, typename After>
void timed_rows(benchmark::State& state, const std::string& name, double baseline, double target,
                Before before, Op op, After after) {
    std::vector<double> samples;
    for (auto _ : state) {
        before(samples.size());
        double start = cpu_seconds();
        op(samples.size());
        double seconds = seconds_since(start);
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        after(samples.size() - 1);
    }
    double m = median(samples);
    state.counters["median_ms"] = m * 1e3;
    state.counters["x_baseline"] = m / baseline;
    state.counters["target"] = target;
    reports().push_back({name, m, baseline, target});
}

void nothing(size_t) {}

void BM_UpsertExisting(benchmark::State& state, script kind, const std::string& name) {
    store_under_test& s = store_for(kind);
    mutation_batch batch = upserts_of(spread(s, batch_records)).front();
    timed_rows(
        state, name, s.pass_seconds, 10, nothing,
        [&](size_t) { require(batch.run(s.handle).status == 0, "upsert batch"); }, nothing);
}

void BM_UpsertNewFolders(benchmark::State& state, script kind, const std::string& name) {
    store_under_test& s = store_for(kind);
    std::vector<entry_text> fresh;
    std::vector<mutation_batch> batch;
    auto prepare = [&](size_t round) {
        fresh = spread(s, batch_records, round);
        std::u16string tag =
            kind == script::mostly_ascii ? u"new " : u"\u041d\u043e\u0432\u0430\u044f ";
        for (size_t i = 0; i < fresh.size(); ++i) {
            fresh[i].dir += u"\\" + tag + decimal(round) + u"_" + decimal(i);
        }
        batch = upserts_of(fresh);
    };
    timed_rows(
        state, name, s.pass_seconds, 10, prepare,
        [&](size_t) { require(batch.front().run(s.handle).status == 0, "new-folder batch"); },
        [&](size_t) { run_all(s.handle, removes_of(fresh)); });
}

void BM_Remove(benchmark::State& state, script kind, const std::string& name) {
    store_under_test& s = store_for(kind);
    std::vector<entry_text> doomed = spread(s, batch_records, 1);
    mutation_batch batch = removes_of(doomed).front();
    std::vector<mutation_batch> restore = upserts_of(doomed);
    timed_rows(
        state, name, s.pass_seconds, 10, nothing,
        [&](size_t) { require(batch.run(s.handle).status == 0, "remove batch"); },
        [&](size_t) { run_all(s.handle, restore); });
}

void BM_RemoveTree(benchmark::State& state, script kind, const std::string& name) {
    store_under_test& s = store_for(kind);
    mutation_batch batch;
    batch.remove_tree(s.tree);
    std::vector<mutation_batch> restore = upserts_of(s.tree_members);
    uint32_t live = 0;
    timed_rows(
        state, name, s.pass_seconds, 10, nothing,
        [&](size_t) {
            auto result = batch.run(s.handle);
            require(result.status == 0, "remove_tree batch");
            live = result.live_count;
        },
        [&](size_t) { run_all(s.handle, restore); });
    // The tree's entries as the benchmark counted them are the ones the store removed.
    require(
        live + s.tree_members.size() == upserts_of(s.tree_members).back().run(s.handle).live_count,
        "remove_tree members");
    state.counters["removed"] = static_cast<double>(s.tree_members.size());
}

void BM_OneUpsert(benchmark::State& state, script kind, const std::string& name) {
    store_under_test& s = store_for(kind);
    std::vector<mutation_batch> batches = upserts_of(spread(s, 1, 7));
    timed_rows(
        state, name, s.pass_seconds, 3, nothing,
        [&](size_t) { require(batches.front().run(s.handle).status == 0, "one upsert"); }, nothing);
}

void BM_OneRemove(benchmark::State& state, script kind, const std::string& name) {
    store_under_test& s = store_for(kind);
    std::vector<entry_text> doomed = spread(s, 1, 11);
    mutation_batch batch = removes_of(doomed).front();
    std::vector<mutation_batch> restore = upserts_of(doomed);
    timed_rows(
        state, name, s.pass_seconds, 3, nothing,
        [&](size_t) { require(batch.run(s.handle).status == 0, "one remove"); },
        [&](size_t) { run_all(s.handle, restore); });
}

// add_batch of half ASCII, half non-Latin trees into a fresh store, against allocating and
// copying the same records and text.
void BM_AddBatch(benchmark::State& state, const std::string& name) {
    static const bench::batch_input input({
        bench::make_corpus(script::mostly_ascii, entry_count / 2, folder_count / 2, 7),
        bench::make_corpus(script::mostly_non_latin, entry_count / 2, folder_count / 2, 8),
    });
    size_t record_bytes = input.records.size() * sizeof input.records[0];
    size_t text_bytes = input.text.size() * sizeof(char16_t);
    std::vector<double> copies;
    for (int i = 0; i < 11; ++i) {
        double start = cpu_seconds();
        std::unique_ptr<uint8_t[]> records(new uint8_t[record_bytes]);
        std::unique_ptr<uint8_t[]> text(new uint8_t[text_bytes]);
        std::memcpy(records.get(), input.records.data(), record_bytes);
        std::memcpy(text.get(), input.text.data(), text_bytes);
        benchmark::DoNotOptimize(records.get());
        benchmark::DoNotOptimize(text.get());
        copies.push_back(seconds_since(start));
    }
    quorven_search_core_handle handle = nullptr;
    timed_rows(
        state, name, median(copies), 3, nothing, [&](size_t) { handle = input.load(); },
        [&](size_t) { quorven_search_core_destroy_v1(handle); });
    reports().back().baseline_name = "copy";
    state.counters["text_units"] = static_cast<double>(input.text.size());
}

void register_rows() {
    auto add = [](const char* name, auto fn, auto... args) {
        return benchmark::RegisterBenchmark(name, fn, args..., std::string(name))
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    };
    for (auto [kind, tag] : {std::pair{script::mostly_ascii, std::string("ascii")},
                             std::pair{script::mostly_non_latin, std::string("non_ascii")}}) {
        static std::vector<std::string> names;  // the names outlive registration
        auto name = [&](const char* row) {
            names.push_back(row + tag);
            return names.back().c_str();
        };
        add(name("upsert_8192_existing_folders/"), BM_UpsertExisting, kind)->Iterations(5);
        add(name("upsert_8192_new_folders/"), BM_UpsertNewFolders, kind)->Iterations(5);
        add(name("remove_8192/"), BM_Remove, kind)->Iterations(5);
        add(name("remove_tree_10000/"), BM_RemoveTree, kind)->Iterations(5);
        add(name("one_upsert/"), BM_OneUpsert, kind)->Iterations(101);
        add(name("one_remove/"), BM_OneRemove, kind)->Iterations(101);
    }
    add("add_batch_300000_half_non_ascii", BM_AddBatch)->Iterations(5);
}

void print_summary() {
    std::printf("\n%-42s %12s %12s %9s %8s\n", "row", "median ms", "baseline ms", "ratio",
                "target");
    std::vector<std::string> misses;
    for (const row_report& r : reports()) {
        double ratio = r.median_seconds / r.baseline_seconds;
        std::printf("%-42s %12.3f %8.3f %-4s %8.1fx %7.0fx\n", r.name.c_str(),
                    r.median_seconds * 1e3, r.baseline_seconds * 1e3, r.baseline_name, ratio,
                    r.target);
        if (ratio > r.target) {
            char line[160];
            std::snprintf(line, sizeof line, "MISS %s: %.1fx, target %.0fx", r.name.c_str(), ratio,
                          r.target);
            misses.push_back(line);
        }
    }
    for (const auto& [kind, s] : stores()) {
        std::printf("first batch after sealing (%s): %.3f ms\n",
                    kind == script::mostly_ascii ? "ascii" : "non_ascii",
                    s.first_batch_seconds * 1e3);
    }
    for (const std::string& miss : misses) {
        std::printf("%s\n", miss.c_str());
    }
    if (misses.empty()) {
        std::printf("every row meets its target\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    register_rows();
    benchmark::RunSpecifiedBenchmarks();
    print_summary();
    benchmark::Shutdown();
    return 0;
}
