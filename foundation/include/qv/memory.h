// The one allocator layer of the libraries (HeapAlloc on Windows, malloc on POSIX), plus the
// few language utilities that <new> and <utility> would otherwise provide.
#pragma once

#include "qv/types.h"

namespace qv {

// Returns null on failure; never throws, never aborts.
void* mem_alloc(usize bytes) noexcept;
void mem_free(void* block) noexcept;
// Gives a live block a new size of `bytes` (at least 1), keeping its contents up to the smaller
// size, in place where the platform can: trimming a large block neither copies it nor needs
// both sizes at once, and growing one moves it only when it must (a large block by remapping
// its pages rather than copying them). Returns the block's new address, or null with the block
// left as it was.
void* mem_resize(void* block, usize bytes) noexcept;

// Allocation of `count` objects of T with the multiplication checked.
template <typename T>
T* mem_alloc_array(usize count) noexcept {
    if (count > u64_max / sizeof(T)) {
        return nullptr;
    }
    return static_cast<T*>(mem_alloc(count * sizeof(T)));
}

inline void mem_copy(void* to, const void* from, usize bytes) {
    if (bytes != 0) {
        __builtin_memcpy(to, from, bytes);
    }
}
inline void mem_zero(void* to, usize bytes) {
    if (bytes != 0) {
        __builtin_memset(to, 0, bytes);
    }
}

template <typename T>
struct remove_reference {
    using type = T;
};
template <typename T>
struct remove_reference<T&> {
    using type = T;
};
template <typename T>
struct remove_reference<T&&> {
    using type = T;
};

template <typename T>
constexpr typename remove_reference<T>::type&& move(T&& value) noexcept {
    return static_cast<typename remove_reference<T>::type&&>(value);
}
template <typename T>
constexpr T&& forward(typename remove_reference<T>::type& value) noexcept {
    return static_cast<T&&>(value);
}
template <typename T>
constexpr void swap(T& a, T& b) noexcept {
    T t = move(a);
    a = move(b);
    b = move(t);
}

struct placement_tag {};

}  // namespace qv

// Placement construction without <new>; the tag keeps it apart from the standard form.
inline void* operator new(qv::usize, void* where, qv::placement_tag) noexcept {
    return where;
}
inline void operator delete(void*, void*, qv::placement_tag) noexcept {}

#define QV_CONSTRUCT_AT(where, Type) new (where, ::qv::placement_tag{}) Type
