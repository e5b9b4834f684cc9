// The commands of qsearch; main parses the command line into these options and runs one.
// Each returns the process exit code or throws Failure.
#pragma once

#include <quorven/search_core.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace qsearch {

// How find, recent and folders print their entries: for people (plain, or long with score, kind
// and time), or for other programs (NUL-terminated paths, or one JSON object per line).
enum class OutputMode { plain, long_format, null_terminated, json };

struct IndexOptions {
    std::string dir;
    std::string file = "qsearch.vrel";
    std::size_t max_entries = QUORVEN_SC_MAX_ENTRIES;
};

struct FindOptions {
    std::string file;
    std::string query;
    std::uint32_t limit = 20;
    OutputMode output = OutputMode::plain;
};

struct ListOptions {
    std::string file;
    std::uint32_t limit = 20;
    OutputMode output = OutputMode::plain;
};

struct UpdateOptions {
    std::string file;
    std::string dir;
};

struct StatsOptions {
    std::string file;
};

struct WatchOptions {
    std::string dir;
    std::string file = "qsearch.vrel";
};

struct UiOptions {
    std::string file;
};

int run_index(const IndexOptions& options);
int run_find(const FindOptions& options);
int run_recent(const ListOptions& options);
int run_folders(const ListOptions& options);
int run_update(const UpdateOptions& options);
int run_stats(const StatsOptions& options);
int run_watch(const WatchOptions& options);
int run_ui(const UiOptions& options);

}  // namespace qsearch
