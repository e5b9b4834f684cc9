// Query and projection under allocation failures, which only the allocator seam can cause, and
// the query's skim of the name pool against its entry-by-entry walk.

#include <gtest/gtest.h>

#include "qv/alloc_seam.h"
#include "search_fixture.h"
#include "store_internals.h"

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

std::vector<uint32_t> hit_words(const query_call& call) {
    std::vector<uint32_t> words = {call.status, call.result.scanned, call.result.matched,
                                   call.result.hit_count, call.result.hit_text_units};
    for (uint32_t i = 0; i < call.result.hit_count; ++i) {
        words.insert(words.end(), {call.hits[i].id, call.hits[i].score});
    }
    return words;
}

// Names that hold the query at their start, end and middle, whole, in both cases, and split
// across two neighbours (no match); thousands of fillers between them so that finding an entry by
// its offset takes long jumps; deleted entries among them.
TEST(Query, SkimOfTheNamePoolGivesTheWalksHits) {
    std::vector<entry> entries;
    const std::u16string planted[] = {u"qzx", u"QZX.txt", u"aqzx", u"a.qZxb", u"xq",
                                      u"zx",  u"xxq",     u"zxx",  u"q",      u"QzXqzx"};
    for (uint32_t i = 0; i < 3000; ++i) {
        entries.push_back({u"C:\\d",
                           i % 300 == 7 ? planted[i / 300] : u"f" + std::u16string(i % 9, u'e'),
                           i % 5});
    }
    entries[1208].name = u"zxx";  // after "xq"
    entries[1808].name = u"zx";   // after "xxq"
    store s(sealed_store(entries));
    sc::search_core& core = internals(s);
    const std::u16string queries[] = {u"qzx",
                                      u"QZX",
                                      u"xq",
                                      u"zx",
                                      u"q",
                                      u"fe",
                                      u"eee",
                                      u"f",
                                      u"x.t",
                                      u"qzxq",
                                      u"not there at all"};
    auto both_ways = [&](const std::u16string& q, uint32_t max_hits) {
        core.names_in_entry_order = 0;
        query_call walked = run_query(s, q, max_hits);
        ASSERT_EQ(core.names_in_entry_order, 1u) << "the walk learns the layout";
        query_call skimmed = run_query(s, q, max_hits);
        EXPECT_EQ(hit_words(skimmed), hit_words(walked)) << "query of " << q.size() << " units";
    };
    for (const auto& q : queries) {
        both_ways(q, 5);
        both_ways(q, 3000);
    }
    for (uint32_t id : {7u, 307u, 2999u, 0u, 1807u}) {
        mark_deleted(s, id);
        for (const auto& q : queries) {
            both_ways(q, 50);
        }
    }
    ASSERT_EQ(quorven_search_core_cancel_v1(s), 0u);
    EXPECT_EQ(run_query(s, u"qzx", 5).status, 5u);
    ASSERT_EQ(quorven_search_core_reset_cancel_v1(s), 0u);

    // Names out of entry order (behind the store's back, so the layout is learnt anew): the walk
    // finds them so, and no query skims.
    std::swap(core.entries[10].name_offset, core.entries[11].name_offset);
    std::swap(core.entries[10].name_length, core.entries[11].name_length);
    core.names_in_entry_order = 0;
    for (int run = 0; run < 2; ++run) {
        query_call call = run_query(s, u"qzx", 5);
        EXPECT_EQ(core.names_in_entry_order, 0u);
        EXPECT_EQ(call.result.matched, 3u);
    }
}

}  // namespace
