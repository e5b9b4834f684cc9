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
quorven_search_core_handle reopened(quorven_search_core_handle h, const host::temp_dir& dir) {
    auto saved = save_store(h, dir.file(u"index.vrel"), dir.file(u"index.tmp"));
    EXPECT_EQ(saved.status, 0u);
    auto opened = open_file(dir.file(u"index.vrel"));
    EXPECT_EQ(opened.status, 0u);
    return QUORVEN_SC_HANDLE_FROM_U64(opened.handle);
}

TEST(MutateThenSave, OpeningAgainDropsDeletedEntriesAndUnusedDirectories) {
    host::temp_dir dir;
    store s(test::vrel::sealed_store({{u"C:\\gone", u"a", 1},
                                      {u"C:\\keep", u"b", 2},
                                      {u"C:\\gone", u"c", 3},
                                      {u"C:\\keep", u"d", 4}}));
    mutations m;
    m.remove_tree(u"C:\\gone");
    m.upsert(u"D:\\new", u"e", 5, 9);
    m.upsert(u"C:\\keep", u"B", 6, 9);  // replaces b
    ASSERT_EQ(mutate(s, m).status, 0u);
    ASSERT_EQ(internals(s).entries.size(), 6u);

    store again(reopened(s, dir));
    std::vector<stored_entry> expected = {
        {u"C:\\keep", u"d", 4, utc(4), 0, 0, 0, 0},
        {u"D:\\new", u"e", 5, utc(5), 1, 0, 0, 0},
        {u"C:\\keep", u"B", 6, utc(6), 0, 0, 0, 0},
    };
    EXPECT_EQ(entries_of(again), expected);
    EXPECT_EQ(dirs_of(again), (std::vector<std::u16string>{u"C:\\keep", u"D:\\new"}));
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
    store s(test::vrel::sealed_store({{u"C:\\a", u"x"}}));
    const std::u16string big(0x100000, u'n');
    auto replace = [&](quorven_search_core_handle h) {
        mutations m;
        m.upsert(u"C:\\a", big);
        return mutate(h, m).status;
    };
    while (replace(s) == 0) {
    }
    EXPECT_EQ(replace(s), 1u);  // stays full: deleted names keep their units
    store again(reopened(s, dir));
    EXPECT_EQ(internals(again).name_pool.size(), 1u + 0x100000u);  // "x" and the last big name
    EXPECT_EQ(replace(again), 0u);
}

TEST(MutateThenSave, SweepRemovesEntriesOpenedFromAFile) {
    host::temp_dir dir;
    store s(test::vrel::sealed_store({{u"C:\\t", u"old"}, {u"C:\\u", u"other"}}));
    mutations fresh;
    fresh.upsert(u"C:\\t", u"new", 1, 4);
    ASSERT_EQ(mutate(s, fresh).status, 0u);
    store again(reopened(s, dir));
    // Every entry of an opened store has generation 0, the new one included.
    for (const stored_entry& e : entries_of(again)) {
        EXPECT_EQ(e.generation, 0u);
    }
    mutations renew;
    renew.upsert(u"C:\\t", u"new", 2, 5);
    renew.sweep(u"C:\\t", 5);
    auto result = mutate(again, renew);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(result.live_count, 2u);  // C:\t\new of generation 5 and C:\u\other
    std::vector<stored_entry> live;
    for (const stored_entry& e : entries_of(again)) {
        if (e.deleted == 0) {
            live.push_back(e);
        }
    }
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[0].name, u"other");
    EXPECT_EQ(live[1].name, u"new");
    EXPECT_EQ(live[1].generation, 5u);
}

}  // namespace
