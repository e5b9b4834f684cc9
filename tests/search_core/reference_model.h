// A deliberately plain model of the store for differential tests: case-insensitive comparison
// written out from its definition, scoring by trying every window, ranking by sorting all
// candidates, and projections by counting over all entries. It shares no code with the library
// and favours being obviously right over being fast.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace reference {

// Case-insensitive equality of two UTF-16 strings (ICU simple upper case, ASCII by bit 5).
bool equal_ci(std::u16string_view a, std::u16string_view b);

// The full path: directory, a backslash unless the directory is empty or ends in a separator,
// then the name.
std::u16string full_path(std::u16string_view dir, std::u16string_view name);

struct entry {
    std::u16string dir;  // the directory's stored spelling (its first spelling in the store)
    uint32_t dir_id = 0;
    std::u16string name;
    int64_t timestamp = 0;
    uint32_t is_folder = 0;
    bool deleted = false;
    uint32_t generation = 0;
};

// One record of a mutation batch, in readable form. `reserved` stands for any record the host
// got wrong in a way the library refuses with 1.
struct mutation {
    enum kind_t { upsert = 1, remove = 2, remove_tree = 3, sweep = 4 } kind;
    std::u16string dir;   // upsert
    std::u16string name;  // upsert
    std::u16string path;  // remove, remove_tree, sweep
    int64_t timestamp = 0;
    uint64_t time_binary = 0;
    uint32_t generation = 0;
    uint32_t is_folder = 0;
    bool reserved = false;
};

struct hit {
    uint32_t id;
    uint32_t score;
    int64_t timestamp;
    uint32_t is_folder;
    bool operator==(const hit&) const = default;
};

struct query_answer {
    uint32_t scanned = 0;
    uint32_t matched = 0;
    std::vector<hit> hits;
    uint64_t text_units = 0;  // directory plus name units of the hits
};

struct row {
    std::u16string text;
    uint32_t file_count;
    uint32_t tag;
    int64_t timestamp;
    bool operator==(const row&) const = default;
};

class model {
  public:
    // Appends an entry the way add_batch does; returns its id. Directories equal under
    // equal_ci are one directory, spelled as first added.
    uint32_t add(const std::u16string& dir, const std::u16string& name, int64_t timestamp,
                 uint32_t is_folder);
    // Applies a batch all or nothing and returns its status: 0, or the first failing record's.
    uint32_t mutate(const std::vector<mutation>& batch);

    const std::vector<entry>& entries() const { return entries_; }
    const std::vector<std::u16string>& dirs() const { return dirs_; }
    uint32_t live_count() const;

    // 100 exact, 80 prefix, 50 contains, 0 no match.
    static uint32_t score(std::u16string_view name, std::u16string_view query);

    query_answer query(std::u16string_view query, uint32_t max_hits) const;
    // Mode 1: newest live files with full paths; mode 2: directories with the most live files.
    std::vector<row> project(uint32_t mode, uint32_t max_rows) const;

  private:
    std::vector<entry> entries_;
    std::vector<std::u16string> dirs_;
};

}  // namespace reference
