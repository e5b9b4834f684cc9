// Where the query lies in a hit's name, for highlighting only (find and ui).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace qsearch {

// [first, second) of the name. Exact and prefix hits are known by their score; a "contains" hit
// is searched with ASCII folding, and one that only the store's full case folding finds has
// no span (it is shown without highlight).
std::optional<std::pair<std::size_t, std::size_t>> match_span(std::u16string_view name,
                                                              std::u16string_view query,
                                                              std::uint32_t score);

}  // namespace qsearch
