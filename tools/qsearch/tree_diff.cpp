#include "tree_diff.h"

#include <algorithm>
#include <unordered_map>

namespace qsearch {
namespace {

std::u16string folder_prefix(const std::u16string& root) {
    std::u16string prefix = root;
    if (prefix.empty() || (prefix.back() != u'/' && prefix.back() != u'\\')) {
        prefix.push_back(kPathSeparator);
    }
    return prefix;
}

bool starts_with(const std::u16string& text, const std::u16string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

bool lies_under(const CopiedEntry& entry, const std::u16string& root) {
    return starts_with(full_path(entry.dir, entry.name), folder_prefix(root));
}

std::size_t count_outside(const std::vector<CopiedEntry>& indexed, const std::u16string& root) {
    return static_cast<std::size_t>(
        std::count_if(indexed.begin(), indexed.end(),
                      [&root](const CopiedEntry& entry) { return !lies_under(entry, root); }));
}

TreeDiff diff_tree(const std::vector<CopiedEntry>& indexed, const WalkedTree& tree) {
    const std::u16string prefix = folder_prefix(tree.root);
    TreeDiff diff;
    // Index entries under the folder, by full path; the flag says whether the disk still has it.
    std::unordered_map<std::u16string, std::pair<const CopiedEntry*, bool>> under;
    for (const CopiedEntry& entry : indexed) {
        std::u16string path = full_path(entry.dir, entry.name);
        if (starts_with(path, prefix)) {
            under.emplace(std::move(path), std::pair{&entry, false});
        } else {
            ++diff.outside;
        }
    }
    for (const WalkedEntry& entry : tree.entries) {
        const std::u16string& dir = tree.dirs[entry.dir];
        EntryChange change{dir, entry.name, entry.ticks, entry.is_folder};
        const auto found = under.find(full_path(dir, entry.name));
        if (found == under.end()) {
            diff.added.push_back(std::move(change));
            continue;
        }
        found->second.second = true;
        const CopiedEntry& old = *found->second.first;
        if (static_cast<std::uint64_t>(old.ticks) != entry.ticks ||
            old.is_folder != entry.is_folder) {
            diff.changed.push_back(std::move(change));
        } else {
            ++diff.unchanged;
        }
    }
    // In index order, so the report lists them as the index did.
    for (const CopiedEntry& entry : indexed) {
        const auto found = under.find(full_path(entry.dir, entry.name));
        if (found != under.end() && !found->second.second && found->second.first == &entry) {
            diff.removed.push_back(
                {entry.dir, entry.name, static_cast<std::uint64_t>(entry.ticks), entry.is_folder});
        }
    }
    return diff;
}

}  // namespace qsearch
