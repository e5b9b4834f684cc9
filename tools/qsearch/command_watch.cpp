// qsearch watch DIR [-o FILE]: index DIR (or bring an existing FILE in step with it), then
// follow every change through inotify, apply it in mutation batches and save FILE atomically
// now and then, and once more on SIGINT or SIGTERM.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "failure.h"
#include "folder_watcher.h"
#include "format.h"
#include "live_index.h"
#include "session.h"
#include "stored_entries.h"
#include "terminal.h"
#include "tree_diff.h"
#include "tree_mirror.h"
#include "tree_scan.h"
#include "utf.h"

namespace qsearch {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Events are gathered this long after the first of a round, so that a burst (an unpacked
// archive, a build) becomes one batch.
constexpr auto kGatherEvents = 100ms;
constexpr auto kSaveInterval = 3s;
// Folders without a watch are rescanned at this pace, or slower when a rescan takes long.
constexpr auto kUnwatchedRescan = 5s;

// SIGINT and SIGTERM arrive as readable data instead of interrupting a save.
class SignalReader {
  public:
    SignalReader() {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        sigprocmask(SIG_BLOCK, &signals_, nullptr);
        fd_ = signalfd(-1, &signals_, SFD_NONBLOCK | SFD_CLOEXEC);
        if (fd_ < 0) {
            throw Failure("cannot receive signals through signalfd");
        }
    }
    ~SignalReader() {
        close(fd_);
        sigprocmask(SIG_UNBLOCK, &signals_, nullptr);
    }
    SignalReader(const SignalReader&) = delete;
    SignalReader& operator=(const SignalReader&) = delete;
    int descriptor() const { return fd_; }
    // Takes the signals that arrived, so that none is left to act once unblocked.
    bool take() {
        signalfd_siginfo info;
        bool any = false;
        while (read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            any = true;
        }
        return any;
    }

  private:
    sigset_t signals_;
    int fd_ = -1;
};

std::vector<CopiedEntry> entries_outside(const std::string& file, const std::u16string& root) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return {};
    }
    IndexFileInfo info;
    Store store = Store::open(file, 0, info);
    std::vector<CopiedEntry> outside = read_all_entries(store, info.entry_count);
    std::erase_if(outside, [&root](const CopiedEntry& entry) { return lies_under(entry, root); });
    return outside;
}

class WatchSession {
  public:
    WatchSession(const WatchOptions& options, const RootFolder& root,
                 std::vector<CopiedEntry> outside)
        : options_(options),
          watcher_(root.path.string()),
          mirror_(root, QUORVEN_SC_MAX_ENTRIES - outside.size(), mirror_hooks()),
          index_(std::move(outside)) {
        const std::filesystem::path own =
            std::filesystem::absolute(options.file).lexically_normal();
        own_file_ = utf8_to_utf16(own.string()).text;
        own_folder_ = utf8_to_utf16(own.parent_path().string()).text;
    }

    void start() {
        TreeChanges found;
        mirror_.scan(found);
        WalkedTree notes;
        notes.invalid_names = mirror_.invalid_names;
        notes.case_twins = mirror_.case_twins;
        notes.unreadable = mirror_.unreadable;  // a full index was warned about as it filled
        report_scan_notes(notes, QUORVEN_SC_MAX_ENTRIES);
        index_.rebuild(mirror_);
        if (!index_.save(options_.file)) {
            throw Failure("'" + options_.dir +
                          "' holds no entries; an index file needs at least one, so none was "
                          "written");
        }
        last_save_ = Clock::now();
        next_unwatched_rescan_ = last_save_ + kUnwatchedRescan;
        show_status();
    }

    void run(SignalReader& signals) {
        const auto started = Clock::now();
        for (bool stopping = false; !stopping;) {
            pollfd fds[2] = {{watcher_.descriptor(), POLLIN, 0}, {signals.descriptor(), POLLIN, 0}};
            poll(fds, 2, wait_milliseconds());
            stopping = signals.take();
            if (watcher_.read_events(pending_) && !first_event_) {
                first_event_ = Clock::now();
            }
            const auto now = Clock::now();
            if (!pending_.empty() && (stopping || now >= *first_event_ + kGatherEvents)) {
                apply_pending();
            }
            // On the way out too, so that the last save misses nothing.
            if (!unwatched_.empty() && (stopping || now >= next_unwatched_rescan_)) {
                rescan_unwatched();
            }
            if (unsaved_ && (stopping || now >= last_save_ + kSaveInterval)) {
                save(stopping);
            }
        }
        status_.clear();
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        std::printf(
            "watched %s for %.1f s: %zu batches applied (largest: %zu changes in %s), %zu "
            "rebuilds, %zu rescans after lost events; %s holds %u entries\n",
            mirror_.root().c_str(), seconds, batches_, largest_records_,
            format_seconds(largest_seconds_).c_str(), rebuilds_, rescans_, options_.file.c_str(),
            index_.live_count());
    }

  private:
    TreeMirror::Hooks mirror_hooks() {
        TreeMirror::Hooks hooks;
        hooks.on_folder_added = [this](const std::string& folder) {
            if (!watcher_.add(folder)) {
                unwatched_.insert(folder);
            }
        };
        hooks.on_folder_removed = [this](const std::string& folder) {
            watcher_.remove(folder);
            unwatched_.erase(folder);
        };
        hooks.on_problem = [this](const std::string& message) {
            status_.clear();
            warn(message);
        };
        return hooks;
    }

