// Saving a store and opening the file again: every field and text comes back, in order, with
// directories renumbered by first use; the saved file is exactly the documented layout.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <utility>

#include "mutation_fixture.h"
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
    auto before = copied_entries(s);
    saved r = save_and_open(s, dir);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.open.handle));
    EXPECT_EQ(copied_entries(loaded), before);
    // What was loaded saves to the same file: times with their kind, directories in order.
    auto again = save_store(loaded, dir.file(u"again.vrel"), dir.file(u"index.tmp"));
    ASSERT_EQ(again.status, 0u);
    EXPECT_EQ(*host::read_file(dir.file(u"again.vrel")),
              with_saved_at(*host::read_file(dir.file(u"index.vrel")), again.saved_at));
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

TEST(VrelRoundTrip, LoadedStoreIsSealedAndTrimmed) {
    host::temp_dir dir;
    store s(sealed_store({{u"a", u"x", 1}, {u"b", u"y", 2}}));
    saved r = save_and_open(s, dir);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.open.handle));
    auto figures = stats(loaded);
    EXPECT_EQ(figures.sealed, 1u);
    EXPECT_EQ(figures.live_count, 2u);
    EXPECT_EQ(figures.dir_count, 2u);
    // No spare capacity and no lookup map, as after sealing.
    EXPECT_EQ(figures.entries_bytes, 2u * 40);
    EXPECT_EQ(figures.dir_table_bytes, 2u * 8);
    EXPECT_EQ(figures.dir_pool_bytes, 2u * 2);
    EXPECT_EQ(figures.name_pool_bytes, 2u * 2);
    EXPECT_EQ(figures.dir_lookup_bytes, 0u);
    // The cancel flag is clear, and feeding is refused.
    EXPECT_EQ(run_query(loaded, u"x", 1).result.hit_count, 1u);
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
    remove_paths(s, {u"A\\a1", u"C\\c1"});  // A's first user, C's only user
    saved r = save_and_open(s, dir);
    EXPECT_EQ(r.save.entry_count, 4u);
    EXPECT_EQ(r.save.dir_count, 3u);
    EXPECT_EQ(*host::read_file(dir.file(u"index.vrel")), file_builder()
                                                             .header(3, r.save.saved_at)
                                                             .dir("B")
                                                             .dir("A")
                                                             .dir("D")
                                                             .u32(4)
                                                             .entry(0, "b1", 0, utc(2))
                                                             .entry(0, "b2", 0, utc(4))
                                                             .entry(1, "a2", 0, utc(5))
                                                             .entry(2, "d1", 0, utc(6))
                                                             .bytes());
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.open.handle));
    EXPECT_EQ(copied_entries(loaded),
              (std::vector<std::optional<copied_entry>>{
                  copied_entry{u"B", u"b1", 2, 0}, copied_entry{u"B", u"b2", 4, 0},
                  copied_entry{u"A", u"a2", 5, 0}, copied_entry{u"D", u"d1", 6, 0}}));
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

// A directory's byte count is written before its bytes, in as many varint bytes as the count
// needs, whatever its unit count would need: paths whose UTF-8 crosses a varint step that
// their units do not, or both, with one-, two- and three-byte characters.
TEST(VrelRoundTrip, DirectoryLengthsTakeTheVarintOfTheirByteCount) {
    struct path_case {
        std::u16string path;
        std::string utf8;
    };
    auto repeated = [](size_t n, std::u16string_view unit, std::string_view bytes) {
        path_case c;
        for (size_t i = 0; i < n; ++i) {
            c.path += unit;
            c.utf8 += bytes;
        }
        return c;
    };
    const path_case cases[] = {
        repeated(127, u"a", "a"),
        repeated(128, u"a", "a"),
        repeated(63, u"\u00E9", "\xC3\xA9"),
        repeated(64, u"\u00E9", "\xC3\xA9"),
        repeated(43, u"\u65E5", "\xE6\x97\xA5"),
        repeated(5000, u"\u65E5", "\xE6\x97\xA5"),
        repeated(21845, u"\u65E5", "\xE6\x97\xA5"),
    };
    for (const path_case& c : cases) {
        host::temp_dir dir;
        store s(sealed_store({{c.path, u"n", 7, 0}}));
        auto r = save_store(s, dir.file(u"i"), dir.file(u"t"));
        ASSERT_EQ(r.status, 0u) << c.path.size();
        auto expected = file_builder()
                            .header(1, r.saved_at)
                            .dir(c.utf8)
                            .u32(1)
                            .entry(0, "n", 0, utc(7))
                            .bytes();
        EXPECT_EQ(*host::read_file(dir.file(u"i")), expected) << c.path.size();
    }
}

