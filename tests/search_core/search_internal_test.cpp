// Query and projection under allocation failures, which only the allocator seam can cause.

#include <gtest/gtest.h>

#include "qv/alloc_seam.h"
#include "search_fixture.h"

namespace {

using namespace test;

constexpr uint32_t recent_files = 1;
constexpr uint32_t folders = 2;

TEST(Query, HeapMemoryFailureIsStatusSixAndLeaksNothing) {
    store s(sealed_store({{u"", u"x"}, {u"", u"xy"}}));
    int64_t baseline = qv::alloc_seam::live_blocks();
    qv::alloc_seam::fail_nth(1);
    auto call = run_query(s, u"x", 300000);
    qv::alloc_seam::fail_nth(0);
    EXPECT_EQ(call.status, 6u);
    EXPECT_TRUE(is_reset_with_status(call.result, 6));
    EXPECT_TRUE(all_untouched(call.hits));
    EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
    EXPECT_EQ(run_query(s, u"x", 300000).result.hit_count, 2u);
}

TEST(Project, MemoryFailuresAreStatusSixAndLeakNothing) {
    store s(sealed_store({{u"C:\\x", u"a", 1}, {u"C:\\y", u"b", 2}}));
    int64_t baseline = qv::alloc_seam::live_blocks();
    // Mode 1 needs the heap; mode 2 the heap and then the per-directory counters.
    for (auto [mode, allocations] : {std::pair{recent_files, 1u}, {folders, 2u}}) {
        for (uint32_t k = 1; k <= allocations; ++k) {
            qv::alloc_seam::fail_nth(k);
            auto call = run_project(s, mode, 5);
            qv::alloc_seam::fail_nth(0);
            EXPECT_EQ(call.status, 6u) << mode << "/" << k;
            EXPECT_TRUE(is_reset_with_status(call.result, 6));
            EXPECT_TRUE(all_untouched(call.text));
            EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
        }
        EXPECT_EQ(run_project(s, mode, 5).result.row_count, 2u);
    }
}

}  // namespace