    int wait_milliseconds() const {
        std::optional<Clock::time_point> due;
        const auto earliest = [&due](Clock::time_point when) {
            due = due ? std::min(*due, when) : when;
        };
        if (first_event_) {
            earliest(*first_event_ + kGatherEvents);
        }
        if (unsaved_) {
            earliest(last_save_ + kSaveInterval);
        }
        if (!unwatched_.empty()) {
            earliest(next_unwatched_rescan_);
        }
        if (!due) {
            return -1;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
        return static_cast<int>(std::max<std::int64_t>(left.count(), 0));
    }

    void apply_pending() {
        if (pending_.root_gone) {
            throw Failure("'" + options_.dir + "' was deleted or moved away; " + options_.file +
                          " holds it as it was last saved");
        }
        TreeChanges changes;
        if (pending_.everything) {
            ++rescans_;
            mirror_.rescan(mirror_.root(), changes);
        } else {
            for (const auto& [folder, names] : pending_.folders) {
                for (const std::string& name : names) {
                    mirror_.restat(folder, name, changes);
                }
            }
        }
        pending_ = {};
        first_event_.reset();
        apply(changes);
    }

    // Folders the limit of watches left out: nothing reports their changes, so look.
    void rescan_unwatched() {
        const auto started = Clock::now();
        TreeChanges changes;
        const std::set<std::string> folders = unwatched_;
        std::string covered;  // the last folder rescanned, with everything under it
        for (const std::string& folder : folders) {
            if (!covered.empty() && folder.starts_with(covered + "/")) {
                continue;
            }
            if (watcher_.add(folder)) {
                unwatched_.erase(folder);
            }
            mirror_.rescan(folder, changes);
            if (folder != mirror_.root()) {
                const auto [parent, name] = parent_and_name(folder);
                mirror_.restat(parent, name, changes);
            }
            covered = folder;
        }
        apply(changes);
        const auto took = Clock::now() - started;
        next_unwatched_rescan_ =
            Clock::now() + std::max<Clock::duration>(kUnwatchedRescan, took * 10);
    }

    // A save inside the watched tree changes the index file, its folder's time and a
    // temporary file; only other changes call for the next save, or it would never end.
    bool only_own_saving(const TreeChanges& changes) const {
        return std::all_of(
            changes.list.begin(), changes.list.end(), [this](const TreeChange& change) {
                return is_own_file(change.entry) ||
                       (!change.removal &&
                        full_path(change.entry.dir, change.entry.name) == own_folder_);
            });
    }

    bool is_own_file(const EntryChange& entry) const {
        const std::u16string path = full_path(entry.dir, entry.name);
        return path.starts_with(own_file_);  // the file, or its temporary beside it
    }

    void apply(const TreeChanges& changes) {
        if (changes.empty()) {
            return;
        }
        const bool own_saving = only_own_saving(changes);
        const AppliedChanges applied = index_.apply(changes, mirror_);
        batches_ += applied.batches;
        rebuilds_ += applied.rebuilt ? 1 : 0;
        if (applied.records > largest_records_) {
            largest_records_ = applied.records;
            largest_seconds_ = applied.seconds;
        }
        last_records_ = applied.records;
        last_seconds_ = applied.seconds;
        unsaved_ = unsaved_ || !own_saving;
        show_status();
    }

    void save(bool final_save) {
        try {
            if (index_.save(options_.file)) {
                unsaved_ = false;
            } else if (!empty_warned_) {
                empty_warned_ = true;
                status_.clear();
                warn("the folder holds no entries now; " + options_.file +
                     " keeps the last ones until something appears");
            }
        } catch (const Failure& error) {
            if (final_save) {
                throw;
            }
            status_.clear();
            warn(std::string(error.what()) + "; trying again in a few seconds");
        }
        last_save_ = Clock::now();
    }

    void show_status() {
        char text[160];
        std::snprintf(text, sizeof text, ": %u entries, %zu batches, last %zu changes in %s",
                      index_.live_count(), batches_, last_records_,
                      format_seconds(last_seconds_).c_str());
        status_.show("watching " + mirror_.root() + text);
    }

    const WatchOptions& options_;
    std::u16string own_file_;    // the index file's path as the index would hold it
    std::u16string own_folder_;  // and its folder's
    StatusLine status_;
    FolderWatcher watcher_;
    std::set<std::string> unwatched_;
    TreeMirror mirror_;
    LiveIndex index_;
    ChangedFolders pending_;
    std::optional<Clock::time_point> first_event_;
    Clock::time_point last_save_;
    Clock::time_point next_unwatched_rescan_;
    bool unsaved_ = false;
    bool empty_warned_ = false;
    std::size_t batches_ = 0;
    std::size_t rebuilds_ = 0;
    std::size_t rescans_ = 0;
    std::size_t largest_records_ = 0;
    double largest_seconds_ = 0;
    std::size_t last_records_ = 0;
    double last_seconds_ = 0;
};

}  // namespace

int run_watch(const WatchOptions& options) {
    SignalReader signals;
    const RootFolder root = resolve_root(options.dir);
    WatchSession session(options, root, entries_outside(options.file, root.text));
    session.start();
    session.run(signals);
    return 0;
}

}  // namespace qsearch
