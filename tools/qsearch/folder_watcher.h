// The inotify side of the watch command: one watch per folder of the tree, and the events
// turned into folders to list again and entries to read again.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <unordered_map>

namespace qsearch {

struct ChangedFolders {
    // Children that came, went or were written to, by folder path; parents sort before their
    // contents.
    std::map<std::string, std::set<std::string>> folders;
    bool everything = false;  // events were lost: rescan the whole tree
    bool root_gone = false;   // the watched folder itself was deleted or moved away
    bool empty() const { return folders.empty() && !everything && !root_gone; }
};

class FolderWatcher {
  public:
    explicit FolderWatcher(std::string root);
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    int descriptor() const { return fd_; }
    // False when the folder could not be watched because the limit of watches is reached
    // (warned about once); the caller rescans it now and then instead.
    bool add(const std::string& folder);
    void remove(const std::string& folder);
    // Reads every event queued now, without waiting; true if there was any.
    bool read_events(ChangedFolders& changed);

  private:
    void note_event(int wd, unsigned mask, const std::string& name, ChangedFolders& changed);

    std::string root_;
    int fd_ = -1;
    std::unordered_map<int, std::string> folder_by_watch_;
    std::unordered_map<std::string, int> watch_by_folder_;
    bool limit_warned_ = false;
    // Test seams, from the environment: a limit of watches below the system's, and a queue
    // overflow forced after every N events (unprivileged tests cannot shrink the real queue).
    std::size_t max_watches_ = 0;
    std::size_t overflow_every_ = 0;
    std::size_t events_seen_ = 0;
};

}  // namespace qsearch
