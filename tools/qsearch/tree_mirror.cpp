#include "tree_mirror.h"

#include <system_error>
#include <utility>

#include "case_twins.h"
#include "failure.h"
#include "utf.h"

namespace qsearch {
namespace {

constexpr char kSeparator = '/';

std::string child_path(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == kSeparator ? folder + name
                                                          : folder + kSeparator + name;
}

bool vanished(const std::error_code& error) {
    return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory;
}

}  // namespace

std::pair<std::string, std::string> parent_and_name(const std::string& path) {
    const std::size_t cut = path.rfind(kSeparator);
    return {cut == 0 ? std::string(1, kSeparator) : path.substr(0, cut), path.substr(cut + 1)};
}

TreeMirror::TreeMirror(const RootFolder& root, std::size_t room, Hooks hooks)
    : root_(root.path.string()),
      root_text_(folder_text(root.text)),
      root_device_(root.status.device),
      room_(room),
      hooks_(std::move(hooks)) {}

void TreeMirror::scan(TreeChanges& changes) {
    hooks_.on_folder_added(root_);
    folders_[root_].text = root_text_;
    sync(root_, false, changes);
}

void TreeMirror::rescan(const std::string& folder, TreeChanges& changes) {
    sync(folder, true, changes);
}

void TreeMirror::restat(const std::string& folder, const std::string& name, TreeChanges& changes) {
    const auto found = folders_.find(folder);
    if (found == folders_.end()) {
        return;
    }
    Folder& record = found->second;
    const auto child = record.children.find(name);
    EntryStatus status;
    std::error_code error;
    const bool on_disk = read_entry_status(child_path(folder, name), status, error);
    if (!on_disk && !vanished(error)) {
        sync(folder, false, changes);  // it reports what cannot be read
        return;
    }
    // Where letter case decides which of two names is kept, only the whole folder tells.
    if (child == record.children.end()) {
        std::u16string name16 = utf8_to_utf16(name).text;
        if (on_disk &&
            (record.has_twins || record.case_keys.contains(case_candidate_key(name16)))) {
            sync(folder, false, changes);
        } else if (on_disk) {
            const bool descend = status.is_folder && status.device == root_device_;
            add(folder, name, Child{std::move(name16), status.ticks, status.is_folder, descend},
                changes);
        }
        return;
    }
    if (!on_disk) {
        if (record.has_twins) {
            sync(folder, false, changes);
            return;
        }
        drop(folder, name, child->second, changes);
        forget(record, child);
        return;
    }
    const bool descend = status.is_folder && status.device == root_device_;
    if (status.is_folder != child->second.is_folder || descend != child->second.descended) {
        sync(folder, false, changes);
        return;
    }
    if (status.ticks != child->second.ticks) {
        child->second.ticks = status.ticks;
        changes.upsert({record.text, child->second.name, status.ticks, status.is_folder});
    }
}

void TreeMirror::keep(Folder& record, const std::string& name, Child child) {
    ++record.case_keys[case_candidate_key(child.name)];
    record.children.emplace(name, std::move(child));
}

void TreeMirror::forget(Folder& record, std::map<std::string, Child>::iterator child) {
    const std::u16string key = case_candidate_key(child->second.name);
    if (--record.case_keys[key] == 0) {
        record.case_keys.erase(key);
    }
    record.children.erase(child);
}

// The children as index would take them now: twins left out, unreadable ones reported.
std::map<std::string, TreeMirror::Child> TreeMirror::read_children(const std::string& folder,
                                                                   bool& has_twins) {
    std::map<std::string, Child> children;
    has_twins = false;
    FolderNames listed;
    std::error_code error;
    if (!list_folder_names(folder, find_case_twins, listed, error)) {
        if (folder == root_) {
            throw Failure("cannot read the watched folder '" + folder + "': " + error.message());
        }
        if (!vanished(error)) {
            ++unreadable;
            hooks_.on_problem("cannot read folder " + folder + ": " + error.message() +
                              "; its entries are left out");
        }
        return children;
    }
    invalid_names += listed.invalid_names;
    for (std::size_t i = 0; i < listed.natives.size(); ++i) {
        if (listed.twins[i]) {
            ++case_twins;
            has_twins = true;
            continue;
        }
        const std::string name = listed.natives[i].string();
        EntryStatus status;
        if (!read_entry_status(child_path(folder, name), status, error)) {
            if (!vanished(error)) {
                ++unreadable;
                hooks_.on_problem("cannot read " + child_path(folder, name) + ": " +
                                  error.message() + "; skipped");
            }
            continue;
        }
        const bool descend = status.is_folder && status.device == root_device_;
        children.emplace(
            name, Child{std::move(listed.names[i]), status.ticks, status.is_folder, descend});
    }
    return children;
}

void TreeMirror::sync(const std::string& folder, bool recurse, TreeChanges& changes) {
    if (!folders_.contains(folder)) {
        return;
    }
    bool has_twins = false;
    std::map<std::string, Child> fresh = read_children(folder, has_twins);
    // Folders the sync added or removed may insert or erase records, but never this one, and
    // map nodes stay where they are.
    Folder& record = folders_.at(folder);
    record.has_twins = has_twins;
    std::map<std::string, Child> old = std::move(record.children);
    record.children.clear();
    record.case_keys.clear();
    std::vector<std::string> unchanged_folders;
    auto was = old.begin();
    auto now = fresh.begin();
    while (was != old.end() || now != fresh.end()) {
        if (now == fresh.end() || (was != old.end() && was->first < now->first)) {
            drop(folder, was->first, was->second, changes);
            ++was;
            continue;
        }
        if (was == old.end() || now->first < was->first) {
            add(folder, now->first, std::move(now->second), changes);
            ++now;
            continue;
        }
        Child& kept = was->second;
        if (kept.is_folder != now->second.is_folder || kept.descended != now->second.descended) {
            drop(folder, was->first, kept, changes);
            add(folder, now->first, std::move(now->second), changes);
        } else {
            if (kept.ticks != now->second.ticks) {
                kept.ticks = now->second.ticks;
                changes.upsert({record.text, kept.name, kept.ticks, kept.is_folder});
            }
            if (kept.descended) {
                unchanged_folders.push_back(child_path(folder, was->first));
            }
            keep(record, was->first, std::move(kept));
        }
        ++was;
        ++now;
    }
    if (recurse) {
        for (const std::string& sub : unchanged_folders) {
            sync(sub, true, changes);
        }
    }
}

void TreeMirror::add(const std::string& folder, const std::string& name, Child child,
                     TreeChanges& changes) {
    if (entry_count_ >= room_) {
        if (!truncated) {
            truncated = true;
            hooks_.on_problem("the index is full (" + std::to_string(room_) +
                              " entries for this tree; one index holds at most 300000): new "
                              "entries are left out until others go");
        }
        return;
    }
    const std::u16string& text = folders_.at(folder).text;
    changes.upsert({text, child.name, child.ticks, child.is_folder});
    ++entry_count_;
    const bool descend = child.descended;
    const std::u16string sub_text = text + child.name + static_cast<char16_t>(kSeparator);
    keep(folders_.at(folder), name, std::move(child));
    if (descend) {
        const std::string sub = child_path(folder, name);
        hooks_.on_folder_added(sub);
        folders_[sub].text = sub_text;
        sync(sub, false, changes);
    }
}

void TreeMirror::drop(const std::string& folder, const std::string& name, const Child& child,
                      TreeChanges& changes) {
    changes.remove({folders_.at(folder).text, child.name, child.ticks, child.is_folder});
    --entry_count_;
    if (child.descended) {
        drop_folder(child_path(folder, name));
    }
}

void TreeMirror::drop_folder(const std::string& folder) {
    const std::string prefix = folder + kSeparator;
    std::vector<std::string> gone;
    if (folders_.contains(folder)) {
        gone.push_back(folder);
    }
    for (auto it = folders_.lower_bound(prefix);
         it != folders_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        gone.push_back(it->first);
    }
    for (const std::string& path : gone) {
        entry_count_ -= folders_.at(path).children.size();
        hooks_.on_folder_removed(path);
        folders_.erase(path);
    }
}

void TreeMirror::for_each_entry(const EntryVisitor& visit) const {
    for (const auto& [path, record] : folders_) {
        for (const auto& [name, child] : record.children) {
            visit(record.text, child.name, child.ticks, child.is_folder);
        }
    }
}

}  // namespace qsearch
