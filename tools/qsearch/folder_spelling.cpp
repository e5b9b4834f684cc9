#include "folder_spelling.h"

#include <unordered_map>
#include <unordered_set>

#include "case_twins.h"
#include "entry_loader.h"

namespace qsearch {

bool folder_spelling_changes(const TreeDiff& diff) {
    std::unordered_map<std::u16string, std::unordered_set<std::u16string>> removed_dirs;
    for (const EntryChange& entry : diff.removed) {
        removed_dirs[case_candidate_key(entry.dir)].insert(entry.dir);
    }
    const auto differs = [&removed_dirs](const EntryChange& entry) {
        const auto found = removed_dirs.find(case_candidate_key(entry.dir));
        return found != removed_dirs.end() &&
               (found->second.size() > 1 || !found->second.contains(entry.dir));
    };
    for (const auto* changes : {&diff.added, &diff.changed}) {
        for (const EntryChange& entry : *changes) {
            if (differs(entry)) {
                return true;
            }
        }
    }
    return false;
}

Store rebuild_without_removed(const std::vector<CopiedEntry>& indexed, const TreeDiff& diff) {
    std::unordered_set<std::u16string> removed;
    for (const EntryChange& entry : diff.removed) {
        removed.insert(full_path(entry.dir, entry.name));
    }
    Store store = Store::create(static_cast<std::uint32_t>(indexed.size()), 0);
    EntryLoader loader(store);
    for (const CopiedEntry& entry : indexed) {
        if (!removed.contains(full_path(entry.dir, entry.name))) {
            loader.add(entry.dir, entry.name, static_cast<std::uint64_t>(entry.ticks),
                       entry.is_folder);
        }
    }
    loader.finish();
    store.seal();
    return store;
}

}  // namespace qsearch
