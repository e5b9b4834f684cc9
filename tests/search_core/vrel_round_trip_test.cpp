// Saving a store and opening the file again: every field and text comes back, in order, with
// directories renumbered by first use; the saved file is exactly the documented layout.

#include <gtest/gtest.h>

#include <chrono>

#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;

constexpr uint64_t max_ticks = QUORVEN_SC_MAX_TICKS;

struct saved {
    quorven_search_core_save_vrel_result_v1 save;
    quorven_search_core_open_vrel_result_v1 open;
};

saved save_and_open(quorven_search_core_handle h, const host::temp_dir& dir) {
    saved s{};
    s.save = save_store(h, dir.file(u"index.vrel"), dir.file(u"index.tmp"));
    EXPECT_EQ(s.save.status, 0u);
    s.open = open_file(dir.file(u"index.vrel"));
    EXPECT_EQ(s.open.status, 0u);
    return s;
}

TEST(VrelRoundTrip, EveryFieldAndTextComesBackInOrder) {
    host::temp_dir dir;
    const std::u16string long_name(70000, u'\u00E9');  // 140000 UTF-8 bytes: beyond one buffer
    store s(sealed_store({
        {u"C:\\Users\\Zoë", u"r\u00E9sum\u00E9.pdf", 1, 0},
        {u"", u"bare-name", 0, 1},
        {u"C:\\\U0001F600 emoji", u"\U0001F4C4\U0001F4C4.txt", max_ticks, 0},
        {u"C:\\Users\\Zoë", u"\u65E5\u672C\u8A9E", 123456789, 1},
        {u"D:\\deep", long_name, 42, 0},
    }));
    auto before = entries_of(s);
    saved r = save_and_open(s, dir);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.open.handle));
    EXPECT_EQ(entries_of(loaded), before);
    EXPECT_EQ(dirs_of(loaded), dirs_of(s));
    for (const stored_entry& e : entries_of(loaded)) {
        EXPECT_EQ(e.time_binary, utc(static_cast<uint64_t>(e.timestamp)));
    }
    EXPECT_EQ(r.save.format_version, 1u);
    EXPECT_EQ(r.save.entry_count, 5u);
    EXPECT_EQ(r.save.dir_count, 4u);
    EXPECT_EQ(r.open.format_version, 1u);
    EXPECT_EQ(r.open.entry_count, 5u);
    EXPECT_EQ(r.open.dir_count, 4u);
    EXPECT_EQ(r.open.saved_at, r.save.saved_at);
    EXPECT_EQ(r.open.file_size, r.save.file_size);
    EXPECT_EQ(r.save.file_size, host::read_file(dir.file(u"index.vrel"))->size());
    EXPECT_FALSE(host::exists(dir.file(u"index.tmp")));
}

TEST(VrelRoundTrip, SavedAtIsTheClockInTicks) {
    host::temp_dir dir;
    store s(sealed_store({{u"d", u"n", 1}}));
    auto ticks_now = [] {
        auto since = std::chrono::system_clock::now().time_since_epoch();
        return QUORVEN_SC_UNIX_EPOCH_TICKS +
               static_cast<uint64_t>(
                   std::chrono::duration_cast<std::chrono::microseconds>(since).count()) *
                   10;
    };
    uint64_t earliest = ticks_now() - 10;
    auto r = save_store(s, dir.file(u"i"), dir.file(u"t"));
    uint64_t latest = ticks_now() + 10;
    ASSERT_EQ(r.status, 0u);
    EXPECT_GE(r.saved_at, earliest);
    EXPECT_LE(r.saved_at, latest);
}

TEST(VrelRoundTrip, LoadedStoreIsSealedTrimmedAndWithoutLookup) {
    host::temp_dir dir;
    store s(sealed_store({{u"a", u"x", 1}, {u"b", u"y", 2}}));
    saved r = save_and_open(s, dir);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.open.handle));
    const sc::search_core& core = internals(loaded);
    EXPECT_EQ(core.sealed, 1u);
    EXPECT_FALSE(core.dir_lookup);
    EXPECT_EQ(core.live_count, 2u);
    EXPECT_EQ(core.cancel_requested.load_relaxed(), 0u);
    EXPECT_EQ(core.entries.capacity(), core.entries.size());
    EXPECT_EQ(core.dir_table.capacity(), core.dir_table.size());
    EXPECT_EQ(core.dir_pool.capacity(), core.dir_pool.size());
    EXPECT_EQ(core.name_pool.capacity(), core.name_pool.size());
    // Sealed: feeding is refused.
    EXPECT_EQ(add(loaded, batch({{u"c", u"z", 3}})).status, 4u);
}

