// The frame every export shares: record checks in order, the reset, handles and create limits.

#include <gtest/gtest.h>

#include "store_fixture.h"

namespace {

using namespace test;

TEST(Frame, AbiVersionIsThree) {
    EXPECT_EQ(quorven_search_core_abi_version(), 3u);
}

TEST(Frame, MismatchedOrNullRecordsAreNeverWritten) {
    auto request = blank_record<quorven_search_core_create_request_v1>();
    quorven_search_core_create_result_v1 result;
    fill(result, 0xAB);
    auto untouched = bytes_of(result);

    EXPECT_EQ(quorven_search_core_create_v1(nullptr, &result), 1u);
    EXPECT_EQ(bytes_of(result), untouched);
    EXPECT_EQ(quorven_search_core_create_v1(&request, nullptr), 1u);

    for (auto [size, version] : {std::pair{64u, 1u}, {55u, 1u}, {56u, 2u}, {56u, 0u}}) {
        fill(result, 0xAB);
        result.size = size;
        result.version = version;
        auto before = bytes_of(result);
        EXPECT_EQ(quorven_search_core_create_v1(&request, &result), 2u);
        EXPECT_EQ(bytes_of(result), before) << size << "/" << version;
    }

    // A bad request header is also reported before the result is touched.
    fill(result, 0xAB);
    result.size = sizeof result;
    result.version = 1;
    auto before = bytes_of(result);
    request.version = 2;
    EXPECT_EQ(quorven_search_core_create_v1(&request, &result), 2u);
    EXPECT_EQ(bytes_of(result), before);

    quorven_search_core_seal_result_v1 seal_result;
    fill(seal_result, 0xCD);
    seal_result.size = 60;
    auto seal_before = bytes_of(seal_result);
    EXPECT_EQ(quorven_search_core_seal_v1(nullptr, &seal_result), 2u);
    EXPECT_EQ(bytes_of(seal_result), seal_before);
    EXPECT_EQ(quorven_search_core_seal_v1(nullptr, nullptr), 1u);
}

TEST(Frame, ResultIsResetBeforeArgumentFailures) {
    store s;
    batch b({{u"C:\\", u"a.txt", 1}});
    auto request = b.request();
    request.reserved[31] = 1;
    quorven_search_core_add_batch_result_v1 result;
    fill(result, 0xEE);
    result.size = sizeof result;
    result.version = 1;
    EXPECT_EQ(quorven_search_core_add_batch_v1(s, &request, &result), 1u);
    EXPECT_TRUE(is_reset_with_status(result, 1));

    // Null handle: checked after the reset.
    fill(result, 0xEE);
    result.size = sizeof result;
    result.version = 1;
    request.reserved[31] = 0;
    EXPECT_EQ(quorven_search_core_add_batch_v1(nullptr, &request, &result), 1u);
    EXPECT_TRUE(is_reset_with_status(result, 1));

    quorven_search_core_seal_result_v1 seal_result;
    fill(seal_result, 0xEE);
    seal_result.size = sizeof seal_result;
    seal_result.version = 1;
    EXPECT_EQ(quorven_search_core_seal_v1(nullptr, &seal_result), 1u);
    EXPECT_TRUE(is_reset_with_status(seal_result, 1));
}

TEST(Frame, HandleOnlyExportsRejectNull) {
    EXPECT_EQ(quorven_search_core_destroy_v1(nullptr), 1u);
    EXPECT_EQ(quorven_search_core_cancel_v1(nullptr), 1u);
    EXPECT_EQ(quorven_search_core_reset_cancel_v1(nullptr), 1u);
    store s;
    EXPECT_EQ(quorven_search_core_cancel_v1(s), 0u);
    EXPECT_EQ(quorven_search_core_cancel_v1(s), 0u);
    EXPECT_EQ(quorven_search_core_reset_cancel_v1(s), 0u);
}

TEST(Create, LimitsAndReservedBytes) {
    auto request = blank_record<quorven_search_core_create_request_v1>();
    auto result = blank_record<quorven_search_core_create_result_v1>();

    request.initial_entries = 300000;
    request.initial_name_units = 0x4000000;
    ASSERT_EQ(quorven_search_core_create_v1(&request, &result), 0u);
    EXPECT_NE(result.handle, 0u);
    store big(QUORVEN_SC_HANDLE_FROM_U64(result.handle));
    auto figures = stats(big);
    EXPECT_EQ(figures.entries_bytes, 300000u * 40);
    EXPECT_EQ(figures.name_pool_bytes, 0x4000000u * 2);

    for (auto [entries, units] : {std::pair{300001u, 0u}, {0u, 0x4000001u}}) {
        request.initial_entries = entries;
        request.initial_name_units = units;
        fill(result, 0x55);
        result.size = sizeof result;
        result.version = 1;
        EXPECT_EQ(quorven_search_core_create_v1(&request, &result), 1u);
        EXPECT_TRUE(is_reset_with_status(result, 1));
        EXPECT_EQ(result.handle, 0u);
    }

    for (size_t offset = 16; offset < 56; ++offset) {
        auto bad = blank_record<quorven_search_core_create_request_v1>();
        reinterpret_cast<unsigned char*>(&bad)[offset] = 1;
        EXPECT_EQ(quorven_search_core_create_v1(&bad, &result), 1u) << "offset " << offset;
        EXPECT_EQ(result.handle, 0u);
    }
}

}  // namespace
