// Sealing and the statistics it changes.

#include <gtest/gtest.h>

#include "store_fixture.h"

namespace {

using namespace test;

TEST(Seal, EmptyStoreAndSecondSeal) {
    store s;
    auto first = seal(s);
    EXPECT_EQ(first.status, 0u);
    EXPECT_EQ(first.entry_count, 0u);
    EXPECT_EQ(first.dir_count, 0u);
    auto figures = stats(s);
    EXPECT_EQ(figures.sealed, 1u);
    EXPECT_EQ(figures.total_bytes, 0u);

    store t;
    ASSERT_EQ(add(t, batch({{u"C:\\a", u"x"}, {u"C:\\b", u"y"}, {u"C:\\A", u"z"}})).status, 0u);
    first = seal(t);
    EXPECT_EQ(first.status, 0u);
    auto second = seal(t);
    EXPECT_EQ(second.status, 4u);
    EXPECT_EQ(second.entry_count, 3u);
    EXPECT_EQ(second.dir_count, 2u);
}

TEST(Stats, FreshStoreReportsItsReservations) {
    store s(create_store(1000, 5000));
    auto figures = stats(s);
    EXPECT_EQ(figures.status, 0u);
    EXPECT_EQ(figures.sealed, 0u);
    EXPECT_EQ(figures.live_count, 0u);
    EXPECT_EQ(figures.dir_count, 0u);
    EXPECT_EQ(figures.entries_bytes, 40000u);
    EXPECT_EQ(figures.name_pool_bytes, 10000u);
    EXPECT_EQ(figures.dir_table_bytes, 0u);
    EXPECT_EQ(figures.dir_pool_bytes, 0u);
    EXPECT_EQ(figures.total_bytes, 50000u + figures.dir_lookup_bytes);
}

TEST(Stats, SealingTrimsToLengthsAndDropsTheLookupMap) {
    store s(create_store(1000, 5000));
    std::vector<entry> entries;
    for (int i = 0; i < 9; ++i) {
        entries.push_back({u"C:\\d" + std::u16string(1, char16_t(u'0' + i % 3)), u"name", 1});
    }
    ASSERT_EQ(add(s, batch(entries)).status, 0u);
    auto loading = stats(s);
    EXPECT_EQ(loading.live_count, 9u);
    EXPECT_EQ(loading.dir_count, 3u);
    EXPECT_GT(loading.dir_lookup_bytes, 0u);
    EXPECT_GE(loading.dir_table_bytes, 3u * 8);

    ASSERT_EQ(seal(s).status, 0u);
    auto sealed = stats(s);
    EXPECT_EQ(sealed.sealed, 1u);
    EXPECT_EQ(sealed.dir_lookup_bytes, 0u);
    EXPECT_EQ(sealed.entries_bytes, 9u * 40);
    EXPECT_EQ(sealed.name_pool_bytes, 9u * 4 * 2);
    EXPECT_EQ(sealed.dir_table_bytes, 3u * 8);
    EXPECT_EQ(sealed.dir_pool_bytes, 3u * 5 * 2);  // "C:\\dN"
    EXPECT_EQ(sealed.total_bytes, 360u + 72 + 24 + 30);
}

TEST(Stats, RecordChecksWithoutReset) {
    quorven_search_core_stats_result_v1 result;
    EXPECT_EQ(quorven_search_core_stats_v1(nullptr, nullptr), 1u);
    fill(result, 0x77);
    result.size = 96;
    result.version = 1;
    auto before = bytes_of(result);
    EXPECT_EQ(quorven_search_core_stats_v1(nullptr, &result), 2u);
    EXPECT_EQ(bytes_of(result), before);

    // Null handle: only the status is written.
    fill(result, 0x77);
    result.size = sizeof result;
    result.version = 1;
    EXPECT_EQ(quorven_search_core_stats_v1(nullptr, &result), 1u);
    auto after = bytes_of(result);
    EXPECT_EQ(result.status, 1u);
    for (size_t i = 12; i < after.size(); ++i) {
        EXPECT_EQ(after[i], 0x77) << i;
    }

    // Success fills the whole record, the zero block included.
    store s;
    fill(result, 0x77);
    result.size = sizeof result;
    result.version = 1;
    EXPECT_EQ(quorven_search_core_stats_v1(s, &result), 0u);
    for (unsigned char byte : result.reserved_tail) {
        EXPECT_EQ(byte, 0);
    }
}

}  // namespace
