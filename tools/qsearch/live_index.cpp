#include "live_index.h"

#include <algorithm>
#include <set>
#include <unordered_set>

#include "case_twins.h"
#include "entry_loader.h"
#include "mutation_batches.h"
#include "stopwatch.h"

namespace qsearch {
namespace {

// Upserts carry a generation of their own; nothing sweeps by it.
constexpr std::uint32_t kWatchGeneration = 1;
// Removed entries stay in the store, names and all, until it is rebuilt: past these the store
// is rebuilt from the mirror, long before its name and folder pools fill up.
constexpr std::uint32_t kDeletedBeforeRebuild = 65536;
constexpr std::size_t kUnitsBeforeRebuild = std::size_t{16} << 20;

// The paths one batch has upserted so far.
class BatchConflicts {
  public:
    void note_upsert(const EntryChange& entry) {
        const std::u16string path = full_path(entry.dir, entry.name);
        folded_.insert(case_candidate_key(path));
        exact_.insert(path);
    }
    // The store refuses two upserts whose paths are equal ignoring case.
    bool upserted_twice(const EntryChange& entry) const {
        return folded_.contains(case_candidate_key(full_path(entry.dir, entry.name)));
    }
    // A removal must reach an entry this batch upserted at its path, or below it.
    bool removal_meets_upsert(const EntryChange& entry) const {
        const std::u16string path = full_path(entry.dir, entry.name);
        if (exact_.contains(path)) {
            return true;
        }
        const std::u16string below = path + kPathSeparator;
        const auto first_below = exact_.lower_bound(below);
        return entry.is_folder && first_below != exact_.end() && first_below->starts_with(below);
    }

  private:
    std::unordered_set<std::u16string> folded_;
    std::set<std::u16string> exact_;
};

}  // namespace

void LiveIndex::rebuild(const TreeMirror& mirror) {
    Store store =
        Store::create(static_cast<std::uint32_t>(outside_.size() + mirror.entry_count()), 0);
    spellings_.clear();
    EntryLoader loader(store);
    for (const CopiedEntry& entry : outside_) {
        loader.add(entry.dir, entry.name, static_cast<std::uint64_t>(entry.ticks), entry.is_folder);
        remember_folder(entry.dir);
    }
    mirror.for_each_entry([&](const std::u16string& dir, const std::u16string& name,
                              std::uint64_t ticks, bool is_folder) {
        loader.add(dir, name, ticks, is_folder);
        remember_folder(dir);
    });
    loader.finish();
    store.seal();
    store_ = std::move(store);
    live_ = store_->stats().live_count;
    deleted_ = 0;
    units_since_rebuild_ = 0;
}

AppliedChanges LiveIndex::apply(const TreeChanges& changes, const TreeMirror& mirror) {
    Stopwatch clock;
    AppliedChanges applied;
    applied.records = changes.list.size();
    // The store finds folders ignoring letter case and keeps the spelling it met first, even
    // when all their entries are gone: only a rebuild gives a respelled folder its new name.
    if (respells_a_folder(changes)) {
        rebuild(mirror);
        applied.rebuilt = true;
        applied.seconds = clock.seconds();
        return applied;
    }
    BatchWriter writer(*store_);
    BatchConflicts conflicts;
    for (const TreeChange& change : changes.list) {
        const EntryChange& entry = change.entry;
        // A batch removes only entries that were there before it, and takes one upsert per
        // path: a path met again starts a new batch.
        if (change.removal ? conflicts.removal_meets_upsert(entry)
                           : conflicts.upserted_twice(entry)) {
            writer.finish();
            conflicts = {};
        }
        if (change.removal) {
            if (entry.is_folder) {
                writer.remove_tree(entry);
            } else {
                writer.remove(entry);
            }
            continue;
        }
        writer.upsert(entry, kWatchGeneration);
        conflicts.note_upsert(entry);
        remember_folder(entry.dir);
        units_since_rebuild_ += entry.dir.size() + entry.name.size();
    }
    const MutationCounts counts = writer.finish();
    applied.batches = writer.batches();
    live_ = counts.live;
    deleted_ = counts.deleted;
    if (deleted_ > std::max(live_, kDeletedBeforeRebuild) ||
        units_since_rebuild_ > kUnitsBeforeRebuild) {
        rebuild(mirror);
        applied.rebuilt = true;
    }
    applied.seconds = clock.seconds();
    return applied;
}

bool LiveIndex::save(const std::string& file) {
    if (live_ == 0) {
        return false;
    }
    store_->save(file, 0);
    return true;
}

bool LiveIndex::respells_a_folder(const TreeChanges& changes) const {
    for (const TreeChange& change : changes.list) {
        const auto found = spellings_.find(case_candidate_key(change.entry.dir));
        if (!change.removal && found != spellings_.end() &&
            !found->second.contains(change.entry.dir)) {
            return true;
        }
    }
    return false;
}

void LiveIndex::remember_folder(const std::u16string& dir) {
    spellings_[case_candidate_key(dir)].insert(dir);
}

}  // namespace qsearch