TEST(VrelRoundTrip, DeletedEntriesAndUnusedDirectoriesAreDroppedAndDirectoriesRenumbered) {
    host::temp_dir dir;
    // Directories in store order: A(0) B(1) C(2) D(3). Entries use them as B, A, C, B, D, A.
    store s(sealed_store({{u"A", u"a1", 1},
                          {u"B", u"b1", 2},
                          {u"C", u"c1", 3},
                          {u"B", u"b2", 4},
                          {u"A", u"a2", 5},
                          {u"D", u"d1", 6}}));
    delete_entry(s, 0);  // A's first user
    delete_entry(s, 2);  // C's only user
    saved r = save_and_open(s, dir);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.open.handle));
    EXPECT_EQ(dirs_of(loaded), (std::vector<std::u16string>{u"B", u"A", u"D"}));
    auto entries = entries_of(loaded);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, u"b1");
    EXPECT_EQ(entries[0].dir_id, 0u);
    EXPECT_EQ(entries[1].name, u"b2");
    EXPECT_EQ(entries[1].dir_id, 0u);
    EXPECT_EQ(entries[2].name, u"a2");
    EXPECT_EQ(entries[2].dir_id, 1u);
    EXPECT_EQ(entries[3].name, u"d1");
    EXPECT_EQ(entries[3].dir_id, 2u);
    for (const stored_entry& e : entries) {
        EXPECT_EQ(e.deleted, 0u);
        EXPECT_EQ(e.generation, 0u);
    }
    EXPECT_EQ(r.save.entry_count, 4u);
    EXPECT_EQ(r.save.dir_count, 3u);
}

TEST(VrelRoundTrip, FileHoldsExactlyTheDocumentedBytes) {
    host::temp_dir dir;
    store s(sealed_store({{u"C:\\\u00E9", u"n", 7, 1}, {u"", u"m", 9, 0}}));
    auto r = save_store(s, dir.file(u"i"), dir.file(u"t"));
    ASSERT_EQ(r.status, 0u);
    auto expected = file_builder()
                        .header(2, r.saved_at)
                        .dir("C:\\\xC3\xA9")
                        .dir("")
                        .u32(2)
                        .entry(0, "n", 1, utc(7))
                        .entry(1, "m", 0, utc(9))
                        .bytes();
    EXPECT_EQ(*host::read_file(dir.file(u"i")), expected);
    EXPECT_EQ(r.file_size, expected.size());
}

TEST(VrelRoundTrip, LoadedTimesAndFlagsKeepWhatTheFileSays) {
    host::temp_dir dir;
    const uint64_t local = (uint64_t{2} << 62) | 77;
    const uint64_t local_ambiguous = (uint64_t{3} << 62) | max_ticks;
    auto file = file_builder()
                    .header(1, max_ticks)
                    .dir("")
                    .u32(5)
                    .entry(0, "zero", 0, 0)
                    .entry(0, "utc", 1, utc(max_ticks))
                    .entry(0, "local", 0x7F, local)
                    .entry(0, "ambiguous", 0, local_ambiguous)
                    .entry(0, "", 0, utc(1))  // the writer never writes an empty name
                    .bytes();
    ASSERT_TRUE(host::write_file(dir.file(u"i"), file));
    auto r = open_file(dir.file(u"i"));
    ASSERT_EQ(r.status, 0u);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
    EXPECT_EQ(r.saved_at, max_ticks);
    auto e = entries_of(loaded);
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0].time_binary, 0u);
    EXPECT_EQ(e[0].timestamp, 0);
    EXPECT_EQ(e[1].timestamp, static_cast<int64_t>(max_ticks));
    EXPECT_EQ(e[2].time_binary, local);
    EXPECT_EQ(e[2].timestamp, 77);
    EXPECT_EQ(e[2].is_folder, 1u);  // any non-zero byte
    EXPECT_EQ(e[3].time_binary, local_ambiguous);
    EXPECT_EQ(e[4].name, u"");
    EXPECT_EQ(dirs_of(loaded), std::vector<std::u16string>{u""});

    // Saved again, each time kind is written back as it was read (the empty name aside).
    delete_entry(loaded, 4);
    auto again = save_store(loaded, dir.file(u"j"), dir.file(u"t"));
    ASSERT_EQ(again.status, 0u);
    auto reopened = open_file(dir.file(u"j"));
    ASSERT_EQ(reopened.status, 0u);
    store loaded_again(QUORVEN_SC_HANDLE_FROM_U64(reopened.handle));
    auto e2 = entries_of(loaded_again);
    e.pop_back();
    EXPECT_EQ(e2, e);
}

TEST(VrelRoundTrip, SaveReplacesAnExistingTargetAndEmptiesALeftoverTempFile) {
    host::temp_dir dir;
    const host::bytes junk(200000, 0xAB);
    ASSERT_TRUE(host::write_file(dir.file(u"i"), junk));
    ASSERT_TRUE(host::write_file(dir.file(u"t"), junk));
    store s(sealed_store({{u"d", u"n", 1}}));
    auto r = save_store(s, dir.file(u"i"), dir.file(u"t"));
    ASSERT_EQ(r.status, 0u);
    EXPECT_EQ(
        *host::read_file(dir.file(u"i")),
        file_builder().header(1, r.saved_at).dir("d").u32(1).entry(0, "n", 0, utc(1)).bytes());
    EXPECT_FALSE(host::exists(dir.file(u"t")));
}

TEST(VrelRoundTrip, LargeStoreRoundTripsAcrossManyBuffers) {
    host::temp_dir dir;
    std::vector<entry> entries;
    for (uint32_t i = 0; i < 20000; ++i) {
        std::u16string d = u"C:\\dir" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                           (i % 3 == 0 ? u"\u00FC" : u"");
        std::u16string n = u"file-" + std::u16string(i % 40, u'x') + u"-\u0416";
        entries.push_back({d, n, i, i % 2});
    }
    store s(sealed_store(entries));
    saved r = save_and_open(s, dir);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.open.handle));
    EXPECT_EQ(entries_of(loaded), entries_of(s));
    EXPECT_GT(r.save.file_size, 4u * 65536u);
}

}  // namespace
