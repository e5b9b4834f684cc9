// Walks a folder tree without following symbolic links and lists every entry below it, with
// folder paths and names in UTF-16 as the search core stores them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qsearch {

// The separator the walk ends folder paths in.
constexpr auto kPathSeparator = static_cast<char16_t>(std::filesystem::path::preferred_separator);

struct WalkedEntry {
    std::uint32_t dir;  // index into WalkedTree::dirs
    std::u16string name;
    std::uint64_t ticks;  // modification time, ticks since 0001-01-01 UTC
    bool is_folder;
};

struct WalkedTree {
    // The walked folder, absolute, without a trailing separator (unless it is a root).
    std::u16string root;
    // Folder paths, each ending in the separator, so that the store's full path of an entry
    // (folder path + name) never needs the separator it would otherwise add.
    std::vector<std::u16string> dirs;
    std::vector<WalkedEntry> entries;  // children of each folder together, in byte order
    std::size_t unreadable = 0;        // folders or entries that could not be read
    std::size_t invalid_names = 0;     // names that are not valid UTF-8
    std::size_t case_twins = 0;        // names dropped as twins of a sibling
    std::size_t other_file_systems = 0;
    bool truncated = false;  // stopped at max_entries
};

struct WalkOptions {
    std::size_t max_entries = 0;
    // Told the entry count now and then; may throw to stop the walk.
    std::function<void(std::size_t entries)> on_progress;
    // One line about a folder or entry that is skipped.
    std::function<void(const std::string& message)> on_problem;
    // Given the sorted names of one folder, marks the ones to leave out.
    std::function<std::vector<bool>(const std::vector<std::u16string>& names)> find_twins;
};

// Throws Failure when `root` is not a readable folder.
WalkedTree walk_tree(const std::filesystem::path& root, const WalkOptions& options);

// Ticks since 0001-01-01 of a time given as seconds and nanoseconds since the Unix epoch,
// clamped to the range the store accepts.
std::uint64_t ticks_from_unix_time(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace qsearch
