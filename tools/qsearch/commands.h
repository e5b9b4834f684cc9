// The commands of qsearch; main parses the command line into these options and runs one.
// Each returns the process exit code or throws Failure.
#pragma once

#include <quorven/search_core.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace qsearch {

struct IndexOptions {
    std::string dir;
    std::string file = "qsearch.vrel";
    std::size_t max_entries = QUORVEN_SC_MAX_ENTRIES;
};

struct FindOptions {
    std::string file;
    std::string query;
    std::uint32_t limit = 20;
    bool long_format = false;
};

struct ListOptions {
    std::string file;
    std::uint32_t limit = 20;
};

struct UpdateOptions {
    std::string file;
    std::string dir;
};

struct StatsOptions {
    std::string file;
};

int run_index(const IndexOptions& options);
int run_find(const FindOptions& options);
int run_recent(const ListOptions& options);
int run_folders(const ListOptions& options);
int run_update(const UpdateOptions& options);
int run_stats(const StatsOptions& options);

}  // namespace qsearch
