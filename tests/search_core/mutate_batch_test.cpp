// Mutation batches: the named behaviours of upsert, remove, remove_tree and sweep, the record
// checks, the limits, and all-or-nothing under every failure.

#include <gtest/gtest.h>

#include <set>

#include "mutation_fixture.h"
#include "search_fixture.h"

namespace {

using namespace test;

// The full paths of the live entries.
std::multiset<std::u16string> live(quorven_search_core_handle h) {
    std::multiset<std::u16string> paths;
    for (const copied_entry& e : live_entries(h)) {
        std::u16string path = e.dir;
        if (!path.empty() && path.back() != u'\\' && path.back() != u'/') {
            path += u'\\';
        }
        paths.insert(path + e.name);
    }
    return paths;
}

TEST(MutateBatch, NeedsASealedStore) {
    store s;
    ASSERT_EQ(add(s, batch({{u"C:\\", u"a"}})).status, 0u);
    mutations m;
    m.remove(u"C:\\a");
    auto result = mutate(s, m);
    EXPECT_EQ(result.status, 4u);
    EXPECT_EQ(result.applied, 0u);
    EXPECT_EQ(result.live_count, 1u);
    EXPECT_EQ(result.deleted_count, 0u);
    EXPECT_EQ(result.dir_count, 1u);
}

TEST(MutateBatch, UpsertReplacesTheSamePathInAnyAsciiCase) {
    store s(sealed_store({{u"C:\\Docs", u"Report.TXT", 5}, {u"C:\\Docs", u"other", 5}}));
    mutations m;
    m.upsert(u"c:\\DOCS", u"report.txt", 9, 3);
    auto result = mutate(s, m);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(result.applied, 1u);
    EXPECT_EQ(result.live_count, 2u);
    EXPECT_EQ(result.deleted_count, 1u);
    EXPECT_EQ(result.dir_count, 1u);  // the existing directory is reused
    // The old entry is gone; the new one comes last, in the directory's first spelling.
    EXPECT_EQ(copied_entries(s), (std::vector<std::optional<copied_entry>>{
                                     std::nullopt, copied_entry{u"C:\\Docs", u"other", 5, 0},
                                     copied_entry{u"C:\\Docs", u"report.txt", 9, 0}}));
}

TEST(MutateBatch, TrailingSeparatorMakesAnotherDirectoryAndReplacesNothing) {
    store s(sealed_store({{u"C:\\a", u"x"}}));
    mutations m;
    m.upsert(u"C:\\a\\", u"x");
    auto result = mutate(s, m);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(result.live_count, 2u);
    EXPECT_EQ(result.deleted_count, 0u);
    EXPECT_EQ(result.dir_count, 2u);
}

TEST(MutateBatch, NewDirectoryIsAddedOnceForAllItsUpserts) {
    store s(sealed_store({{u"C:\\a", u"x"}}));
    mutations m;
    m.upsert(u"D:\\new", u"1");
    m.upsert(u"d:\\NEW", u"2");
    m.upsert(u"C:\\A", u"3");
    m.upsert(u"D:\\New", u"4");
    auto result = mutate(s, m);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(result.dir_count, 2u);
    // Every upsert into the new directory shows its first spelling.
    std::vector<std::u16string> dirs;
    for (const copied_entry& e : live_entries(s)) {
        dirs.push_back(e.dir);
    }
    EXPECT_EQ(dirs, (std::vector<std::u16string>{u"C:\\a", u"D:\\new", u"D:\\new", u"C:\\a",
                                                 u"D:\\new"}));
}

TEST(MutateBatch, DuplicateUpsertsRejectTheBatch) {
    store s(sealed_store({{u"C:\\a", u"x"}}));
    auto before = visible(s);
    mutations m;
    m.upsert(u"C:\\b", u"Name");
    m.upsert(u"D:\\c", u"y");
    m.upsert(u"c:\\B", u"nAME");
    auto result = mutate(s, m);
    EXPECT_EQ(result.status, 1u);
    EXPECT_EQ(result.applied, 0u);
    EXPECT_EQ(result.live_count, 1u);
    EXPECT_EQ(result.dir_count, 1u);
    EXPECT_TRUE(visible(s) == before);
}

TEST(MutateBatch, RemoveFindsTheEntryByItsFullPath) {
    store s(sealed_store({{u"C:\\a", u"x"},
                          {u"C:\\", u"root"},
                          {u"", u"bare"},
                          {u"/usr/", u"bin"},
                          {u"C:\\\u00e9t\u00e9", u"\u00c9"}}));
    mutations m;
    m.remove(u"c:\\A\\X");
    m.remove(u"C:\\root");
    m.remove(u"BARE");
    m.remove(u"/usr/bin");
    m.remove(u"C:\\\u00c9T\u00c9\\\u00e9");
    m.remove(u"C:\\nothing");
    auto result = mutate(s, m);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(result.live_count, 0u);
    EXPECT_EQ(result.deleted_count, 5u);

    // A path that names no live entry removes nothing and is no failure.
    mutations again;
    again.remove(u"C:\\a\\x");
    EXPECT_EQ(mutate(s, again).status, 0u);
}

// Where the full path has an added separator, a remove may write `/` or `\` there, for ASCII
// and non-ASCII paths alike.
TEST(MutateBatch, RemoveAcceptsEitherSeparatorAtTheAddedOne) {
    store s(sealed_store({{u"C:\\a", u"x"}, {u"C:\\\u00e9", u"y"}, {u"C:\\b/", u"z"}}));
    mutations m;
    m.remove(u"C:\\a/x");
    m.remove(u"C:\\\u00e9/y");
    m.remove(u"C:\\b\\z");  // the directory's own `/` is text, not an added separator
    auto result = mutate(s, m);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(live(s), (std::multiset<std::u16string>{u"C:\\b/z"}));
}

TEST(MutateBatch, RemoveTreeCoversThePathAndWhatLiesUnderIt) {
    store s(sealed_store({{u"C:\\", u"a", 1, 1},
                          {u"C:\\a", u"x"},
                          {u"C:\\a\\deep", u"y"},
                          {u"C:\\a/", u"z"},
                          {u"C:\\", u"ab"},
                          {u"C:\\ab", u"x"},
                          {u"D:\\a", u"x"}}));
    mutations m;
    m.remove_tree(u"c:\\A");
    ASSERT_EQ(mutate(s, m).status, 0u);
    EXPECT_EQ(live(s), (std::multiset<std::u16string>{u"C:\\ab", u"C:\\ab\\x", u"D:\\a\\x"}));
}

TEST(MutateBatch, RemoveTreeWithATrailingSeparatorKeepsThePathItself) {
    store s(sealed_store({{u"C:\\", u"a", 1, 1}, {u"C:\\a", u"x"}, {u"", u"bare"}}));
    mutations m;
    m.remove_tree(u"C:\\a/");
    m.remove_tree(u"bar");  // a prefix of a name is no ancestor
    ASSERT_EQ(mutate(s, m).status, 0u);
    EXPECT_EQ(live(s), (std::multiset<std::u16string>{u"C:\\a", u"bare"}));
}

TEST(MutateBatch, SweepKeepsOnlyItsGeneration) {
    store s(sealed_store({{u"C:\\t", u"old1"}, {u"C:\\t", u"old2"}, {u"C:\\u", u"other"}}));
    mutations fresh;
    fresh.upsert(u"C:\\t", u"new", 1, 7);
    fresh.upsert(u"C:\\t", u"old1", 1, 7);
    fresh.upsert(u"C:\\t\\sub", u"newer", 1, 6);
    ASSERT_EQ(mutate(s, fresh).status, 0u);

    mutations sweep;
    sweep.sweep(u"C:\\t", 7);
    ASSERT_EQ(mutate(s, sweep).status, 0u);
    const std::multiset<std::u16string> kept = {u"C:\\t\\new", u"C:\\t\\old1", u"C:\\u\\other"};
    EXPECT_EQ(live(s), kept);
    // What was kept carries generation 7 under C:\t and 0 (from add_batch) under C:\u.
    ASSERT_EQ(mutate(s, sweep).status, 0u);
    EXPECT_EQ(live(s), kept);
    mutations keep_zero;
    keep_zero.sweep(u"C:\\", 0);
    ASSERT_EQ(mutate(s, keep_zero).status, 0u);
    EXPECT_EQ(live(s), (std::multiset<std::u16string>{u"C:\\u\\other"}));
}

TEST(MutateBatch, UpsertSurvivesARemoveOfItsPathInEitherOrder) {
    for (bool remove_first : {false, true}) {
        store s(sealed_store({{u"C:\\a", u"x", 1}}));
        mutations m;
        if (remove_first) {
            m.remove(u"C:\\a\\x");
            m.remove_tree(u"C:\\a");
        }
        m.upsert(u"C:\\a", u"x", 2);
        if (!remove_first) {
            m.remove(u"C:\\a\\x");
            m.remove_tree(u"C:\\a");
        }
        auto result = mutate(s, m);
        ASSERT_EQ(result.status, 0u);
        EXPECT_EQ(result.live_count, 1u);
        EXPECT_EQ(result.deleted_count, 1u);
        EXPECT_EQ(copy_of(s, {1}), (std::vector<copied_entry>{{u"C:\\a", u"x", 2, 0}}));
    }
}

TEST(MutateBatch, UpsertTimeChecks) {
    store s(sealed_store({{u"C:\\a", u"x"}}));
    constexpr uint64_t max_ticks = 0x2BCA2875F4373FFFull;
    struct time_case {
        uint64_t timestamp;
        uint64_t time_binary;
        uint32_t status;
    };
    const time_case cases[] = {
        {5, 6 | utc_kind, 1},                            // low bits differ
        {5, 5, 8},                                       // unspecified kind, not 0
        {0, 0, 0},                                       // unspecified kind as 0
        {max_ticks, max_ticks | utc_kind, 0},            // last tick
        {max_ticks + 1, (max_ticks + 1) | utc_kind, 1},  // timestamp checked first
        {5, (max_ticks + 1) | utc_kind, 9},              // UTC ticks out of range
        {5, (max_ticks + 1) | (uint64_t{2} << 62), 8},   // local kind out of range
        {5, 5 | (uint64_t{3} << 62), 0},                 // local kinds are kept
    };
    uint32_t generation = 0;
    for (const time_case& c : cases) {
        mutations m;
        auto& r = m.upsert(u"C:\\t", std::u16string{u'n', char16_t(u'a' + generation)});
        r.timestamp = c.timestamp;
        r.time_binary = c.time_binary;
        EXPECT_EQ(mutate(s, m).status, c.status) << generation;
        ++generation;
    }
}

TEST(MutateBatch, RequestAndRecordChecks) {
    store s(sealed_store({{u"C:\\a", u"x"}}));
    auto before = visible(s);
    mutations good;
    good.remove(u"C:\\a\\x");
    auto result = blank_record<quorven_search_core_mutate_batch_result_v1>();
    auto rejected = [&](quorven_search_core_mutate_batch_request_v1 r) {
        return quorven_search_core_mutate_batch_v1(s, &r, &result) == 1 &&
               is_reset_with_status(result, 1);
    };
    auto r = good.request();
    r.record_count = 0;
    EXPECT_TRUE(rejected(r));
    r.record_count = 8193;
    EXPECT_TRUE(rejected(r));
    r = good.request();
    r.text_units = 0;
    EXPECT_TRUE(rejected(r));
    r.text_units = 0x4000001;
    EXPECT_TRUE(rejected(r));
    r = good.request();
    r.records = 0;
    EXPECT_TRUE(rejected(r));
    r = good.request();
    r.text = 0;
    EXPECT_TRUE(rejected(r));
    r = good.request();
    r.reserved0 = 1;
    EXPECT_TRUE(rejected(r));
    r = good.request();
    r.reserved[7] = 1;
    EXPECT_TRUE(rejected(r));

    using fault = void (*)(mutations&);
    const fault faults[] = {
        [](mutations& m) { m.records()[0].reserved = 1; },
        [](mutations& m) { m.records()[0].kind = 0; },
        [](mutations& m) { m.records()[0].kind = 5; },
        [](mutations& m) { m.records()[0].is_folder = 1; },
        [](mutations& m) { m.records()[0].path_length = 0; },
        [](mutations& m) { m.records()[0].generation = 1; },  // only a sweep has one
        [](mutations& m) { m.records()[0].name_offset = 1; },
        [](mutations& m) { m.records()[0].timestamp = 1; },
        [](mutations& m) { m.records()[0].path_offset = 100; },  // outside the text
        [](mutations& m) { m.text()[2] = 0; },                   // NUL in the path
        [](mutations& m) {                                       // upsert with a path
            m.records()[0].kind = QUORVEN_SC_MUTATION_UPSERT;
        },
    };
    for (fault f : faults) {
        mutations m;
        m.remove(u"C:\\a\\x");
        f(m);
        EXPECT_EQ(mutate(s, m).status, 1u);
    }
    mutations upsert_faults[6];
    upsert_faults[0].upsert(u"C:\\a", u"y", 1, 0, 2);
    upsert_faults[1].upsert(u"C:\\a", u"y").name_length = 0;
    upsert_faults[2].upsert(u"C:\\a", u"y").dir_length = 1000;
    upsert_faults[3].upsert(u"C:\\a", u"y").name_offset = 0xFFFFFFFF;
    upsert_faults[4].upsert(std::u16string(u"C:\\a\0b", 6), u"y");
    upsert_faults[5].upsert(u"C:\\a", u"y").path_offset = 1;
    for (auto& m : upsert_faults) {
        EXPECT_EQ(mutate(s, m).status, 1u);
    }
    // The first failing record decides; a sweep may carry a generation.
    mutations order;
    order.sweep(u"C:\\zzz", 4);
    order.upsert(u"C:\\a", u"y").time_binary = 7;
    order.upsert(u"C:\\a", u"z").reserved = 1;
    EXPECT_EQ(mutate(s, order).status, 8u);
    EXPECT_TRUE(visible(s) == before);
}

TEST(MutateBatch, LiveEntryLimit) {
    store s(create_store());
    batch many;
    many.text() = u"Cn";
    many.records().assign(300000, {0, 1, 1, 1, 7, 0, 0});
    ASSERT_EQ(add(s, many).status, 0u);
    ASSERT_EQ(seal(s).status, 0u);
    mutations one_more;
    one_more.upsert(u"D:", u"new");
    auto result = mutate(s, one_more);
    EXPECT_EQ(result.status, 1u);
    EXPECT_EQ(result.live_count, 300000u);
    // Replacing as many as it adds fits: all 300000 share the path C\n.
    mutations swap;
    swap.upsert(u"C", u"n");
    result = mutate(s, swap);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.live_count, 1u);
    EXPECT_EQ(result.deleted_count, 300000u);
    EXPECT_EQ(counts(s).entry_count, 300001u);  // past 300000 in all, deleted included
}

TEST(MutateBatch, NamePoolFillsUpThroughRepeatedUpserts) {
    store s(sealed_store({{u"C:\\a", u"x"}}));
    const std::u16string big(0x100000, u'n');
    // Each batch replaces the same entry; the replaced names stay in the pool.
    int accepted = 0;
    for (;; ++accepted) {
        mutations m;
        m.upsert(u"C:\\a", big);
        auto result = mutate(s, m);
        if (result.status != 0) {
            EXPECT_EQ(result.status, 1u);
            break;
        }
        ASSERT_LT(accepted, 100);
    }
    EXPECT_EQ(accepted, 63);  // 1 + 63 * 0x100000 units fit in 0x4000000, one more does not
    mutations remove_only;
    remove_only.remove(u"C:\\a\\x");
    EXPECT_EQ(mutate(s, remove_only).status, 0u);
}

}  // namespace
