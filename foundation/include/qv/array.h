// Growable array whose growth reports failure instead of throwing. Storage comes from the
// allocator layer; element access is bounds-checked (a bad index is a library bug).
#pragma once

#include "qv/fatal.h"
#include "qv/memory.h"
#include "qv/types.h"

namespace qv {

template <typename T>
class array {
  public:
    array() = default;
    ~array() { release(); }
    array(const array&) = delete;
    array& operator=(const array&) = delete;
    array(array&& other) noexcept
        : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
        other.data_ = nullptr;
        other.size_ = other.capacity_ = 0;
    }
    array& operator=(array&& other) noexcept {
        if (this != &other) {
            release();
            data_ = other.data_;
            size_ = other.size_;
            capacity_ = other.capacity_;
            other.data_ = nullptr;
            other.size_ = other.capacity_ = 0;
        }
        return *this;
    }

    usize size() const { return size_; }
    usize capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    T& operator[](usize i) {
        QV_CHECK(i < size_);
        return data_[i];
    }
    const T& operator[](usize i) const {
        QV_CHECK(i < size_);
        return data_[i];
    }
    T& back() { return (*this)[size_ - 1]; }

    // Capacity of exactly `count` elements, or more if already held.
    [[nodiscard]] bool reserve_exact(usize count) noexcept {
        return count <= capacity_ || reallocate(count);
    }

    // Room for `count` elements in all, growing amortised: a full array grows to at least twice
    // its capacity and to at least 4 elements.
    [[nodiscard]] bool reserve(usize count) noexcept {
        if (count <= capacity_) {
            return true;
        }
        usize grown = capacity_ > max_elements() / 2 ? max_elements() : capacity_ * 2;
        if (grown < 4) {
            grown = 4;
        }
        return reallocate(count > grown ? count : grown);
    }

    // Room for `extra` more elements beyond the current length.
    [[nodiscard]] bool reserve_more(usize extra) noexcept {
        if (extra > max_elements() - size_) {
            return false;
        }
        return reserve(size_ + extra);
    }

    // Capacity equal to the length (plain data is trimmed in place, as reallocate resizes its
    // block); an empty array gives up its storage. Fails only if the smaller block cannot be
    // allocated, leaving the array as it was.
    [[nodiscard]] bool shrink_to_fit() noexcept {
        if (size_ == capacity_) {
            return true;
        }
        if (size_ == 0) {
            release();
            return true;
        }
        return reallocate(size_);
    }

    [[nodiscard]] bool push_back(T value) noexcept {
        if (size_ == capacity_ && !reserve(size_ + 1)) {
            return false;
        }
        push_back_reserved(move(value));
        return true;
    }

    // Append into capacity reserved beforehand; running out is a library bug.
    void push_back_reserved(T value) noexcept {
        QV_CHECK(size_ < capacity_);
        QV_CONSTRUCT_AT(data_ + size_, T)(move(value));
        ++size_;
    }

    // Append `count` trivially copyable elements into reserved capacity.
    void append_reserved(const T* from, usize count) noexcept {
        static_assert(__is_trivially_copyable(T));
        QV_CHECK(count <= capacity_ - size_);
        mem_copy(data_ + size_, from, count * sizeof(T));
        size_ += count;
    }

    [[nodiscard]] bool append(const T* from, usize count) noexcept {
        if (!reserve_more(count)) {
            return false;
        }
        append_reserved(from, count);
        return true;
    }

    // Room for `count` more trivially copyable elements inside the reserved capacity, taken into
    // the length at once for the caller to fill (and to give back with truncate if it must).
    T* extend_reserved(usize count) noexcept {
        static_assert(__is_trivially_copyable(T));
        QV_CHECK(count <= capacity_ - size_);
        T* room = data_ + size_;
        size_ += count;
        return room;
    }

    // Shorten to `count` elements, keeping the capacity.
    void truncate(usize count) noexcept {
        QV_CHECK(count <= size_);
        if constexpr (__is_trivially_copyable(T)) {
            size_ = count;
        } else {
            while (size_ > count) {
                data_[--size_].~T();
            }
        }
    }
    void clear() noexcept { truncate(0); }

  private:
    static constexpr usize max_elements() { return u64_max / sizeof(T); }

    bool reallocate(usize count) noexcept {
        // Bytes can move with their block: a large array grows without a copy of what it holds
        // or a second set of pages, and a failed growth leaves it as it was.
        if constexpr (__is_trivially_copyable(T)) {
            if (data_ != nullptr && count >= size_ && count <= max_elements()) {
                void* resized = mem_resize(data_, count * sizeof(T));
                if (resized == nullptr) {
                    return false;
                }
                data_ = static_cast<T*>(resized);
                capacity_ = count;
                return true;
            }
        }
        T* fresh = mem_alloc_array<T>(count);
        if (fresh == nullptr) {
            return false;
        }
        if constexpr (__is_trivially_copyable(T)) {
            mem_copy(fresh, data_, size_ * sizeof(T));
        } else {
            for (usize i = 0; i < size_; ++i) {
                QV_CONSTRUCT_AT(fresh + i, T)(move(data_[i]));
                data_[i].~T();
            }
        }
        mem_free(data_);
        data_ = fresh;
        capacity_ = count;
        return true;
    }

    void release() noexcept {
        truncate(0);
        mem_free(data_);
        data_ = nullptr;
        capacity_ = 0;
    }

    T* data_ = nullptr;
    usize size_ = 0;
    usize capacity_ = 0;
};

}  // namespace qv
