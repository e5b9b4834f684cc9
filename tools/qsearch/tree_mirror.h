// What the index holds of a watched folder tree, folder by folder, and the changes that bring
// it in step with the disk when a folder or an entry changed. Folders and names are kept as
// the disk spells them (bytes on POSIX), so any entry can be read again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tree_diff.h"
#include "tree_walk.h"

namespace qsearch {

struct TreeChange {
    EntryChange entry;  // as on disk now, or as it was for a removal
    bool removal;       // a folder goes with everything under it
};

// What changed, in the order the mirror saw it: an entry may come, go and come back.
struct TreeChanges {
    std::vector<TreeChange> list;
    void remove(EntryChange entry) { list.push_back({std::move(entry), true}); }
    void upsert(EntryChange entry) { list.push_back({std::move(entry), false}); }
    bool empty() const { return list.empty(); }
};

// "/a/b/c" -> {"/a/b", "c"}; "/a" -> {"/", "a"}.
std::pair<std::string, std::string> parent_and_name(const std::string& path);

class TreeMirror {
  public:
    struct Hooks {
        // A folder is about to be listed for the first time: watch it before, so that nothing
        // created in it afterwards goes unseen.
        std::function<void(const std::string& folder)> on_folder_added;
        std::function<void(const std::string& folder)> on_folder_removed;
        std::function<void(const std::string& message)> on_problem;
    };

    // Holds nothing until scan(); room is how many entries the index has for the tree.
    TreeMirror(const RootFolder& root, std::size_t room, Hooks hooks);

    // The whole tree, as index walks it; the changes are everything found.
    void scan(TreeChanges& changes);
    // Reads one child again after it came, went or was written to; the folder is listed again
    // when letter case may decide which of two names is kept, or the child changed its kind.
    void restat(const std::string& folder, const std::string& name, TreeChanges& changes);
    // Lists `folder` and every folder below it again, for what lost events may have hidden:
    // new folders are walked whole, vanished ones leave with their contents. Nothing happens
    // for a folder the mirror does not hold.
    void rescan(const std::string& folder, TreeChanges& changes);

    const std::string& root() const { return root_; }
    bool holds_folder(const std::string& folder) const { return folders_.contains(folder); }
    std::size_t entry_count() const { return entry_count_; }
    using EntryVisitor = std::function<void(const std::u16string& dir, const std::u16string& name,
                                            std::uint64_t ticks, bool is_folder)>;
    void for_each_entry(const EntryVisitor& visit) const;

    // What the walk reports too, counted since the start.
    std::size_t invalid_names = 0;
    std::size_t case_twins = 0;
    std::size_t unreadable = 0;
    bool truncated = false;

  private:
    struct Child {
        std::u16string name;
        std::uint64_t ticks;
        bool is_folder;
        bool descended;  // a folder of the mirror (not on another file system, not left out)
    };
    struct Folder {
        std::u16string text;  // as the index stores it, ending in the separator
        std::map<std::string, Child> children;
        bool has_twins = false;  // names were left out as twins of a kept one
        // How many children's names have each case_candidate_key.
        std::unordered_map<std::u16string, std::size_t> case_keys;
    };

    void sync(const std::string& folder, bool recurse, TreeChanges& changes);
    std::map<std::string, Child> read_children(const std::string& folder, bool& has_twins);
    static void keep(Folder& record, const std::string& name, Child child);
    static void forget(Folder& record, std::map<std::string, Child>::iterator child);
    void add(const std::string& folder, const std::string& name, Child child, TreeChanges& changes);
    void drop(const std::string& folder, const std::string& name, const Child& child,
              TreeChanges& changes);
    void drop_folder(const std::string& folder);

    std::string root_;
    std::u16string root_text_;
    std::uint64_t root_device_;
    std::size_t room_;
    Hooks hooks_;
    std::map<std::string, Folder> folders_;  // by path; a folder sorts before its contents
    std::size_t entry_count_ = 0;
};

}  // namespace qsearch
