// What every benchmark case shares: building a store through the exports, timing by the fastest
// of several runs (other work on a shared machine only ever adds time), and the report, in which
// each case states its ratio against a baseline measured in the same run and the target beside
// it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "path_corpus.h"
#include "quorven/search_core.h"

namespace quorven::search_core {
struct search_core;
}

namespace bench {

template <typename Record>
Record blank() {
    Record r{};
    r.size = sizeof r;
    r.version = 1;
    return r;
}

// The memory-bound floor of any scan: every live entry's record and every unit of its name,
// read once.
uint64_t streaming_pass(const quorven::search_core::search_core& core);

// Ends the program with a message when a setup step fails.
void require(bool ok, const char* what);

// add_batch input for the entries of `parts`: all directories first, then all names, in one
// text the records point into.
struct batch_input {
    std::u16string text;
    std::vector<quorven_search_core_entry_input_v1> records;

    explicit batch_input(const std::vector<corpus>& parts);
    // A new store holding every record, fed through one add_batch, not sealed.
    quorven_search_core_handle load() const;
};

// A sealed store holding every entry of `c`, fed through add_batch.
quorven_search_core_handle build_store(const corpus& c);

// The fastest of `runs` calls of `work`, in seconds of the calling thread's processor time
// (user and system, page faults and the kernel's copies included), which other work on a
// shared machine barely changes; or of wall time where waiting is part of the cost (fsync).
enum class clock_kind { thread_cpu, wall };

double now_seconds(clock_kind kind);

template <typename Work>
double fastest_seconds(int runs, Work&& work, clock_kind kind = clock_kind::thread_cpu) {
    double fastest = 1e9;
    for (int i = 0; i < runs; ++i) {
        double start = now_seconds(kind);
        work();
        double took = now_seconds(kind) - start;
        fastest = took < fastest ? took : fastest;
    }
    return fastest;
}

// Whether the target bounds the value from above (ratios of time) or from below (throughput).
enum class bound { at_most, at_least };

struct report_row {
    std::string name;
    double value;
    bound kind;
    double target;
    std::string unit;    // "x" for ratios, "MB/s", ...
    std::string detail;  // what the value was measured against
};

class report {
  public:
    void add(report_row row);
    // Prints every row, then one line per missed target; returns the number of misses.
    int print() const;

  private:
    std::vector<report_row> rows_;
};

}  // namespace bench
