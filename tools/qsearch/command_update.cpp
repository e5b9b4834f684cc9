// qsearch update FILE DIR: rescan DIR, apply what changed on disk as mutation batches, save.
#include <quorven/search_core.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "commands.h"
#include "failure.h"
#include "folder_spelling.h"
#include "format.h"
#include "interrupt.h"
#include "mutation_batches.h"
#include "session.h"
#include "stopwatch.h"
#include "stored_entries.h"
#include "tree_diff.h"
#include "tree_scan.h"
#include "utf.h"

namespace qsearch {
namespace {

constexpr std::size_t kListedPerKind = 50;
// Entries loaded from an index file carry generation 0; this update's upserts carry 1.
constexpr std::uint32_t kUpdateGeneration = 1;

void list_changes(const char* mark, const std::vector<EntryChange>& changes, const char* kind) {
    const std::size_t listed = std::min(changes.size(), kListedPerKind);
    for (std::size_t i = 0; i < listed; ++i) {
        std::printf("%s %s\n", mark,
                    utf16_to_utf8(full_path(changes[i].dir, changes[i].name)).c_str());
    }
    if (changes.size() > listed) {
        std::printf("%s ... and %zu more %s\n", mark, changes.size() - listed, kind);
    }
}

}  // namespace

int run_update(const UpdateOptions& options) {
    catch_interrupts();
    Stopwatch clock;
    IndexFileInfo info;
    Store store = Store::open(options.file, cancel_object(), info);
    const std::vector<CopiedEntry> indexed = read_all_entries(store, info.entry_count);
    const double open_seconds = clock.lap();

    WalkedTree tree = scan_tree(options.dir, QUORVEN_SC_MAX_ENTRIES);
    // Entries elsewhere in the index keep their place; the rescanned folder gets the rest.
    const std::size_t room = QUORVEN_SC_MAX_ENTRIES - count_outside(indexed, tree.root);
    if (tree.entries.size() > room) {
        tree.entries.resize(room);
        tree.truncated = true;
    }
    report_scan_notes(tree, room);
    const TreeDiff diff = diff_tree(indexed, tree);
    const double scan_seconds = clock.lap();

    const std::string root = utf16_to_utf8(tree.root);
    if (diff.added.empty() && diff.changed.empty() && diff.removed.empty()) {
        std::printf("%s is up to date: %zu entries under %s unchanged\n", options.file.c_str(),
                    diff.unchanged, root.c_str());
        return 0;
    }
    MutationCounts counts;
    if (folder_spelling_changes(diff)) {
        store = rebuild_without_removed(indexed, diff);
        TreeDiff upserts_only = diff;
        upserts_only.removed.clear();
        counts = apply_diff(store, upserts_only, kUpdateGeneration);
    } else {
        counts = apply_diff(store, diff, kUpdateGeneration);
    }
    const double apply_seconds = clock.lap();
    if (counts.live == 0) {
        throw Failure(
            "after this update the index would hold no entries, and an index file "
            "needs at least one; '" +
            options.file + "' is unchanged");
    }
    const IndexFileInfo saved = store.save(options.file, cancel_object());
    const double save_seconds = clock.lap();

    list_changes("+", diff.added, "added");
    list_changes("~", diff.changed, "changed");
    list_changes("-", diff.removed, "removed");
    std::printf(
        "updated %s: %zu added, %zu changed, %zu removed, %zu unchanged under %s; %u "
        "entries in the index\n",
        options.file.c_str(), diff.added.size(), diff.changed.size(), diff.removed.size(),
        diff.unchanged, root.c_str(), saved.entry_count);
    std::printf("  open   %s\n", format_seconds(open_seconds).c_str());
    std::printf("  scan   %s\n", format_seconds(scan_seconds).c_str());
    std::printf("  apply  %s\n", format_seconds(apply_seconds).c_str());
    std::printf("  save   %s\n", format_seconds(save_seconds).c_str());
    return 0;
}

}  // namespace qsearch
