// In-place sorting and binary-heap primitives over plain arrays. `before(a, b)` is a strict
// order: true when a must come before b.
#pragma once

#include "qv/memory.h"
#include "qv/types.h"

namespace qv {

template <typename T, typename Before>
void insertion_sort(T* items, usize count, Before before) {
    for (usize i = 1; i < count; ++i) {
        T item = move(items[i]);
        usize j = i;
        for (; j > 0 && before(item, items[j - 1]); --j) {
            items[j] = move(items[j - 1]);
        }
        items[j] = move(item);
    }
}

// Binary heap whose root is the item that `above` puts first.
template <typename T, typename Above>
void heap_sift_up(T* items, usize index, Above above) {
    while (index > 0) {
        usize parent = (index - 1) / 2;
        if (!above(items[index], items[parent])) {
            break;
        }
        swap(items[index], items[parent]);
        index = parent;
    }
}

template <typename T, typename Above>
void heap_sift_down(T* items, usize count, usize index, Above above) {
    for (;;) {
        usize top = index;
        usize left = 2 * index + 1;
        usize right = left + 1;
        if (left < count && above(items[left], items[top])) {
            top = left;
        }
        if (right < count && above(items[right], items[top])) {
            top = right;
        }
        if (top == index) {
            return;
        }
        swap(items[index], items[top]);
        index = top;
    }
}

// Unstable O(n log n) sort in place.
template <typename T, typename Before>
void heap_sort(T* items, usize count, Before before) {
    // A heap with the last-ordered item at the root, emptied from the back.
    auto after = [&](const T& a, const T& b) { return before(b, a); };
    for (usize i = count / 2; i > 0; --i) {
        heap_sift_down(items, count, i - 1, after);
    }
    for (usize end = count; end > 1; --end) {
        swap(items[0], items[end - 1]);
        heap_sift_down(items, end - 1, 0, after);
    }
}

// Insertion sort for short runs, heap sort above: both give the same result for a total order.
template <typename T, typename Before>
void sort(T* items, usize count, Before before) {
    if (count <= 20) {
        insertion_sort(items, count, before);
    } else {
        heap_sort(items, count, before);
    }
}

}  // namespace qv
