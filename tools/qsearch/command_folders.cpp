// qsearch folders FILE [-n N]: the folders holding the most files, fullest first.
#include <quorven/search_core.h>

#include <cstdio>

#include "commands.h"
#include "format.h"
#include "session.h"
#include "utf.h"

namespace qsearch {

int run_folders(const ListOptions& options) {
    IndexFileInfo info;
    Store store = Store::open(options.file, 0, info);
    for (const ProjectedRow& row : store.project(QUORVEN_SC_PROJECT_FOLDERS, options.limit)) {
        std::printf("%7u files  newest %s  %s\n", row.file_count, format_ticks(row.ticks).c_str(),
                    utf16_to_utf8(row.text).c_str());
    }
    return 0;
}

}  // namespace qsearch
