// Mutation batches together with the index file: saving and opening again compacts a mutated
// store, frees the name pool that replaced names filled, and entries that come from a file
// carry generation 0 for sweeps.

#include <gtest/gtest.h>

#include "mutation_fixture.h"
#include "vrel_fixture.h"
#include "vrel_host.h"

namespace {

using namespace test;
using namespace test::vrel;

// Saves the store and opens the file again.
quorven_search_core_open_vrel_result_v1 reopened(quorven_search_core_handle h,
                                                 const host::temp_dir& dir) {
    auto saved = save_store(h, dir.file(u"index.vrel"), dir.file(u"index.tmp"));
    EXPECT_EQ(saved.status, 0u);
    auto opened = open_file(dir.file(u"index.vrel"));
    EXPECT_EQ(opened.status, 0u);
    return opened;
}

TEST(MutateThenSave, OpeningAgainDropsDeletedEntriesAndUnusedDirectories) {
    host::temp_dir dir;
    store s(sealed_store({{u"C:\\gone", u"a", 1},
                          {u"C:\\keep", u"b", 2},
                          {u"C:\\gone", u"c", 3},
                          {u"C:\\keep", u"d", 4}}));
    mutations m;
    m.remove_tree(u"C:\\gone");
    m.upsert(u"D:\\new", u"e", 5, 9);
    m.upsert(u"C:\\keep", u"B", 6, 9);  // replaces b
    auto mutated = mutate(s, m);
    ASSERT_EQ(mutated.status, 0u);
    ASSERT_EQ(mutated.live_count + mutated.deleted_count, 6u);

    auto opened = reopened(s, dir);
    store again(QUORVEN_SC_HANDLE_FROM_U64(opened.handle));
    // The file holds the live entries in order, directories numbered by first use.
    EXPECT_EQ(*host::read_file(dir.file(u"index.vrel")), file_builder()
                                                             .header(2, opened.saved_at)
                                                             .dir("C:\\keep")
                                                             .dir("D:\\new")
                                                             .u32(3)
                                                             .entry(0, "d", 0, utc(4))
                                                             .entry(1, "e", 0, utc(5))
                                                             .entry(0, "B", 0, utc(6))
                                                             .bytes());
    EXPECT_EQ(copied_entries(again),
              (std::vector<std::optional<copied_entry>>{copied_entry{u"C:\\keep", u"d", 4, 0},
                                                        copied_entry{u"D:\\new", u"e", 5, 0},
                                                        copied_entry{u"C:\\keep", u"B", 6, 0}}));
    EXPECT_EQ(counts(again).dir_count, 2u);
    auto figures = stats(again);
    EXPECT_EQ(figures.live_count, 3u);
    EXPECT_EQ(figures.dir_count, 2u);
    EXPECT_EQ(figures.entries_bytes, 3u * 40);

    // The compacted store takes batches like any sealed store.
    mutations more;
    more.remove(u"c:\\KEEP\\d");
    auto result = mutate(again, more);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.live_count, 2u);
    EXPECT_EQ(result.deleted_count, 1u);
}

TEST(MutateThenSave, AFullNamePoolEmptiesOnlyThroughSaveAndOpen) {
    host::temp_dir dir;
    store s(sealed_store({{u"C:\\a", u"x"}}));
    const std::u16string big(0x100000, u'n');
    auto replace = [&](quorven_search_core_handle h) {
        mutations m;
        m.upsert(u"C:\\a", big);
        return mutate(h, m).status;
    };
    while (replace(s) == 0) {
    }
    EXPECT_EQ(replace(s), 1u);  // stays full: deleted names keep their units
    store again(QUORVEN_SC_HANDLE_FROM_U64(reopened(s, dir).handle));
    EXPECT_EQ(stats(again).name_pool_bytes, (1u + 0x100000u) * 2);  // "x" and the last big name
    EXPECT_EQ(replace(again), 0u);
}

// An index file may hold two spellings of one folder. The first batch on the opened store
// resolves the folder to the first spelling and finds the entries of both.
TEST(MutateThenSave, BatchesOnAnOpenedFileFindEverySpellingOfAFolder) {
    host::temp_dir dir;
    ASSERT_TRUE(host::write_file(dir.file(u"index.vrel"), file_builder()
                                                              .header(2)
                                                              .dir("D:\\\xce\xa9mega")
                                                              .dir("d:\\\xcf\x89MEGA")
                                                              .u32(3)
                                                              .entry(0, "a")
                                                              .entry(1, "b")
                                                              .entry(1, "A")
                                                              .bytes()));
    auto opened = open_file(dir.file(u"index.vrel"));
    ASSERT_EQ(opened.status, 0u);
    store s(QUORVEN_SC_HANDLE_FROM_U64(opened.handle));
    mutations m;
    m.upsert(u"D:\\\u03a9MEGA", u"a", 7);
    m.remove(u"d:\\\u03c9mega/B");
    auto result = mutate(s, m);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(result.live_count, 1u);
    EXPECT_EQ(result.deleted_count, 3u);
    EXPECT_EQ(result.dir_count, 2u);
    EXPECT_EQ(live_entries(s), (std::vector<copied_entry>{{u"D:\\\u03a9mega", u"a", 7, 0}}));
}

TEST(MutateThenSave, SweepRemovesEntriesOpenedFromAFile) {
    host::temp_dir dir;
    store s(sealed_store({{u"C:\\t", u"old"}, {u"C:\\u", u"other"}}));
    mutations fresh;
    fresh.upsert(u"C:\\t", u"new", 1, 4);
    ASSERT_EQ(mutate(s, fresh).status, 0u);
    store again(QUORVEN_SC_HANDLE_FROM_U64(reopened(s, dir).handle));
    // Every entry of an opened store has generation 0, the new one included: a sweep that
    // keeps generation 0 keeps them all.
    mutations keep_zero;
    keep_zero.sweep(u"C:\\", 0);
    auto kept = mutate(again, keep_zero);
    ASSERT_EQ(kept.status, 0u);
    EXPECT_EQ(kept.live_count, 3u);
    EXPECT_EQ(kept.deleted_count, 0u);

    mutations renew;
    renew.upsert(u"C:\\t", u"new", 2, 5);
    renew.sweep(u"C:\\t", 5);
    auto result = mutate(again, renew);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(result.live_count, 2u);  // C:\t\new of generation 5 and C:\u\other
    auto live = live_entries(again);
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[0].name, u"other");
    EXPECT_EQ(live[1].name, u"new");
    EXPECT_EQ(live[1].timestamp, 2);
    // The upserted entry carries generation 5: sweeping for 5 again keeps it.
    mutations sweep_again;
    sweep_again.sweep(u"C:\\t", 5);
    EXPECT_EQ(mutate(again, sweep_again).live_count, 2u);
}

}  // namespace
