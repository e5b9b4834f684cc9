#include "qv/array.h"

#include <gtest/gtest.h>

#include <csignal>

#include "qv/alloc_seam.h"

namespace {

struct seam_guard {
    ~seam_guard() { qv::alloc_seam::fail_nth(0); }
};

TEST(Array, GrowsToTwiceTheCapacityAndAtLeastFour) {
    qv::array<int> a;
    ASSERT_TRUE(a.push_back(1));
    EXPECT_EQ(a.capacity(), 4u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(a.push_back(i));
    }
    EXPECT_EQ(a.capacity(), 4u);
    ASSERT_TRUE(a.push_back(9));
    EXPECT_EQ(a.capacity(), 8u);
    // A request beyond twice the capacity is served exactly.
    ASSERT_TRUE(a.reserve(100));
    EXPECT_EQ(a.capacity(), 100u);
    ASSERT_TRUE(a.reserve_exact(101));
    EXPECT_EQ(a.capacity(), 101u);
    EXPECT_EQ(a.size(), 5u);
    EXPECT_EQ(a[4], 9);
}

// Growth resizes the block in place or moves it with its bytes: past the sizes the heap maps
// pages for, every element stays, the capacities still double, and the live blocks stay one.
TEST(Array, LargeGrowthKeepsEveryElement) {
    const int64_t baseline = qv::alloc_seam::live_blocks();
    qv::array<qv::u32> a;
    for (qv::u32 i = 0; i < (1u << 22); ++i) {
        ASSERT_TRUE(a.push_back(i * 2654435761u));
    }
    EXPECT_EQ(a.capacity(), qv::usize{1} << 22);
    EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline + 1);
    for (qv::u32 i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i], i * 2654435761u) << i;
    }
}

TEST(Array, ShrinkIsExactAndEmptyGivesUpStorage) {
    qv::array<int> a;
    ASSERT_TRUE(a.reserve_exact(50));
    ASSERT_TRUE(a.push_back(7));
    ASSERT_TRUE(a.push_back(8));
    ASSERT_TRUE(a.shrink_to_fit());
    EXPECT_EQ(a.capacity(), 2u);
    EXPECT_EQ(a[1], 8);
    a.clear();
    ASSERT_TRUE(a.shrink_to_fit());
    EXPECT_EQ(a.capacity(), 0u);
    EXPECT_EQ(a.data(), nullptr);
}

// Blocks of several MiB take the heap's huge-page path: a new one starts on a 2 MiB boundary
// where the platform offers one; they grow by resizing and are trimmed with their contents kept.
TEST(Array, LargeBlocksGrowAndTrimWithTheirContents) {
    qv::array<qv::u32> a;
    constexpr qv::u32 count = 3u << 20;  // 12 MiB
    ASSERT_TRUE(a.reserve_exact(count / 2));
#if !defined(_WIN32)
    EXPECT_EQ(reinterpret_cast<qv::usize>(a.data()) % (qv::usize{2} << 20), 0u);
#endif
    for (qv::u32 i = 0; i < count; ++i) {
        ASSERT_TRUE(a.push_back(i * 2654435761u));
    }
    ASSERT_TRUE(a.reserve_exact(count + (count >> 1)));
    a.truncate(count - 5);
    ASSERT_TRUE(a.shrink_to_fit());
    EXPECT_EQ(a.capacity(), count - 5);
    for (qv::u32 i = 0; i < count - 5; i += 4099) {
        ASSERT_EQ(a[i], i * 2654435761u);
    }
    EXPECT_EQ(a[count - 6], (count - 6) * 2654435761u);
}

TEST(Array, FailedGrowthReportsAndKeepsContents) {
    seam_guard guard;
    qv::array<qv::u16> a;
    const qv::u16 text[] = {1, 2, 3};
    ASSERT_TRUE(a.append(text, 3));
    ASSERT_EQ(a.capacity(), 4u);
    qv::alloc_seam::fail_nth(1);
    EXPECT_FALSE(a.reserve_more(10));
    EXPECT_TRUE(a.append(text, 3));  // only the first allocation was made to fail
    EXPECT_EQ(a.size(), 6u);
    ASSERT_TRUE(a.append(text, 2));
    ASSERT_EQ(a.size(), a.capacity());
    qv::alloc_seam::fail_nth(1);
    EXPECT_FALSE(a.push_back(4));
    EXPECT_EQ(a.size(), 8u);
    EXPECT_EQ(a[2], 3);
    EXPECT_EQ(a[7], 2);
    EXPECT_FALSE(a.reserve_more(SIZE_MAX));  // overflow of the length, no allocation tried
}

TEST(Array, MovesNonTrivialElementsAndReleasesThem) {
    qv::i64 before = qv::alloc_seam::live_blocks();
    {
        qv::array<qv::array<int>> outer;
        for (int i = 0; i < 20; ++i) {
            qv::array<int> inner;
            ASSERT_TRUE(inner.push_back(i));
            ASSERT_TRUE(outer.push_back(qv::move(inner)));
        }
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(outer[static_cast<size_t>(i)][0], i);
        }
        outer.truncate(5);
        EXPECT_EQ(outer.size(), 5u);
    }
    EXPECT_EQ(qv::alloc_seam::live_blocks(), before);
}

// A failed invariant aborts: SIGABRT, not the trap signal that a handler could return from.
TEST(ArrayDeathTest, OutOfRangeIndexAbortsTheProcess) {
    qv::array<int> a;
    ASSERT_TRUE(a.push_back(1));
    EXPECT_EXIT({ (void)a[1]; }, testing::KilledBySignal(SIGABRT), "");
}

}  // namespace
