// Brings a loaded store in step with a TreeDiff through mutation batches.
#pragma once

#include <cstdint>

#include "session.h"
#include "tree_diff.h"

namespace qsearch {

// Removes first, then upserts, so no batch passes the store's entry limit on the way to a
// final count within it. Each batch is all or nothing; the caller saves only after the last.
MutationCounts apply_diff(Store& store, const TreeDiff& diff, std::uint32_t generation);

}  // namespace qsearch
