// A tree walk as the index and update commands run it: progress on the terminal, skipped
// entries and notes on stderr, Ctrl-C honoured.
#pragma once

#include <cstddef>
#include <string>

#include "tree_walk.h"

namespace qsearch {

WalkedTree scan_tree(const std::string& dir, std::size_t max_entries);

// The notes a finished walk leaves: entries past the limit, odd names, skipped folders.
void report_scan_notes(const WalkedTree& tree, std::size_t max_entries);

}  // namespace qsearch