TEST(VrelRoundTrip, LoadedTimesAndFlagsKeepWhatTheFileSays) {
    host::temp_dir dir;
    const uint64_t local = (uint64_t{2} << 62) | 77;
    const uint64_t local_ambiguous = (uint64_t{3} << 62) | max_ticks;
    auto four = [&](file_builder b, uint8_t folder_byte) {
        b.entry(0, "zero", 0, 0)
            .entry(0, "utc", 1, utc(max_ticks))
            .entry(0, "local", folder_byte, local)
            .entry(0, "ambiguous", 0, local_ambiguous);
        return b;
    };
    // The writer never writes an empty name; the reader takes one.
    auto file =
        four(file_builder().header(1, max_ticks).dir("").u32(5), 0x7F).entry(0, "", 0, utc(1));
    ASSERT_TRUE(host::write_file(dir.file(u"i"), file.bytes()));
    auto r = open_file(dir.file(u"i"));
    ASSERT_EQ(r.status, 0u);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
    EXPECT_EQ(r.saved_at, max_ticks);
    const auto max = static_cast<int64_t>(max_ticks);
    EXPECT_EQ(copied_entries(loaded),
              (std::vector<std::optional<copied_entry>>{
                  copied_entry{u"", u"zero", 0, 0}, copied_entry{u"", u"utc", max, 1},
                  copied_entry{u"", u"local", 77, 1},  // any non-zero byte is a folder
                  copied_entry{u"", u"ambiguous", max, 0}, copied_entry{u"", u"", 1, 0}}));

    // Saved again, each time kind is written back as it was read.
    auto kinds = four(file_builder().header(1, max_ticks).dir("").u32(4), 1).bytes();
    ASSERT_TRUE(host::write_file(dir.file(u"k"), kinds));
    auto reopened = open_file(dir.file(u"k"));
    ASSERT_EQ(reopened.status, 0u);
    store kinds_loaded(QUORVEN_SC_HANDLE_FROM_U64(reopened.handle));
    auto again = save_store(kinds_loaded, dir.file(u"j"), dir.file(u"t"));
    ASSERT_EQ(again.status, 0u);
    EXPECT_EQ(*host::read_file(dir.file(u"j")), with_saved_at(kinds, again.saved_at));
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

// A store whose file fills many of the writer's blocks, and more than a MiB (so that flushes
// run ahead of the last one), comes back whole, and its file is byte for byte the layout:
// records of every length fall across the blocks' ends at every offset.
TEST(VrelRoundTrip, LargeStoreRoundTripsAcrossManyBuffers) {
    host::temp_dir dir;
    std::vector<entry> entries;
    std::map<std::u16string, uint32_t> dir_ids;  // numbered by first use, as the file does
    std::vector<std::string> dir_texts;
    std::vector<std::pair<uint32_t, std::string>> names;
    for (uint32_t i = 0; i < 40000; ++i) {
        std::u16string d = u"C:\\dir" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                           (i % 3 == 0 ? u"\u00FC" : u"");
        std::u16string n =
            u"file-" + std::u16string(i % 40, u'x') + (i % 7 == 0 ? u"-\u6570" : u"-\u0416");
        entries.push_back({d, n, i, i % 2});
        auto [at, added] = dir_ids.emplace(d, static_cast<uint32_t>(dir_texts.size()));
        if (added) {
            dir_texts.push_back("C:\\dir" + std::string(1, static_cast<char>('A' + i % 26)) +
                                (i % 3 == 0 ? "\xC3\xBC" : ""));
        }
        names.emplace_back(at->second, "file-" + std::string(i % 40, 'x') +
                                           (i % 7 == 0 ? "-\xE6\x95\xB0" : "-\xD0\x96"));
    }
    store s(sealed_store(entries));
    saved r = save_and_open(s, dir);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.open.handle));
    EXPECT_EQ(copied_entries(loaded), copied_entries(s));

    file_builder expected;
    expected.header(static_cast<uint32_t>(dir_texts.size()), r.save.saved_at);
    for (const std::string& text : dir_texts) {
        expected.dir(text);
    }
    expected.u32(static_cast<uint32_t>(names.size()));
    for (uint32_t i = 0; i < names.size(); ++i) {
        expected.entry(names[i].first, names[i].second, static_cast<uint8_t>(i % 2), utc(i));
    }
    EXPECT_GT(expected.bytes().size(), 1u << 20);
    EXPECT_EQ(*host::read_file(dir.file(u"index.vrel")), expected.bytes());
}

}  // namespace
