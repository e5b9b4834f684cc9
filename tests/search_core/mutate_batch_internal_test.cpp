// Mutation batches seen from inside the store: the records an upsert appends, the names that
// deleted entries keep, refused batches that leave every array as it was (capacity aside), and
// every allocation failing in turn.

#include <gtest/gtest.h>

#include "mutation_fixture.h"
#include "qv/alloc_seam.h"
#include "search_fixture.h"
#include "store_internals.h"

namespace {

using namespace test;

TEST(MutateBatch, UpsertAppendsItsRecordAndTheReplacedNameStays) {
    store s(sealed_store({{u"C:\\Docs", u"Report.TXT", 5}, {u"C:\\Docs", u"other", 5}}));
    mutations m;
    m.upsert(u"c:\\DOCS", u"report.txt", 9, 3);
    ASSERT_EQ(mutate(s, m).status, 0u);
    auto entries = entries_of(s);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], (stored_entry{u"C:\\Docs", u"Report.TXT", 5, 5 | utc_kind, 0, 0, 0, 1}));
    EXPECT_EQ(entries[2], (stored_entry{u"C:\\Docs", u"report.txt", 9, 9 | utc_kind, 0, 3, 0, 0}));
    EXPECT_EQ(internals(s).live_count, 2u);
}

// Upserts append each name where the pool ends, so queries may go on skimming the pool; a
// pool that ends past the last name (never made by the library) stops them.
TEST(MutateBatch, UpsertsKeepTheNamesInEntryOrderAsFarAsTheyHold) {
    store s(sealed_store({{u"C:\\Docs", u"a.txt"}, {u"C:\\Docs", u"b.txt"}}));
    sc::search_core& core = internals(s);
    ASSERT_EQ(run_query(s, u"txt", 5).result.matched, 2u);
    ASSERT_EQ(core.names_in_entry_order, 1u);
    mutations m;
    m.upsert(u"C:\\Docs", u"a.txt", 9);
    m.upsert(u"C:\\New", u"c.txt", 9);
    ASSERT_EQ(mutate(s, m).status, 0u);
    EXPECT_EQ(core.names_in_entry_order, 1u);
    EXPECT_EQ(run_query(s, u"TXT", 5).result.matched, 3u);

    ASSERT_TRUE(core.name_pool.reserve_more(1));
    core.name_pool.push_back_reserved(u'x');
    mutations more;
    more.upsert(u"C:\\New", u"d.txt", 9);
    ASSERT_EQ(mutate(s, more).status, 0u);
    EXPECT_EQ(core.names_in_entry_order, 0u);
    EXPECT_EQ(run_query(s, u"TXT", 5).result.matched, 4u);
}

// A refused batch may have grown capacities, never lengths: checked here where upserts into new
// directories come before the failing record.
TEST(MutateBatch, RefusedBatchesLeaveEveryArrayAsItWas) {
    store s(sealed_store({{u"C:\\a", u"x"}, {u"C:\\a", u"y"}}));
    auto before = snapshot(s);
    mutations duplicate;
    duplicate.upsert(u"D:\\new", u"Name");
    duplicate.remove(u"C:\\a\\x");
    duplicate.upsert(u"d:\\NEW", u"nAME");
    EXPECT_EQ(mutate(s, duplicate).status, 1u);
    EXPECT_TRUE(snapshot(s) == before);

    mutations late_time;
    late_time.upsert(u"E:\\other", u"n1");
    late_time.remove_tree(u"C:\\a");
    late_time.upsert(u"E:\\other", u"n2").time_binary = 7;
    EXPECT_EQ(mutate(s, late_time).status, 8u);
    EXPECT_TRUE(snapshot(s) == before);
}

TEST(MutateBatch, OutOfMemoryAtEveryAllocationChangesNothing) {
    store s(sealed_store({{u"C:\\a", u"x"}, {u"C:\\a", u"y"}, {u"C:\\b", u"z"}}));
    mutations m;
    for (int i = 0; i < 6; ++i) {
        m.upsert(u"D:\\n" + std::u16string(1, char16_t(u'0' + i % 3)),
                 u"f" + std::u16string(1, char16_t(u'0' + i)));
    }
    m.upsert(u"C:\\a", u"x", 3);
    m.remove(u"C:\\a\\y");
    m.remove_tree(u"C:\\b");
    auto before = snapshot(s);
    int64_t baseline = qv::alloc_seam::live_blocks();
    for (uint64_t k = 1;; ++k) {
        qv::alloc_seam::fail_nth(k);
        auto result = mutate(s, m);
        qv::alloc_seam::fail_nth(0);
        if (result.status == 0) {
            EXPECT_EQ(result.live_count, 7u);
            break;
        }
        ASSERT_EQ(result.status, 6u) << "allocation " << k;
        EXPECT_EQ(result.applied, 0u);
        EXPECT_EQ(result.live_count, 3u);
        EXPECT_TRUE(snapshot(s) == before) << "allocation " << k;
        EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
    }
}

}  // namespace
