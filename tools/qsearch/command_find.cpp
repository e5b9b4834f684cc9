// qsearch find FILE QUERY [-n N] [--long]: the best entries whose name matches QUERY.
#include <quorven/search_core.h>

#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "commands.h"
#include "failure.h"
#include "format.h"
#include "session.h"
#include "stopwatch.h"
#include "terminal.h"
#include "utf.h"

namespace qsearch {
namespace {

bool units_match(char16_t a, char16_t b) {
    const auto fold = [](char16_t unit) {
        return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
    };
    return fold(a) == fold(b);
}

// Where the query lies in the name, for highlighting only. Exact and prefix hits are known by
// their score; a "contains" hit is searched with ASCII folding, and one that only the store's
// full case folding finds is shown without highlight.
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

std::string render_path(const CopiedEntry& entry, std::u16string_view query, std::uint32_t score) {
    const std::u16string path = full_path(entry.dir, entry.name);
    const std::u16string_view folder =
        std::u16string_view(path).substr(0, path.size() - entry.name.size());
    const auto span = match_span(entry.name, query, score);
    if (!span) {
        return utf16_to_utf8(path);
    }
    const std::u16string_view name = entry.name;
    return highlight(utf16_to_utf8(folder) + utf16_to_utf8(name.substr(0, span->first)),
                     utf16_to_utf8(name.substr(span->first, span->second - span->first)),
                     utf16_to_utf8(name.substr(span->second)));
}

}  // namespace

int run_find(const FindOptions& options) {
    const std::u16string query = utf8_to_utf16(options.query).text;
    if (query.empty() || query.size() > QUORVEN_SC_MAX_QUERY_UNITS) {
        throw Failure("the query must be 1 to 32767 UTF-16 units long", kExitUsage);
    }
    IndexFileInfo info;
    Store store = Store::open(options.file, 0, info);
    Stopwatch clock;
    const QueryOutcome outcome = store.query(query, options.limit);
    const double query_seconds = clock.lap();

    std::vector<std::uint32_t> ids;
    ids.reserve(outcome.hits.size());
    for (const Hit& hit : outcome.hits) {
        ids.push_back(hit.id);
    }
    const std::vector<CopiedEntry> entries = store.copy_entries(ids, outcome.text_units);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Hit& hit = outcome.hits[i];
        const std::string path = render_path(entries[i], query, hit.score);
        if (options.long_format) {
            std::printf("%3u  %s  %s  %s\n", hit.score, format_ticks(hit.ticks).c_str(),
                        hit.is_folder ? "folder" : "file  ", path.c_str());
        } else {
            std::printf("%s\n", path.c_str());
        }
    }
    if (options.long_format) {
        std::printf("%zu of %u matches, %u entries scanned in %s\n", entries.size(),
                    outcome.matched, outcome.scanned, format_seconds(query_seconds).c_str());
    } else if (entries.empty()) {
        std::fprintf(stderr, "no entry matches '%s'\n", options.query.c_str());
    }
    return 0;
}

}  // namespace qsearch
