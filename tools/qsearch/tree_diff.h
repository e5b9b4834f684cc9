// What changed on disk under a rescanned folder since the index was written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "session.h"
#include "tree_walk.h"

namespace qsearch {

struct EntryChange {
    std::u16string dir;
    std::u16string name;
    std::uint64_t ticks;
    bool is_folder;
};

struct TreeDiff {
    std::vector<EntryChange> added;    // on disk, not in the index
    std::vector<EntryChange> changed;  // in both, with another time or kind (as on disk now)
    std::vector<EntryChange> removed;  // in the index under the folder, gone from disk
    std::size_t unchanged = 0;
    std::size_t outside = 0;  // index entries that are not under the rescanned folder
};

// `indexed` is every live entry of the index; `tree` the rescanned folder. Paths compare
// exactly: the walk already left out names the store would take for one another.
TreeDiff diff_tree(const std::vector<CopiedEntry>& indexed, const WalkedTree& tree);

// Whether an index entry lies under `root` (the folder path, without a trailing separator).
bool lies_under(const CopiedEntry& entry, const std::u16string& root);

// Index entries that are not under `root` (the folder path, without a trailing separator).
std::size_t count_outside(const std::vector<CopiedEntry>& indexed, const std::u16string& root);

}  // namespace qsearch
