// Every entry of a store just opened from an index file.
#pragma once

#include <cstdint>
#include <vector>

#include "session.h"

namespace qsearch {

// A freshly opened store has no deleted entries, so its ids are exactly 0..entry_count-1.
std::vector<CopiedEntry> read_all_entries(Store& store, std::uint32_t entry_count);

}  // namespace qsearch
