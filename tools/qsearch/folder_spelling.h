// Folders renamed only in letter case. The store looks folder paths up ignoring case and keeps
// the spelling it stored first, even for a folder whose entries were all removed: an upsert
// into "/t/docs/" would land in the old "/t/Docs/". Such an update starts from a store rebuilt
// without the removed entries (and so without the old spelling) instead.
#pragma once

#include <vector>

#include "session.h"
#include "tree_diff.h"

namespace qsearch {

// True when a new or changed entry's folder path may equal, ignoring case, a removed entry's
// folder path without being spelled the same.
bool folder_spelling_changes(const TreeDiff& diff);

// A sealed store of the indexed entries less the removed ones.
Store rebuild_without_removed(const std::vector<CopiedEntry>& indexed, const TreeDiff& diff);

}  // namespace qsearch
