#include "live_index.h"

#include <algorithm>

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
    applied.records = changes.removed.size() + changes.upserted.size();
    // The store finds folders ignoring letter case and keeps the spelling it met first, even
    // when all their entries are gone: only a rebuild gives a respelled folder its new name.
    if (respells_a_folder(changes)) {
        rebuild(mirror);
        applied.rebuilt = true;
        applied.seconds = clock.seconds();
        return applied;
    }
    BatchWriter writer(*store_);
    for (const EntryChange& entry : changes.removed) {
        if (entry.is_folder) {
            writer.remove_tree(entry);
        } else {
            writer.remove(entry);
        }
    }
    for (const EntryChange& entry : changes.upserted) {
        writer.upsert(entry, kWatchGeneration);
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
    for (const EntryChange& entry : changes.upserted) {
        const auto found = spellings_.find(case_candidate_key(entry.dir));
        if (found != spellings_.end() && !found->second.contains(entry.dir)) {
            return true;
        }
    }
    return false;
}

void LiveIndex::remember_folder(const std::u16string& dir) {
    spellings_[case_candidate_key(dir)].insert(dir);
}

}  // namespace qsearch
