#include "folder_watcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>

#include "failure.h"
#include "tree_mirror.h"

namespace qsearch {
namespace {

constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                        IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF |
                                        IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;
constexpr std::uint32_t kChildComesOrGoes = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kChildWritten = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE;

std::size_t number_from_environment(const char* name) {
    const char* text = std::getenv(name);
    return text == nullptr ? 0 : static_cast<std::size_t>(std::strtoull(text, nullptr, 10));
}

std::string system_watch_limit() {
    std::ifstream in("/proc/sys/fs/inotify/max_user_watches");
    std::string limit;
    return in >> limit ? limit : "unknown";
}

}  // namespace

FolderWatcher::FolderWatcher(std::string root)
    : root_(std::move(root)),
      fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
      max_watches_(number_from_environment("QSEARCH_WATCH_MAX_WATCHES")),
      overflow_every_(number_from_environment("QSEARCH_WATCH_OVERFLOW_EVERY")) {
    if (fd_ < 0) {
        throw Failure(std::string("cannot start inotify: ") + std::strerror(errno) +
                      (errno == EMFILE ? " (the limit fs.inotify.max_user_instances is reached; "
                                         "stop another watcher or raise it)"
                                       : ""));
    }
}

FolderWatcher::~FolderWatcher() {
    close(fd_);
}

bool FolderWatcher::add(const std::string& folder) {
    int wd = -1;
    if (max_watches_ != 0 && watch_by_folder_.size() >= max_watches_) {
        errno = ENOSPC;
    } else {
        // The root may be a link to a folder, which the user named: follow it.
        const std::uint32_t follow = folder == root_ ? IN_DONT_FOLLOW : 0;
        wd = inotify_add_watch(fd_, folder.c_str(), kFolderEvents & ~follow);
    }
    if (wd < 0) {
        // A folder gone already, or unreadable, is the listing's business.
        if (errno == ENOENT || errno == ENOTDIR || errno == EACCES) {
            return true;
        }
        if (!limit_warned_) {
            limit_warned_ = true;
            const std::string limit =
                max_watches_ != 0 ? std::to_string(max_watches_) : system_watch_limit();
            warn("cannot watch every folder: the limit of " + limit +
                 " inotify watches per user is reached (fs.inotify.max_user_watches; raise it "
                 "with sysctl); the folders left unwatched are rescanned every few seconds");
        }
        return false;
    }
    // A folder moved within the tree keeps its watch: the same inode gives the same descriptor.
    const auto previous = folder_by_watch_.find(wd);
    if (previous != folder_by_watch_.end()) {
        watch_by_folder_.erase(previous->second);
    }
    folder_by_watch_[wd] = folder;
    watch_by_folder_[folder] = wd;
    return true;
}

void FolderWatcher::remove(const std::string& folder) {
    const auto found = watch_by_folder_.find(folder);
    if (found == watch_by_folder_.end()) {
        return;
    }
    const int wd = found->second;
    watch_by_folder_.erase(found);
    const auto owner = folder_by_watch_.find(wd);
    if (owner != folder_by_watch_.end() && owner->second == folder) {
        folder_by_watch_.erase(owner);
        inotify_rm_watch(fd_, wd);
    }
}

bool FolderWatcher::read_events(ChangedFolders& changed) {
    alignas(inotify_event) char buffer[64 * 1024];
    bool any = false;
    for (;;) {
        const ssize_t length = read(fd_, buffer, sizeof buffer);
        if (length <= 0) {
            if (length < 0 && errno == EINTR) {
                continue;
            }
            return any;
        }
        any = true;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (overflow_every_ != 0 && ++events_seen_ % overflow_every_ == 0) {
                changed.everything = true;  // as if the queue had overflowed here
                break;
            }
            note_event(event->wd, event->mask, event->len != 0 ? event->name : "", changed);
        }
    }
}

void FolderWatcher::note_event(int wd, unsigned mask, const std::string& name,
                               ChangedFolders& changed) {
    if ((mask & IN_Q_OVERFLOW) != 0) {
        changed.everything = true;
        return;
    }
    const auto found = folder_by_watch_.find(wd);
    if (found == folder_by_watch_.end()) {
        return;  // a watch removed a moment ago
    }
    const std::string folder = found->second;
    if ((mask & IN_IGNORED) != 0) {
        watch_by_folder_.erase(folder);
        folder_by_watch_.erase(found);
        return;
    }
    const bool is_root = folder == root_;
    if (name.empty()) {
        // About the folder itself; its parent's watch reports the same with its name.
        if ((mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0 && is_root) {
            changed.root_gone = true;
        }
        return;
    }
    if ((mask & (kChildComesOrGoes | kChildWritten)) == 0) {
        return;
    }
    changed.folders[folder].insert(name);
    // The folder's own time changed with its list of children.
    if ((mask & kChildComesOrGoes) != 0 && !is_root) {
        const auto [parent, own_name] = parent_and_name(folder);
        changed.folders[parent].insert(own_name);
    }
}

}  // namespace qsearch
