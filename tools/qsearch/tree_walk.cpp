#include "tree_walk.h"

#include <quorven/search_core.h>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "failure.h"
#include "utf.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace qsearch {
namespace fs = std::filesystem;

namespace {

Utf16Text native_to_utf16(const fs::path::string_type& native) {
#if !defined(_WIN32)
    return utf8_to_utf16(native);
#else
    return {std::u16string(native.begin(), native.end()), 0};
#endif
}

std::string display(const fs::path& path) {
    return path.string();
}

struct PendingFolder {
    fs::path path;
    std::u16string text;  // ends in the separator
};

}  // namespace

bool read_entry_status(const fs::path& path, EntryStatus& status, std::error_code& error,
                       bool follow) {
#if !defined(_WIN32)
    struct stat info;
    if ((follow ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) != 0) {
        error.assign(errno, std::generic_category());
        return false;
    }
    status.is_folder = S_ISDIR(info.st_mode);
    status.ticks = ticks_from_unix_time(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    status.device = static_cast<std::uint64_t>(info.st_dev);
    return true;
#else
    const fs::file_status kind = follow ? fs::status(path, error) : fs::symlink_status(path, error);
    if (error) {
        return false;
    }
    status.is_folder = fs::is_directory(kind);
    const auto written = fs::last_write_time(path, error);
    if (error) {
        return false;
    }
    const auto since_epoch = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::file_clock::to_sys(written).time_since_epoch());
    const std::int64_t count = since_epoch.count();
    status.ticks = ticks_from_unix_time(count / 1000000000, count % 1000000000);
    return true;
#endif
}

bool list_folder_names(const fs::path& folder, const TwinFinder& find_twins, FolderNames& listed,
                       std::error_code& error) {
    listed = {};
    fs::directory_iterator it(folder, error);
    if (error) {
        return false;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        listed.natives.push_back(it->path().filename());
    }
    listed.incomplete = error;
    error.clear();
    std::sort(listed.natives.begin(), listed.natives.end(),
              [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    listed.names.reserve(listed.natives.size());
    for (const fs::path& child : listed.natives) {
        Utf16Text name = native_to_utf16(child.native());
        if (name.replaced != 0) {
            ++listed.invalid_names;
        }
        listed.names.push_back(std::move(name.text));
    }
    listed.twins.assign(listed.names.size(), false);
    if (listed.names.size() > 1 && find_twins) {
        listed.twins = find_twins(listed.names);
    }
    return true;
}

std::uint64_t ticks_from_unix_time(std::int64_t seconds, std::int64_t nanoseconds) {
    constexpr std::int64_t kFirstSecond = -62135596800;  // 0001-01-01 relative to 1970
    constexpr std::int64_t kLastSecond = 253402300799;   // 9999-12-31T23:59:59
    seconds += nanoseconds / 1000000000;
    nanoseconds %= 1000000000;
    if (nanoseconds < 0) {
        nanoseconds += 1000000000;
        --seconds;
    }
    if (seconds < kFirstSecond) {
        return 0;
    }
    if (seconds > kLastSecond) {
        return QUORVEN_SC_MAX_TICKS;
    }
    return static_cast<std::uint64_t>(seconds - kFirstSecond) * 10000000u +
           static_cast<std::uint64_t>(nanoseconds / 100);
}

RootFolder resolve_root(const fs::path& root_argument) {
    std::error_code error;
    RootFolder root;
    root.path = fs::absolute(root_argument, error).lexically_normal();
    if (error) {
        throw Failure("cannot resolve '" + display(root_argument) + "': " + error.message());
    }
    if (root.path.has_relative_path() && root.path.filename().empty()) {
        root.path = root.path.parent_path();  // "/a/b/" -> "/a/b"
    }
    // The root itself may be a link to a folder: the user named it.
    if (!fs::is_directory(root.path, error)) {
        throw Failure("'" + display(root_argument) + "' is not a folder");
    }
    if (!read_entry_status(root.path, root.status, error, true)) {
        throw Failure("cannot read '" + display(root_argument) + "': " + error.message());
    }
    root.text = native_to_utf16(root.path.native()).text;
    return root;
}

std::u16string folder_text(std::u16string path) {
    if (path.empty() || path.back() != kPathSeparator) {
        path.push_back(kPathSeparator);
    }
    return path;
}

WalkedTree walk_tree(const fs::path& root_argument, const WalkOptions& options) {
    std::error_code error;
    const RootFolder root = resolve_root(root_argument);
    const EntryStatus& root_status = root.status;
    WalkedTree tree;
    tree.root = root.text;
    const std::u16string root_text = folder_text(root.text);

    std::vector<PendingFolder> stack;
    stack.push_back({root.path, root_text});
    bool is_root = true;
    while (!stack.empty() && !tree.truncated) {
        PendingFolder folder = std::move(stack.back());
        stack.pop_back();

        FolderNames listed;
        if (!list_folder_names(folder.path, options.find_twins, listed, error)) {
            if (is_root) {
                throw Failure("cannot read '" + display(root_argument) + "': " + error.message());
            }
            ++tree.unreadable;
            options.on_problem("cannot read folder " + display(folder.path) + ": " +
                               error.message() + "; skipped");
            continue;
        }
        is_root = false;
        if (listed.incomplete) {
            ++tree.unreadable;
            options.on_problem("cannot list all of folder " + display(folder.path) + ": " +
                               listed.incomplete.message() + "; indexed what was listed");
        }
        tree.invalid_names += listed.invalid_names;
        if (listed.natives.empty()) {
            continue;
        }
        const std::vector<fs::path>& children = listed.natives;
        const std::vector<std::u16string>& names = listed.names;
        const std::vector<bool>& twins = listed.twins;

        const auto dir_id = static_cast<std::uint32_t>(tree.dirs.size());
        tree.dirs.push_back(folder.text);
        std::vector<PendingFolder> subfolders;
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (twins[i]) {
                ++tree.case_twins;
                continue;
            }
            if (tree.entries.size() >= options.max_entries) {
                tree.truncated = true;
                break;
            }
            const fs::path path = folder.path / children[i];
            EntryStatus status;
            if (!read_entry_status(path, status, error)) {
                ++tree.unreadable;
                options.on_problem("cannot read " + display(path) + ": " + error.message() +
                                   "; skipped");
                continue;
            }
            tree.entries.push_back({dir_id, names[i], status.ticks, status.is_folder});
            if (!status.is_folder) {
                continue;
            }
#if !defined(_WIN32)
            if (status.device != root_status.device) {
                ++tree.other_file_systems;
                options.on_problem("not descending into " + display(path) +
                                   ": another file system");
                continue;
            }
#endif
            subfolders.push_back({path, folder.text + names[i] + kPathSeparator});
        }
        // Reversed onto the stack so that folders are walked in byte order.
        for (auto sub = subfolders.rbegin(); sub != subfolders.rend(); ++sub) {
            stack.push_back(std::move(*sub));
        }
        if (options.on_progress) {
            options.on_progress(tree.entries.size());
        }
    }
    return tree;
}

}  // namespace qsearch
