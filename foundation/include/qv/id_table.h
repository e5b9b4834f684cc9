// Open-addressing table of 32-bit ids filed under 32-bit hash tags, for indexes over items that
// live in some array: the table holds no keys of its own, so the owner decides which of the ids
// under a tag is the one it looks for. Linear probing over a power-of-two slot count, at most
// three quarters full; erase moves later items back instead of leaving tombstones. Growth
// reports failure and leaves the table as it was.
#pragma once

#include "qv/fatal.h"
#include "qv/memory.h"
#include "qv/types.h"

namespace qv {

class id_table {
  public:
    static constexpr u32 no_id = u32_max;

    id_table() = default;
    ~id_table() { mem_free(slots_); }
    id_table(const id_table&) = delete;
    id_table& operator=(const id_table&) = delete;
    id_table(id_table&& other) noexcept
        : slots_(other.slots_),
          slot_count_(other.slot_count_),
          shift_(other.shift_),
          size_(other.size_) {
        other.slots_ = nullptr;
        other.slot_count_ = other.size_ = 0;
    }

    usize size() const { return size_; }
    usize slot_count() const { return slot_count_; }
    // Heap bytes the table holds.
    usize bytes() const { return slot_count_ * sizeof(slot); }

    // Room for `items` ids in all without further growth.
    [[nodiscard]] bool reserve(usize items) noexcept {
        usize count = slot_count_ == 0 ? 16 : slot_count_;
        while (count - count / 4 < items) {
            if (count > (usize{1} << 31)) {
                return false;
            }
            count *= 2;
        }
        return count == slot_count_ || rehash(count);
    }

    // Files `id` (never no_id) under `tag`, into room reserved beforehand.
    void insert_reserved(u32 tag, u32 id) noexcept {
        QV_CHECK(id != no_id && size_ < slot_count_ - slot_count_ / 4);
        usize i = home(tag);
        while (slots_[i].id != no_id) {
            i = (i + 1) & (slot_count_ - 1);
        }
        slots_[i] = {tag, id};
        ++size_;
    }

    // The first id under `tag`, in probe order, that `accept` takes; no_id if none.
    template <typename Accept>
    u32 find(u32 tag, Accept&& accept) const {
        if (slot_count_ == 0) {
            return no_id;
        }
        for (usize i = home(tag); slots_[i].id != no_id; i = (i + 1) & (slot_count_ - 1)) {
            if (slots_[i].tag == tag && accept(slots_[i].id)) {
                return slots_[i].id;
            }
        }
        return no_id;
    }

    // Calls `visit` with every id under `tag`.
    template <typename Visit>
    void for_each(u32 tag, Visit&& visit) const {
        (void)find(tag, [&](u32 id) {
            visit(id);
            return false;
        });
    }

    // Removes `id` from under `tag`; false if it is not there.
    bool erase(u32 tag, u32 id) noexcept {
        if (slot_count_ == 0) {
            return false;
        }
        usize mask = slot_count_ - 1;
        usize hole = home(tag);
        while (slots_[hole].id != id || slots_[hole].tag != tag) {
            if (slots_[hole].id == no_id) {
                return false;
            }
            hole = (hole + 1) & mask;
        }
        // Every later item of the probe run whose home does not lie between the hole and its
        // own slot moves back into the hole, so that lookups never meet a gap before it.
        for (usize j = (hole + 1) & mask; slots_[j].id != no_id; j = (j + 1) & mask) {
            usize from_home = (j - home(slots_[j].tag)) & mask;
            if (from_home >= ((j - hole) & mask)) {
                slots_[hole] = slots_[j];
                hole = j;
            }
        }
        slots_[hole].id = no_id;
        --size_;
        return true;
    }

    // Files `to` in the place of `from` under `tag`; false if `from` is not there.
    bool replace(u32 tag, u32 from, u32 to) noexcept {
        QV_CHECK(to != no_id);
        if (slot_count_ == 0) {
            return false;
        }
        for (usize i = home(tag); slots_[i].id != no_id; i = (i + 1) & (slot_count_ - 1)) {
            if (slots_[i].tag == tag && slots_[i].id == from) {
                slots_[i].id = to;
                return true;
            }
        }
        return false;
    }

    // Gives up every id and the storage.
    void clear() noexcept {
        mem_free(slots_);
        slots_ = nullptr;
        slot_count_ = size_ = 0;
        shift_ = 32;
    }

  private:
    struct slot {
        u32 tag;
        u32 id;
    };

    // Fibonacci hashing: the top bits of the product pick the slot, so tags that differ only
    // in their high bits still spread.
    usize home(u32 tag) const { return static_cast<u32>(tag * 0x9E3779B1u) >> shift_; }

    bool rehash(usize count) noexcept {
        slot* fresh = mem_alloc_array<slot>(count);
        if (fresh == nullptr) {
            return false;
        }
        for (usize i = 0; i < count; ++i) {
            fresh[i].id = no_id;
        }
        slot* old = slots_;
        usize old_count = slot_count_;
        slots_ = fresh;
        slot_count_ = count;
        shift_ = 32;
        for (usize c = count; c > 1; c /= 2) {
            --shift_;
        }
        size_ = 0;
        for (usize i = 0; i < old_count; ++i) {
            if (old[i].id != no_id) {
                insert_reserved(old[i].tag, old[i].id);
            }
        }
        mem_free(old);
        return true;
    }

    slot* slots_ = nullptr;
    usize slot_count_ = 0;
    u32 shift_ = 32;
    usize size_ = 0;
};

}  // namespace qv
