#include "match_span.h"

#include <quorven/search_core.h>

namespace qsearch {
namespace {

bool units_match(char16_t a, char16_t b) {
    const auto fold = [](char16_t unit) {
        return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
    };
    return fold(a) == fold(b);
}

}  // namespace

std::optional<std::pair<std::size_t, std::size_t>> match_span(std::u16string_view name,
                                                              std::u16string_view query,
                                                              std::uint32_t score) {
    if (score == QUORVEN_SC_SCORE_EXACT) {
        return std::pair{std::size_t{0}, name.size()};
    }
    if (score == QUORVEN_SC_SCORE_PREFIX) {
        return std::pair{std::size_t{0}, query.size()};
    }
    for (std::size_t start = 0; start + query.size() <= name.size(); ++start) {
        std::size_t k = 0;
        while (k < query.size() && units_match(name[start + k], query[k])) {
            ++k;
        }
        if (k == query.size()) {
            return std::pair{start, start + query.size()};
        }
    }
    return std::nullopt;
}

}  // namespace qsearch
