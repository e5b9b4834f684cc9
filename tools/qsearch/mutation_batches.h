// Brings a loaded store in step with changed entries through mutation batches.
#pragma once

#include <quorven/search_core.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "session.h"
#include "tree_diff.h"

namespace qsearch {

// Collects mutation records and hands them to the store in batches of the largest size it
// takes. Each batch is all or nothing; the caller saves only after finish().
class BatchWriter {
  public:
    explicit BatchWriter(Store& store) : store_(store) {}

    void remove(const EntryChange& entry);
    // The entry and everything under it.
    void remove_tree(const EntryChange& entry);
    void upsert(const EntryChange& entry, std::uint32_t generation);
    MutationCounts finish();

    std::size_t batches() const { return batches_; }

  private:
    void add_path_record(std::uint32_t kind, const EntryChange& entry);
    void make_room();
    std::uint32_t append(const std::u16string& units);
    void flush();

    Store& store_;
    std::vector<quorven_search_core_mutation_v1> records_;
    std::u16string text_;
    MutationCounts counts_;
    std::size_t batches_ = 0;
};

// Removes first, then upserts, so no batch passes the store's entry limit on the way to a
// final count within it, and no removal meets an entry upserted by an earlier batch.
MutationCounts apply_diff(Store& store, const TreeDiff& diff, std::uint32_t generation);

}  // namespace qsearch
