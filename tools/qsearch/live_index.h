// The store behind the watch command: built from the mirror of the watched tree (with the
// entries of an existing index file that lie outside it), then kept in step through mutation
// batches, and rebuilt when batches alone would go wrong or grow it without end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "session.h"
#include "tree_mirror.h"

namespace qsearch {

struct AppliedChanges {
    std::size_t records = 0;  // removals and upserts
    std::size_t batches = 0;  // mutation batches the store took (0 when it was rebuilt)
    double seconds = 0;
    bool rebuilt = false;
};

class LiveIndex {
  public:
    explicit LiveIndex(std::vector<CopiedEntry> outside) : outside_(std::move(outside)) {}

    void rebuild(const TreeMirror& mirror);
    // `changes` are what the mirror just recorded; the mirror already holds their outcome.
    AppliedChanges apply(const TreeChanges& changes, const TreeMirror& mirror);
    std::uint32_t live_count() const { return live_; }
    // False (and nothing written) when there is nothing to save: an index file holds at least
    // one entry.
    bool save(const std::string& file);

  private:
    bool respells_a_folder(const TreeChanges& changes) const;
    void remember_folder(const std::u16string& dir);

    std::optional<Store> store_;
    std::vector<CopiedEntry> outside_;
    // The folder paths the store holds (it never drops one), by case_candidate_key.
    std::unordered_map<std::u16string, std::unordered_set<std::u16string>> spellings_;
    std::uint32_t live_ = 0;
    std::uint32_t deleted_ = 0;
    std::size_t units_since_rebuild_ = 0;
};

}  // namespace qsearch
