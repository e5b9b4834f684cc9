// qsearch recent FILE [-n N] [-0 | --json]: the newest files of the index, newest first.
#include <quorven/search_core.h>

#include <cstdio>

#include "commands.h"
#include "entry_output.h"
#include "format.h"
#include "session.h"
#include "utf.h"

namespace qsearch {

int run_recent(const ListOptions& options) {
    IndexFileInfo info;
    Store store = Store::open(options.file, 0, info);
    for (const ProjectedRow& row : store.project(QUORVEN_SC_PROJECT_RECENT_FILES, options.limit)) {
        const std::string path = utf16_to_utf8(row.text);
        if (options.output == OutputMode::null_terminated) {
            print_null_terminated(path);
        } else if (options.output == OutputMode::json) {
            print_json({path, false, row.ticks, std::nullopt, std::nullopt});
        } else {
            std::printf("%s  %s\n", format_ticks(row.ticks).c_str(), path.c_str());
        }
    }
    return 0;
}

}  // namespace qsearch
