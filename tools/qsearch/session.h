// Owner of one search-core store: wraps every export the commands use, turns records into
// plain C++ values and every failing status into a Failure with a message for the user.
#pragma once

#include <quorven/search_core.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qsearch {

std::string_view status_name(std::uint32_t status);

// The store's full path of an entry: the folder path, a backslash only when that path is not empty
// and does not end in a separator, then the name.
std::u16string full_path(std::u16string_view dir, std::u16string_view name);

struct Hit {
    std::uint32_t id;
    std::uint32_t score;
    std::int64_t ticks;
    bool is_folder;
};

struct QueryOutcome {
    std::vector<Hit> hits;
    std::uint32_t scanned = 0;
    std::uint32_t matched = 0;
    std::uint32_t text_units = 0;  // what copy_entries needs for the hits
};

struct CopiedEntry {
    std::uint32_t id;
    std::u16string dir;
    std::u16string name;
    bool is_folder;
    std::int64_t ticks;
};

struct ProjectedRow {
    std::u16string text;
    std::uint32_t file_count;
    std::int64_t ticks;
};

struct IndexFileInfo {
    std::uint64_t saved_at = 0;  // ticks, UTC
    std::uint64_t file_size = 0;
    std::uint32_t entry_count = 0;
    std::uint32_t dir_count = 0;
};

struct MutationCounts {
    std::uint32_t live = 0;
    std::uint32_t deleted = 0;
    std::uint32_t dirs = 0;
};

class Store {
  public:
    static Store create(std::uint32_t initial_entries, std::uint32_t initial_name_units);
    // cancel_object: a readable file descriptor (Windows: event handle) stops the load; 0 = none.
    static Store open(const std::string& path, std::uint64_t cancel_object, IndexFileInfo& info);

    Store(Store&& other) noexcept;
    Store& operator=(Store&& other) noexcept;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;
    ~Store();

    void add_batch(std::span<const quorven_search_core_entry_input_v1> records,
                   std::u16string_view text);
    void seal();
    quorven_search_core_stats_result_v1 stats() const;
    QueryOutcome query(std::u16string_view query, std::uint32_t max_hits);
    std::vector<CopiedEntry> copy_entries(std::span<const std::uint32_t> ids,
                                          std::uint32_t text_units_hint);
    std::vector<ProjectedRow> project(std::uint32_t mode, std::uint32_t max_rows);
    MutationCounts mutate(std::span<const quorven_search_core_mutation_v1> records,
                          std::u16string_view text);
    // Writes beside `path` first and renames over it, so `path` is the old or the new file.
    IndexFileInfo save(const std::string& path, std::uint64_t cancel_object);

  private:
    explicit Store(quorven_search_core_handle handle) : handle_(handle) {}
    quorven_search_core_handle handle_ = nullptr;
};

}  // namespace qsearch
