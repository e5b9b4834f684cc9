// Open-addressing hash map from a 64-bit key to a movable value, with linear probing and a
// power-of-two slot count. Growth reports failure; nothing is ever erased.
#pragma once

#include "qv/array.h"
#include "qv/memory.h"
#include "qv/types.h"

namespace qv {

template <typename V>
class u64_map {
  public:
    struct slot {
        u64 key;
        V value;
        bool used;
    };

    u64_map() = default;
    ~u64_map() { release(); }
    u64_map(const u64_map&) = delete;
    u64_map& operator=(const u64_map&) = delete;
    u64_map(u64_map&& other) noexcept
        : slots_(other.slots_), slot_count_(other.slot_count_), size_(other.size_) {
        other.slots_ = nullptr;
        other.slot_count_ = other.size_ = 0;
    }

    usize size() const { return size_; }
    usize slot_count() const { return slot_count_; }
    // Items the map can hold before it must grow (items stored plus remaining room).
    usize capacity_items() const { return slot_count_ - slot_count_ / 4; }

    // Room for `items` keys in all without further growth.
    [[nodiscard]] bool reserve(usize items) noexcept {
        while (capacity_items() < items) {
            if (!grow()) {
                return false;
            }
        }
        return true;
    }

    V* find(u64 key) noexcept {
        if (slot_count_ == 0) {
            return nullptr;
        }
        for (usize i = home(key);; i = (i + 1) & (slot_count_ - 1)) {
            slot& s = slots_[i];
            if (!s.used) {
                return nullptr;
            }
            if (s.key == key) {
                return &s.value;
            }
        }
    }

    // Asks for the cache line where a find of `key` starts, ahead of the find.
    void prefetch(u64 key) const {
        if (slot_count_ != 0) {
            __builtin_prefetch(slots_ + home(key));
        }
    }

    // The value of `key`, default-constructed if new; null if the map could not grow.
    V* find_or_insert(u64 key) noexcept {
        if (V* found = find(key)) {
            return found;
        }
        if (size_ + 1 > capacity_items() && !grow()) {
            return nullptr;
        }
        slot& s = slots_[free_slot(key)];
        s.key = key;
        QV_CONSTRUCT_AT(&s.value, V)();
        s.used = true;
        ++size_;
        return &s.value;
    }

    template <typename F>
    void for_each(F&& visit) const {
        for (usize i = 0; i < slot_count_; ++i) {
            if (slots_[i].used) {
                visit(slots_[i].key, slots_[i].value);
            }
        }
    }

  private:
    // The keys are often FNV hashes already, but some carry only a length in their low bits:
    // mix all 64 bits before taking the slot index.
    usize home(u64 key) const {
        key ^= key >> 33;
        key *= 0xFF51AFD7ED558CCDull;
        key ^= key >> 33;
        return static_cast<usize>(key) & (slot_count_ - 1);
    }

    usize free_slot(u64 key) const {
        usize i = home(key);
        while (slots_[i].used) {
            i = (i + 1) & (slot_count_ - 1);
        }
        return i;
    }

    bool grow() noexcept {
        usize count = slot_count_ == 0 ? 16 : slot_count_ * 2;
        slot* fresh = mem_alloc_array<slot>(count);
        if (fresh == nullptr) {
            return false;
        }
        for (usize i = 0; i < count; ++i) {
            fresh[i].used = false;
        }
        slot* old = slots_;
        usize old_count = slot_count_;
        slots_ = fresh;
        slot_count_ = count;
        for (usize i = 0; i < old_count; ++i) {
            if (old[i].used) {
                slot& s = slots_[free_slot(old[i].key)];
                s.key = old[i].key;
                QV_CONSTRUCT_AT(&s.value, V)(move(old[i].value));
                s.used = true;
                old[i].value.~V();
            }
        }
        mem_free(old);
        return true;
    }

    void release() noexcept {
        for (usize i = 0; i < slot_count_; ++i) {
            if (slots_[i].used) {
                slots_[i].value.~V();
            }
        }
        mem_free(slots_);
        slots_ = nullptr;
        slot_count_ = size_ = 0;
    }

    slot* slots_ = nullptr;
    usize slot_count_ = 0;
    usize size_ = 0;
};

}  // namespace qv
