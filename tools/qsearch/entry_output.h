// Entries printed for other programs: NUL-terminated paths (for xargs -0) or one JSON object
// per line. Both carry the plain path, never the terminal's highlighting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qsearch {

struct EntryRecord {
    std::string path;
    bool is_folder = false;
    std::int64_t ticks = 0;
    std::optional<std::uint32_t> score;       // find only
    std::optional<std::uint32_t> file_count;  // folders only
};

// The path followed by one NUL byte.
void print_null_terminated(std::string_view path);

// {"path":...,"name":...,"folder":...,"modified":...[,"score":N][,"files":N]} and a line end;
// "modified" is UTC in ISO 8601 with the ticks' fraction of a second when it is not zero.
void print_json(const EntryRecord& entry);

// The last component of a path as the walk writes it, ignoring a trailing separator.
std::string_view last_component(std::string_view path);

}  // namespace qsearch
