// The frame under allocation failures, which only the allocator seam can cause.

#include <gtest/gtest.h>

#include "qv/alloc_seam.h"
#include "store_fixture.h"

namespace {

using namespace test;

TEST(Create, OutOfMemoryAtEveryAllocationLeavesNothingBehind) {
    auto request = blank_record<quorven_search_core_create_request_v1>();
    request.initial_entries = 10;
    request.initial_name_units = 10;
    auto result = blank_record<quorven_search_core_create_result_v1>();
    int64_t baseline = qv::alloc_seam::live_blocks();
    for (uint64_t k = 1;; ++k) {
        qv::alloc_seam::fail_nth(k);
        uint32_t status = quorven_search_core_create_v1(&request, &result);
        qv::alloc_seam::fail_nth(0);
        if (status == 0) {
            EXPECT_GT(k, 1u);
            quorven_search_core_destroy_v1(QUORVEN_SC_HANDLE_FROM_U64(result.handle));
            break;
        }
        EXPECT_EQ(status, 6u);
        EXPECT_TRUE(is_reset_with_status(result, 6));
        EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
    }
    EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
}

}  // namespace
