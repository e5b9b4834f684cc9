#include "stored_entries.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace qsearch {
namespace {

constexpr std::size_t kCopyChunk = 65536;

}  // namespace

std::vector<CopiedEntry> read_all_entries(Store& store, std::uint32_t entry_count) {
    std::vector<CopiedEntry> all;
    all.reserve(entry_count);
    std::vector<std::uint32_t> ids;
    for (std::uint32_t first = 0; first < entry_count;) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::size_t>(kCopyChunk, entry_count - first));
        ids.resize(count);
        std::iota(ids.begin(), ids.end(), first);
        std::vector<CopiedEntry> chunk = store.copy_entries(ids, count * 64);
        std::move(chunk.begin(), chunk.end(), std::back_inserter(all));
        first += count;
    }
    return all;
}

}  // namespace qsearch
