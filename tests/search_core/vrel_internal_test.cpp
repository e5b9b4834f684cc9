// The index file seen from inside the store: what open puts into the store's arrays, and what
// a save leaves there.

#include <gtest/gtest.h>

#include "mutation_fixture.h"
#include "store_internals.h"
#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;

constexpr uint64_t max_ticks = QUORVEN_SC_MAX_TICKS;

TEST(VrelRoundTrip, LoadedStoreIsSealedTrimmedAndWithoutLookup) {
    host::temp_dir dir;
    store s(sealed_store({{u"a", u"x", 1}, {u"b", u"y", 2}}));
    ASSERT_EQ(save_store(s, dir.file(u"index.vrel"), dir.file(u"index.tmp")).status, 0u);
    auto r = open_file(dir.file(u"index.vrel"));
    ASSERT_EQ(r.status, 0u);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
    const sc::search_core& core = internals(loaded);
    EXPECT_EQ(core.sealed, 1u);
    EXPECT_FALSE(core.dir_lookup);
    EXPECT_EQ(core.live_count, 2u);
    EXPECT_EQ(core.cancel_requested.load_relaxed(), 0u);
    EXPECT_EQ(core.entries.capacity(), core.entries.size());
    EXPECT_EQ(core.dir_table.capacity(), core.dir_table.size());
    EXPECT_EQ(core.dir_pool.capacity(), core.dir_pool.size());
    EXPECT_EQ(core.name_pool.capacity(), core.name_pool.size());
}

// Record k of the file is entry k, directory record i is directory i, every field as the file
// says (time with its kind, any non-zero folder byte as 1), generation 0 and not deleted.
TEST(VrelRoundTrip, LoadedRecordsAreTheFileRecordsInOrder) {
    host::temp_dir dir;
    const uint64_t local = (uint64_t{2} << 62) | 77;
    auto file = file_builder()
                    .header(3)
                    .dir("C:\\\xC3\xA9")
                    .dir("")
                    .dir("unused")
                    .u32(4)
                    .entry(1, "zero", 0, 0)
                    .entry(0, "utc", 1, utc(max_ticks))
                    .entry(0, "local", 0x7F, local)
                    .entry(1, "", 0, utc(1))
                    .bytes();
    ASSERT_TRUE(host::write_file(dir.file(u"i"), file));
    auto r = open_file(dir.file(u"i"));
    ASSERT_EQ(r.status, 0u);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
    EXPECT_EQ(dirs_of(loaded), (std::vector<std::u16string>{u"C:\\\u00E9", u"", u"unused"}));
    const auto max = static_cast<int64_t>(max_ticks);
    EXPECT_EQ(entries_of(loaded), (std::vector<stored_entry>{
                                      {u"", u"zero", 0, 0, 1, 0, 0, 0},
                                      {u"C:\\\u00E9", u"utc", max, utc(max_ticks), 0, 0, 1, 0},
                                      {u"C:\\\u00E9", u"local", 77, local, 0, 0, 1, 0},
                                      {u"", u"", 1, utc(1), 1, 0, 0, 0},
                                  }));
    EXPECT_EQ(internals(loaded).live_count, 4u);
}

TEST(VrelStore, SaveLeavesEveryArrayAsItWas) {
    host::temp_dir dir;
    store s(sealed_store({{u"d", u"n", 1}, {u"e", u"m", 2}}));
    remove_paths(s, {u"d\\n"});
    auto before = snapshot(s);
    ASSERT_EQ(save_store(s, dir.file(u"index.vrel"), dir.file(u"index.tmp")).status, 0u);
    EXPECT_TRUE(snapshot(s) == before);
}

}  // namespace
