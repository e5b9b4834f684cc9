#include "qv/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct item {
    int key;
    int id;
};
bool before(const item& a, const item& b) {
    return a.key != b.key ? a.key > b.key : a.id < b.id;
}

TEST(Sort, BothAlgorithmsAgreeWithStdSortOnATotalOrder) {
    std::mt19937 rng(3);
    for (size_t n : {0u, 1u, 2u, 19u, 20u, 21u, 64u, 1000u}) {
        std::vector<item> items(n);
        for (size_t i = 0; i < n; ++i) {
            items[i] = {static_cast<int>(rng() % 10), static_cast<int>(i)};
        }
        std::vector<item> expected = items;
        std::sort(expected.begin(), expected.end(), before);
        for (auto algorithm : {0, 1, 2}) {
            std::vector<item> got = items;
            std::shuffle(got.begin(), got.end(), rng);
            if (algorithm == 0) {
                qv::insertion_sort(got.data(), n, before);
            } else if (algorithm == 1) {
                qv::heap_sort(got.data(), n, before);
            } else {
                qv::sort(got.data(), n, before);
            }
            for (size_t i = 0; i < n; ++i) {
                EXPECT_EQ(got[i].id, expected[i].id) << "n=" << n << " algorithm=" << algorithm;
            }
        }
    }
}

TEST(Sort, HeapKeepsItsRootOnTop) {
    std::vector<int> heap;
    auto above = [](int a, int b) { return a < b; };  // smallest at the root
    std::mt19937 rng(5);
    for (int i = 0; i < 200; ++i) {
        heap.push_back(static_cast<int>(rng() % 1000));
        qv::heap_sift_up(heap.data(), heap.size() - 1, above);
        EXPECT_EQ(heap[0], *std::min_element(heap.begin(), heap.end()));
    }
    heap[0] = 5000;
    qv::heap_sift_down(heap.data(), heap.size(), 0, above);
    EXPECT_EQ(heap[0], *std::min_element(heap.begin(), heap.end()));
}

}  // namespace
