// qsearch recent FILE [-n N]: the newest files of the index, newest first.
#include <quorven/search_core.h>

#include <cstdio>

#include "commands.h"
#include "format.h"
#include "session.h"
#include "utf.h"

namespace qsearch {

int run_recent(const ListOptions& options) {
    IndexFileInfo info;
    Store store = Store::open(options.file, 0, info);
    for (const ProjectedRow& row : store.project(QUORVEN_SC_PROJECT_RECENT_FILES, options.limit)) {
        std::printf("%s  %s\n", format_ticks(row.ticks).c_str(), utf16_to_utf8(row.text).c_str());
    }
    return 0;
}

}  // namespace qsearch
