// qsearch index DIR [-o FILE]: walk DIR, feed the store in batches, seal, save atomically.
#include <quorven/search_core.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "commands.h"
#include "entry_loader.h"
#include "failure.h"
#include "format.h"
#include "interrupt.h"
#include "session.h"
#include "stopwatch.h"
#include "tree_scan.h"
#include "utf.h"

namespace qsearch {
namespace {

Store build_store(const WalkedTree& tree) {
    std::size_t name_units = 0;
    for (const WalkedEntry& entry : tree.entries) {
        name_units += entry.name.size();
    }
    // Reserving everything up front spares the store its growth steps; a tree past the pool
    // limit is refused by add_batch with its own clear status.
    Store store = Store::create(
        static_cast<std::uint32_t>(tree.entries.size()),
        static_cast<std::uint32_t>(std::min<std::size_t>(name_units, QUORVEN_SC_MAX_POOL_UNITS)));
    EntryLoader loader(store);
    for (const WalkedEntry& entry : tree.entries) {
        loader.add(tree.dirs[entry.dir], entry.name, entry.ticks, entry.is_folder);
    }
    loader.finish();
    return store;
}

}  // namespace

int run_index(const IndexOptions& options) {
    catch_interrupts();
    Stopwatch clock;
    const WalkedTree tree = scan_tree(options.dir, options.max_entries);
    const double walk_seconds = clock.lap();
    report_scan_notes(tree, options.max_entries);
    if (tree.entries.empty()) {
        throw Failure("'" + options.dir +
                      "' holds no entries; an index file needs at least one, so none was written");
    }

    Store store = build_store(tree);
    const double load_seconds = clock.lap();
    store.seal();
    const double seal_seconds = clock.lap();
    const IndexFileInfo saved = store.save(options.file, cancel_object());
    const double save_seconds = clock.lap();

    const auto folders =
        static_cast<std::size_t>(std::count_if(tree.entries.begin(), tree.entries.end(),
                                               [](const WalkedEntry& e) { return e.is_folder; }));
    std::printf("indexed %zu entries (%zu files, %zu folders) under %s\n", tree.entries.size(),
                tree.entries.size() - folders, folders, utf16_to_utf8(tree.root).c_str());
    std::printf("  walk   %-10s (%s)\n", format_seconds(walk_seconds).c_str(),
                format_rate(tree.entries.size(), walk_seconds).c_str());
    std::printf("  load   %s\n", format_seconds(load_seconds).c_str());
    std::printf("  seal   %s\n", format_seconds(seal_seconds).c_str());
    std::printf("  save   %-10s -> %s (%s, %u folder paths)\n",
                format_seconds(save_seconds).c_str(), options.file.c_str(),
                format_bytes(saved.file_size).c_str(), saved.dir_count);
    std::printf("  total  %s\n", format_seconds(clock.seconds()).c_str());
    return 0;
}

}  // namespace qsearch
