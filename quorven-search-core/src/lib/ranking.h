// The one ranking order of query hits and projected rows, and the bounded heap that keeps the
// best N candidates of a single pass without ever holding more than N of them.
#pragma once

#include "qv/array.h"
#include "qv/sort.h"
#include "qv/types.h"

namespace quorven::search_core {

struct ranked_item {
    qv::i64 timestamp;  // recency key: the entry's, or a folder's newest file's
    qv::u32 id;         // entry id or directory id; unique within one selection
    qv::u32 score;      // query score, file count of a folder, or 0
    qv::u32 tag;        // the entry's is_folder, or 1 for a folder row
};

// Higher score first, then newer, then lower id. Ids are unique, so the order is total and any
// sort gives the same sequence.
inline bool ranks_before(const ranked_item& a, const ranked_item& b) {
    if (a.score != b.score) {
        return a.score > b.score;
    }
    if (a.timestamp != b.timestamp) {
        return a.timestamp > b.timestamp;
    }
    return a.id < b.id;
}

// The best `limit` items offered so far. The heap's root is the worst kept item, so a full
// heap rejects most later candidates with one comparison.
class top_n_heap {
  public:
    // Storage for max(4, min(candidates, limit)) items, reserved once; false when the memory
    // is not there. `candidates` bounds how many items will ever be offered.
    [[nodiscard]] bool reserve(qv::usize candidates, qv::u32 limit) {
        limit_ = limit;
        qv::usize room = candidates < limit ? candidates : limit;
        return items_.reserve_exact(room < 4 ? 4 : room);
    }

    void offer(const ranked_item& item) {
        if (items_.size() < limit_) {
            items_.push_back_reserved(item);
            qv::heap_sift_up(items_.data(), items_.size() - 1, ranks_after);
        } else if (ranks_before(item, items_[0])) {
            items_[0] = item;
            qv::heap_sift_down(items_.data(), items_.size(), 0, ranks_after);
        }
    }

    // Puts the kept items in ranking order, best first; the heap is spent afterwards.
    void sort_best_first() { qv::sort(items_.data(), items_.size(), ranks_before); }

    qv::usize size() const { return items_.size(); }
    const ranked_item& operator[](qv::usize i) const { return items_[i]; }

  private:
    static bool ranks_after(const ranked_item& a, const ranked_item& b) {
        return ranks_before(b, a);
    }

    qv::array<ranked_item> items_;
    qv::u32 limit_ = 0;
};

}  // namespace quorven::search_core
