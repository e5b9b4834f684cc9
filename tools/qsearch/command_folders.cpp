// qsearch folders FILE [-n N] [-0 | --json]: the folders holding the most files, fullest first.
#include <quorven/search_core.h>

#include <cstdio>

#include "commands.h"
#include "entry_output.h"
#include "format.h"
#include "session.h"
#include "utf.h"

namespace qsearch {

int run_folders(const ListOptions& options) {
    IndexFileInfo info;
    Store store = Store::open(options.file, 0, info);
    for (const ProjectedRow& row : store.project(QUORVEN_SC_PROJECT_FOLDERS, options.limit)) {
        const std::string path = utf16_to_utf8(row.text);
        if (options.output == OutputMode::null_terminated) {
            print_null_terminated(path);
        } else if (options.output == OutputMode::json) {
            print_json({path, true, row.ticks, std::nullopt, row.file_count});
        } else {
            std::printf("%7u files  newest %s  %s\n", row.file_count,
                        format_ticks(row.ticks).c_str(), path.c_str());
        }
    }
    return 0;
}

}  // namespace qsearch
