// Projection (newest files, fullest folders) and entry copy: request checks, the separator rule
// of full paths, text sizing with status 3, and the failures that write nothing.

#include <gtest/gtest.h>

#include "mutation_fixture.h"
#include "search_fixture.h"

namespace {

using namespace test;

constexpr uint32_t recent_files = 1;
constexpr uint32_t folders = 2;

std::vector<std::u16string> texts(const project_call& call) {
    std::vector<std::u16string> out;
    for (uint32_t i = 0; i < call.result.row_count; ++i) {
        out.push_back(call.row_text(i));
    }
    return out;
}

TEST(Project, RequestChecks) {
    store s(sealed_store({{u"C:\\", u"a", 1}}));
    auto rows = marked_buffer<quorven_search_core_row_v1>(4);
    auto text = marked_buffer<char16_t>(64);
    auto result = blank_record<quorven_search_core_project_result_v1>();
    auto expect_rejected = [&](quorven_search_core_project_request_v1 request,
                               quorven_search_core_handle h) {
        EXPECT_EQ(quorven_search_core_project_v1(h, &request, &result), 1u);
        EXPECT_TRUE(is_reset_with_status(result, 1));
        EXPECT_TRUE(all_untouched(rows));
        EXPECT_TRUE(all_untouched(text));
    };
    auto r = project_request(recent_files, 4, rows, text);
    expect_rejected(r, nullptr);
    r.max_rows = 0;
    expect_rejected(r, s);
    r.max_rows = 300001;
    r.row_capacity = 300001;
    expect_rejected(r, s);
    r = project_request(recent_files, 4, rows, text);
    r.row_capacity = 3;
    expect_rejected(r, s);
    r = project_request(recent_files, 4, rows, text);
    r.rows = 0;
    expect_rejected(r, s);
    r = project_request(recent_files, 4, rows, text);
    r.text = 0;
    expect_rejected(r, s);
    r = project_request(recent_files, 4, rows, text);
    r.reserved0 = 1;
    expect_rejected(r, s);
    r = project_request(recent_files, 4, rows, text);
    r.reserved1 = 1;
    expect_rejected(r, s);
    for (size_t i = 0; i < sizeof r.reserved; ++i) {
        r = project_request(recent_files, 4, rows, text);
        r.reserved[i] = 1;
        expect_rejected(r, s);
    }
    for (uint32_t mode : {0u, 3u, 0xFFFFFFFFu}) {
        expect_rejected(project_request(mode, 4, rows, text), s);
    }
}

TEST(Project, UnsealedStoreIsWrongStateBeforeTheModeIsLookedAt) {
    store s;
    ASSERT_EQ(add(s, batch({{u"C:\\", u"a", 1}})).status, 0u);
    for (uint32_t mode : {recent_files, 3u}) {
        auto call = run_project(s, mode, 4);
        EXPECT_EQ(call.status, 4u);
        EXPECT_TRUE(is_reset_with_status(call.result, 4));
        EXPECT_TRUE(all_untouched(call.rows));
    }
}

TEST(Project, RecentFilesSkipFoldersAndDeletedAndBreakTiesByLowerId) {
    store s(sealed_store({{u"C:\\a", u"old", 1},
                          {u"C:\\a", u"folder", 9, 1},
                          {u"C:\\a", u"gone", 8},
                          {u"C:\\b", u"tie-first", 5},
                          {u"C:\\b", u"newest", 7},
                          {u"C:\\a", u"tie-second", 5}}));
    remove_paths(s, {u"C:\\a\\gone"});
    auto call = run_project(s, recent_files, 10);
    ASSERT_EQ(call.status, 0u);
    EXPECT_EQ(texts(call), (std::vector<std::u16string>{u"C:\\b\\newest", u"C:\\b\\tie-first",
                                                        u"C:\\a\\tie-second", u"C:\\a\\old"}));
    EXPECT_EQ(call.result.live_count, 5u);
    EXPECT_EQ(call.rows[0].timestamp, 7);
    EXPECT_EQ(call.rows[0].file_count, 0u);
    EXPECT_EQ(call.rows[0].tag, 0u);
    EXPECT_EQ(call.rows[1].text_offset, call.rows[0].text_length);
    EXPECT_EQ(call.result.text_units, 11u + 14 + 15 + 8);
}

TEST(Project, FullPathsInsertExactlyOneSeparator) {
    store s(sealed_store({{u"C:\\", u"root.txt", 6},
                          {u"C:\\dir", u"in-dir.txt", 5},
                          {u"", u"bare.txt", 4},
                          {u"/", u"slash-root", 3},
                          {u"/usr/lib", u"posix", 2},
                          {u"D:/mixed/", u"m", 1}}));
    auto call = run_project(s, recent_files, 6);
    ASSERT_EQ(call.status, 0u);
    EXPECT_EQ(texts(call),
              (std::vector<std::u16string>{u"C:\\root.txt", u"C:\\dir\\in-dir.txt", u"bare.txt",
                                           u"/slash-root", u"/usr/lib\\posix", u"D:/mixed/m"}));
}

TEST(Project, FoldersCountLiveFilesInNamedDirectories) {
    store s(sealed_store({{u"C:\\two", u"a", 100},
                          {u"C:\\two", u"b", 101},
                          {u"C:\\three", u"a", 1},
                          {u"C:\\three", u"b", 2},
                          {u"c:\\THREE", u"c", 3},  // same directory, other spelling
                          {u"C:\\three", u"sub", 500, 1},
                          {u"", u"loose1", 900},
                          {u"", u"loose2", 901},
                          {u"", u"loose3", 902},
                          {u"C:\\gone", u"x", 50},
                          {u"C:\\tie", u"x", 101},
                          {u"C:\\tie", u"y", 7},
                          {u"C:\\newer", u"p", 102},
                          {u"C:\\newer", u"q", 0}}));
    remove_paths(s, {u"C:\\gone\\x"});
    auto call = run_project(s, folders, 10);
    ASSERT_EQ(call.status, 0u);
    // Three files beat two newer ones; equal counts go to the newer, then to the lower dir id.
    EXPECT_EQ(texts(call),
              (std::vector<std::u16string>{u"C:\\three", u"C:\\newer", u"C:\\two", u"C:\\tie"}));
    EXPECT_EQ(call.rows[0].file_count, 3u);
    EXPECT_EQ(call.rows[0].timestamp, 3);
    EXPECT_EQ(call.rows[0].tag, 1u);
    EXPECT_EQ(call.rows[2].file_count, 2u);
    EXPECT_EQ(call.rows[2].timestamp, 101);
    EXPECT_EQ(call.result.text_units, 8u + 8 + 6 + 6);
    EXPECT_EQ(call.result.live_count, 13u);
}

TEST(Project, TextOneUnitShortReportsTheExactSize) {
    store s(sealed_store({{u"C:\\x", u"name", 1}, {u"C:\\", u"y", 2}}));
    for (uint32_t mode : {recent_files, folders}) {
        auto sized = run_project(s, mode, 2, 0);
        ASSERT_EQ(sized.status, 3u);
        uint32_t needed = sized.result.text_units;
        EXPECT_EQ(needed, mode == recent_files ? 13u : 7u);
        EXPECT_EQ(sized.result.live_count, 2u);
        EXPECT_EQ(sized.result.row_count, 0u);

        auto short_by_one = run_project(s, mode, 2, needed - 1);
        EXPECT_EQ(short_by_one.status, 3u);
        EXPECT_EQ(short_by_one.result.text_units, needed);
        EXPECT_TRUE(all_untouched(short_by_one.rows));
        EXPECT_TRUE(all_untouched(short_by_one.text));

        auto exact = run_project(s, mode, 2, needed);
        ASSERT_EQ(exact.status, 0u);
        EXPECT_EQ(exact.result.text_units, needed);
        EXPECT_EQ(exact.rows[exact.result.row_count - 1].text_offset +
                      exact.rows[exact.result.row_count - 1].text_length,
                  needed);
    }
}

TEST(Project, NoLiveEntriesGivesNoRows) {
    store s(sealed_store({{u"C:\\x", u"a", 1}}));
    remove_paths(s, {u"C:\\x\\a"});
    for (uint32_t mode : {recent_files, folders}) {
        auto call = run_project(s, mode, 3, 0);
        EXPECT_EQ(call.status, 0u);
        EXPECT_TRUE(is_reset_with_status(call.result, 0));
    }
    store empty(sealed_store({}));
    EXPECT_EQ(run_project(empty, folders, 3).status, 0u);
}

TEST(Project, TextBeyondU32IsRefused) {
    // Each full path is 14316 + 1 + 1 units; 300000 of them pass 2^32.
    store s(one_directory_store(300000, 14316));
    auto call = run_project(s, recent_files, 300000, 16);
    EXPECT_EQ(call.status, 1u);
    EXPECT_TRUE(is_reset_with_status(call.result, 1));
    EXPECT_TRUE(all_untouched(call.rows));
    // The folder view of the same store is one short row.
    call = run_project(s, folders, 300000, 14316);
    ASSERT_EQ(call.status, 0u);
    EXPECT_EQ(call.result.row_count, 1u);
    EXPECT_EQ(call.rows[0].file_count, 300000u);
    EXPECT_EQ(call.rows[0].timestamp, 299999);
}

TEST(CopyEntries, RequestChecks) {
    store s(sealed_store({{u"C:\\", u"a", 1}}));
    const std::vector<uint32_t> ids = {0};
    auto rows = marked_buffer<quorven_search_core_entry_row_v1>(1);
    auto text = marked_buffer<char16_t>(16);
    auto result = blank_record<quorven_search_core_copy_entries_result_v1>();
    auto expect_rejected = [&](quorven_search_core_copy_entries_request_v1 request,
                               quorven_search_core_handle h) {
        EXPECT_EQ(quorven_search_core_copy_entries_v1(h, &request, &result), 1u);
        EXPECT_TRUE(is_reset_with_status(result, 1));
        EXPECT_TRUE(all_untouched(rows));
        EXPECT_TRUE(all_untouched(text));
    };
    auto r = copy_request(ids, rows, text);
    expect_rejected(r, nullptr);
    r.id_count = 0;
    expect_rejected(r, s);
    r = copy_request(ids, rows, text);
    r.row_capacity = 0;
    expect_rejected(r, s);
    r = copy_request(ids, rows, text);
    r.ids = 0;
    expect_rejected(r, s);
    r = copy_request(ids, rows, text);
    r.rows = 0;
    expect_rejected(r, s);
    r = copy_request(ids, rows, text);
    r.text = 0;
    expect_rejected(r, s);
    r = copy_request(ids, rows, text);
    r.reserved0 = 1;
    expect_rejected(r, s);
    r = copy_request(ids, rows, text);
    r.reserved1 = 1;
    expect_rejected(r, s);
    r = copy_request(ids, rows, text);
    r.reserved2 = 1;
    expect_rejected(r, s);
    for (size_t i = 0; i < sizeof r.reserved; ++i) {
        r = copy_request(ids, rows, text);
        r.reserved[i] = 1;
        expect_rejected(r, s);
    }

    store unsealed;
    ASSERT_EQ(add(unsealed, batch({{u"C:\\", u"a", 1}})).status, 0u);
    expect_rejected(copy_request(ids, rows, text), unsealed);
}

TEST(CopyEntries, BadOrDeletedIdsAreRefused) {
    store s(sealed_store({{u"C:\\", u"a", 1}, {u"C:\\", u"b", 2}, {u"C:\\", u"c", 3}}));
    remove_paths(s, {u"C:\\b"});
    for (const std::vector<uint32_t>& ids :
         {std::vector<uint32_t>{3}, {0, 3}, {1}, {2, 0, 1}, {0xFFFFFFFFu}}) {
        auto call = run_copy(s, ids);
        EXPECT_EQ(call.status, 1u);
        EXPECT_TRUE(is_reset_with_status(call.result, 1));
        EXPECT_TRUE(all_untouched(call.rows));
        EXPECT_TRUE(all_untouched(call.text));
    }
}

TEST(CopyEntries, RowsAndTextBackToBackWithRepeats) {
    std::vector<entry> entries;
    for (uint32_t i = 0; i < 8; ++i) {
        entries.push_back({u"C:\\dir", std::u16string{u'n', char16_t(u'0' + i)}, 10 + i});
    }
    entries[7] = {u"", u"folder7", 77, 1};
    store s(sealed_store(entries));
    auto call = run_copy(s, {7, 7, 2});
    ASSERT_EQ(call.status, 0u);
    EXPECT_EQ(call.result.row_count, 3u);
    EXPECT_EQ(call.result.text_units, 7u + 7 + 6 + 2);
    for (size_t i : {0u, 1u}) {
        EXPECT_EQ(call.rows[i].id, 7u);
        EXPECT_EQ(call.dir(i), u"");
        EXPECT_EQ(call.name(i), u"folder7");
        EXPECT_EQ(call.rows[i].is_folder, 1u);
        EXPECT_EQ(call.rows[i].timestamp, 77);
    }
    EXPECT_EQ(call.rows[1].dir_offset, 7u);
    EXPECT_EQ(call.rows[2].dir_offset, 14u);
    EXPECT_EQ(call.rows[2].name_offset, 20u);
    EXPECT_EQ(call.dir(2), u"C:\\dir");
    EXPECT_EQ(call.name(2), u"n2");
    EXPECT_EQ(call.rows[2].timestamp, 12);
}

TEST(CopyEntries, TextOneUnitShortReportsTheExactSize) {
    store s(sealed_store({{u"C:\\x", u"name", 1}}));
    auto short_by_one = run_copy(s, {0, 0}, 15);
    EXPECT_EQ(short_by_one.status, 3u);
    EXPECT_EQ(short_by_one.result.text_units, 16u);
    EXPECT_EQ(short_by_one.result.row_count, 0u);
    EXPECT_TRUE(all_untouched(short_by_one.rows));
    EXPECT_TRUE(all_untouched(short_by_one.text));
    auto exact = run_copy(s, {0, 0}, 16);
    EXPECT_EQ(exact.status, 0u);
    EXPECT_EQ(exact.name(1), u"name");
}

TEST(CopyEntries, TextBeyondU32IsRefused) {
    // 14316 + 1 units per copy: 299990 copies fit in u32, 299991 do not.
    store s(one_directory_store(2, 14316));
    std::vector<uint32_t> ids(299991, 1);
    auto call = run_copy(s, ids, 16);
    EXPECT_EQ(call.status, 1u);
    EXPECT_TRUE(is_reset_with_status(call.result, 1));
    ids.pop_back();
    call = run_copy(s, ids, 16);
    EXPECT_EQ(call.status, 3u);
    EXPECT_EQ(call.result.text_units, 299990u * 14317u);
}

}  // namespace
