// qsearch stats FILE: what the index file holds and what the loaded store costs.
#include <cstdio>

#include "commands.h"
#include "format.h"
#include "session.h"

namespace qsearch {

int run_stats(const StatsOptions& options) {
    IndexFileInfo info;
    Store store = Store::open(options.file, 0, info);
    const auto stats = store.stats();
    std::printf("index file      %s (%s, saved %s)\n", options.file.c_str(),
                format_bytes(info.file_size).c_str(),
                format_ticks(static_cast<std::int64_t>(info.saved_at)).c_str());
    std::printf("entries         %u\n", stats.live_count);
    std::printf("folder paths    %u\n", stats.dir_count);
    std::printf("memory          %s\n", format_bytes(stats.total_bytes).c_str());
    std::printf("  entries       %s\n", format_bytes(stats.entries_bytes).c_str());
    std::printf("  folder table  %s\n", format_bytes(stats.dir_table_bytes).c_str());
    std::printf("  folder paths  %s\n", format_bytes(stats.dir_pool_bytes).c_str());
    std::printf("  names         %s\n", format_bytes(stats.name_pool_bytes).c_str());
    return 0;
}

}  // namespace qsearch
