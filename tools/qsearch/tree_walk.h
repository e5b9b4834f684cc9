// Walks a folder tree without following symbolic links and lists every entry below it, with
// folder paths and names in UTF-16 as the search core stores them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
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

// Given the sorted names of one folder, marks the ones to leave out.
using TwinFinder = std::function<std::vector<bool>(const std::vector<std::u16string>& names)>;

struct WalkOptions {
    std::size_t max_entries = 0;
    // Told the entry count now and then; may throw to stop the walk.
    std::function<void(std::size_t entries)> on_progress;
    // One line about a folder or entry that is skipped.
    std::function<void(const std::string& message)> on_problem;
    TwinFinder find_twins;
};

// Throws Failure when `root` is not a readable folder.
WalkedTree walk_tree(const std::filesystem::path& root, const WalkOptions& options);

struct EntryStatus {
    bool is_folder = false;
    std::uint64_t ticks = 0;
    std::uint64_t device = 0;
};

// The entry itself, not what a symbolic link points to, unless `follow` (for the root only).
bool read_entry_status(const std::filesystem::path& path, EntryStatus& status,
                       std::error_code& error, bool follow = false);

// The children of one folder in byte order, as the walk takes them.
struct FolderNames {
    std::vector<std::filesystem::path> natives;  // the names on disk
    std::vector<std::u16string> names;           // the same, as the index stores them
    std::vector<bool> twins;                     // names to leave out
    std::size_t invalid_names = 0;               // names that are not valid UTF-8
    std::error_code incomplete;                  // set when the listing stopped early
};

// False (with `error`) when the folder cannot be opened.
bool list_folder_names(const std::filesystem::path& folder, const TwinFinder& find_twins,
                       FolderNames& listed, std::error_code& error);

// The folder a walk starts from: absolute, normalised, without a trailing separator (unless it
// is a root), followed if it is a link. Throws Failure when it is not a readable folder.
struct RootFolder {
    std::filesystem::path path;
    std::u16string text;  // the path as the index stores it
    EntryStatus status;
};
RootFolder resolve_root(const std::filesystem::path& root_argument);

// A folder path as the index stores it: ending in the separator.
std::u16string folder_text(std::u16string path);

// Ticks since 0001-01-01 of a time given as seconds and nanoseconds since the Unix epoch,
// clamped to the range the store accepts.
std::uint64_t ticks_from_unix_time(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace qsearch
