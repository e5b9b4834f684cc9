// qsearch find FILE QUERY [-n N] [--long | -0 | --json]: the best entries whose name matches
// QUERY. Exits 1 when nothing matched, as locate and grep do.
#include <quorven/search_core.h>

#include <cstdio>
#include <vector>

#include "commands.h"
#include "entry_output.h"
#include "failure.h"
#include "format.h"
#include "match_span.h"
#include "session.h"
#include "stopwatch.h"
#include "terminal.h"
#include "utf.h"

namespace qsearch {
namespace {

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

void print_hit(const CopiedEntry& entry, const Hit& hit, std::u16string_view query,
               OutputMode mode) {
    switch (mode) {
        case OutputMode::plain:
            std::printf("%s\n", render_path(entry, query, hit.score).c_str());
            break;
        case OutputMode::long_format:
            std::printf("%3u  %s  %s  %s\n", hit.score, format_ticks(hit.ticks).c_str(),
                        hit.is_folder ? "folder" : "file  ",
                        render_path(entry, query, hit.score).c_str());
            break;
        case OutputMode::null_terminated:
            print_null_terminated(utf16_to_utf8(full_path(entry.dir, entry.name)));
            break;
        case OutputMode::json:
            print_json({utf16_to_utf8(full_path(entry.dir, entry.name)), hit.is_folder, hit.ticks,
                        hit.score, std::nullopt});
            break;
    }
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
        print_hit(entries[i], outcome.hits[i], query, options.output);
    }
    if (options.output == OutputMode::long_format) {
        std::printf("%zu of %u matches, %u entries scanned in %s\n", entries.size(),
                    outcome.matched, outcome.scanned, format_seconds(query_seconds).c_str());
    } else if (entries.empty() && options.output == OutputMode::plain) {
        std::fprintf(stderr, "no entry matches '%s'\n", options.query.c_str());
    }
    return entries.empty() ? kExitFailure : 0;
}

}  // namespace qsearch
