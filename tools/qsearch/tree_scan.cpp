#include "tree_scan.h"

#include "case_twins.h"
#include "failure.h"
#include "interrupt.h"
#include "terminal.h"

namespace qsearch {

WalkedTree scan_tree(const std::string& dir, std::size_t max_entries) {
    ProgressLine progress("scanning " + dir);
    WalkOptions options;
    options.max_entries = max_entries;
    options.on_progress = [&progress](std::size_t entries) {
        if (interrupted()) {
            throw Failure("interrupted; nothing was written", kExitInterrupted);
        }
        progress.update(entries);
    };
    options.on_problem = [&progress](const std::string& message) {
        progress.finish();
        warn(message);
    };
    options.find_twins = find_case_twins;
    WalkedTree tree = walk_tree(dir, options);
    progress.finish();
    return tree;
}

void report_scan_notes(const WalkedTree& tree, std::size_t max_entries) {
    const auto names = [](std::size_t count, const char* noun) {
        return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
    };
    if (tree.truncated) {
        warn("the tree holds more entries than the index has room for (" +
             std::to_string(max_entries) + "; one index holds at most 300000): only the first " +
             std::to_string(max_entries) +
             " (folders walked in name order) are indexed; index a smaller folder to cover "
             "all of it");
    }
    if (tree.invalid_names != 0) {
        warn("indexed " + names(tree.invalid_names, "name") +
             " with invalid UTF-8, showing U+FFFD in place of each bad byte");
    }
    if (tree.case_twins != 0) {
        warn("left out " + names(tree.case_twins, "name") +
             " differing from a sibling only in letter case, with their contents: the index "
             "compares names ignoring case and keeps the first of each");
    }
    if (tree.unreadable != 0) {
        warn("skipped " + names(tree.unreadable, "unreadable item") + " (listed above)");
    }
}

}  // namespace qsearch
