// Batch ingestion: validation of the whole batch before any change, the store limits, and the
// de-duplication of directory paths.

#include <gtest/gtest.h>

#include "search_fixture.h"

namespace {

using namespace test;

constexpr uint64_t max_ticks = 0x2BCA2875F4373FFFull;

TEST(AddBatch, RequestChecksInOrder) {
    store s;
    batch b({{u"C:\\", u"a", 1}});
    auto result = blank_record<quorven_search_core_add_batch_result_v1>();
    auto expect_rejected = [&](quorven_search_core_add_batch_request_v1 request) {
        EXPECT_EQ(quorven_search_core_add_batch_v1(s, &request, &result), 1u);
        EXPECT_TRUE(is_reset_with_status(result, 1));
    };
    auto r = b.request();
    r.record_count = 0;
    expect_rejected(r);
    r.record_count = 300001;
    r.records = 0;  // the count is checked first; both are bad
    expect_rejected(r);
    r = b.request();
    r.text_units = 0x4000001;
    expect_rejected(r);
    r = b.request();
    r.records = 0;
    expect_rejected(r);
    r = b.request();
    r.text = 0;
    expect_rejected(r);
    r = b.request();
    r.reserved0 = 1;
    expect_rejected(r);
    r = b.request();
    r.reserved1 = 1;
    expect_rejected(r);
    for (size_t i = 0; i < 32; ++i) {
        r = b.request();
        r.reserved[i] = 0x80;
        expect_rejected(r);
    }
    EXPECT_EQ(stats(s).live_count, 0u);
}

TEST(AddBatch, AnyInvalidRecordRejectsTheWholeBatch) {
    store s;
    ASSERT_EQ(add(s, batch({{u"D:\\x", u"first", 5}})).status, 0u);
    using mutate = void (*)(batch&);
    const mutate faults[] = {
        [](batch& b) { b.records()[2].reserved = 1; },
        [](batch& b) { b.records()[2].is_folder = 2; },
        [](batch& b) { b.records()[2].name_length = 0; },
        [](batch& b) { b.records()[2].timestamp = max_ticks + 1; },
        [](batch& b) { b.records()[2].dir_offset = static_cast<uint32_t>(b.text().size()); },
        [](batch& b) { b.records()[2].dir_offset = 0xFFFFFFFFu; },
        [](batch& b) { b.records()[2].name_offset = static_cast<uint32_t>(b.text().size()); },
        [](batch& b) { b.records()[2].name_length = 0xFFFFFFFFu; },
    };
    for (mutate fault : faults) {
        batch b({{u"C:\\a", u"one", 1}, {u"C:\\b", u"two", 2}, {u"C:\\c", u"three", 3}});
        fault(b);
        auto result = add(s, b);
        EXPECT_EQ(result.status, 1u);
        EXPECT_EQ(result.added, 0u);
        EXPECT_EQ(result.entry_count, 1u);
        EXPECT_EQ(result.dir_count, 1u);
    }
    batch edge({{u"", u"edge", max_ticks, 1}});
    auto result = add(s, edge);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.added, 1u);
    EXPECT_EQ(result.entry_count, 2u);
    EXPECT_EQ(result.dir_count, 2u);  // the empty directory is a directory of its own

    ASSERT_EQ(seal(s).status, 0u);
    EXPECT_EQ(copy_of(s, {1}),
              (std::vector<copied_entry>{{u"", u"edge", static_cast<int64_t>(max_ticks), 1}}));
}

TEST(AddBatch, EntryLimitIsThreeHundredThousandInAll) {
    store s;
    batch many;
    many.text() = u"Cn";
    quorven_search_core_entry_input_v1 input{0, 1, 1, 1, 7, 0, 0};
    many.records().assign(299999, input);
    ASSERT_EQ(add(s, many).status, 0u);
    batch two;
    two.text() = u"Cn";
    two.records().assign(2, input);
    auto result = add(s, two);
    EXPECT_EQ(result.status, 1u);
    EXPECT_EQ(result.entry_count, 299999u);
    two.records().resize(1);
    result = add(s, two);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.entry_count, 300000u);
    EXPECT_EQ(result.dir_count, 1u);
}

TEST(AddBatch, NamePoolLimitIsCheckedBeforeAnyChange) {
    store s;
    batch b;
    b.text().assign(0x2000000, u'n');
    b.records().push_back({0, 0, 0, 0x2000000, 1, 0, 0});
    b.records().push_back({0, 0, 0, 0x2000000, 1, 0, 0});
    b.records().push_back({0, 0, 0, 1, 1, 0, 0});
    auto result = add(s, b);
    EXPECT_EQ(result.status, 1u);
    EXPECT_EQ(result.entry_count, 0u);
    EXPECT_EQ(stats(s).name_pool_bytes, 0u);  // nothing was reserved
    b.records().pop_back();
    result = add(s, b);
    EXPECT_EQ(result.status, 0u);
    b.records().resize(1);
    b.records()[0].name_length = 1;
    EXPECT_EQ(add(s, b).status, 1u);
    // Full to the last unit: sealing trims the pool to exactly the limit.
    ASSERT_EQ(seal(s).status, 0u);
    EXPECT_EQ(stats(s).name_pool_bytes, 0x4000000u * 2);
}

TEST(AddBatch, DirectoryPoolLimitStopsAtTheFailingRecord) {
    store s;
    batch b;
    b.text().resize(0x3000001);
    for (size_t i = 0; i < b.text().size(); ++i) {
        b.text()[i] = static_cast<char16_t>(u'a' + i % 26);
    }
    b.records().push_back({0, 0x3000000, 0, 1, 1, 0, 0});
    b.records().push_back({1, 0x3000000, 0, 1, 1, 0, 0});
    auto result = add(s, b);
    EXPECT_EQ(result.status, 1u);
    EXPECT_EQ(result.added, 0u);
    EXPECT_EQ(result.entry_count, 1u);  // the first record stays, whole and counted
    EXPECT_EQ(result.dir_count, 1u);
    EXPECT_EQ(stats(s).live_count, 1u);
}

TEST(AddBatch, DirectoriesAreDeduplicatedCaseInsensitively) {
    store s;
    batch b({
        {u"C:\\Users\\Ann", u"1"},
        {u"c:\\users\\ANN", u"2"},  // ASCII case: same directory, first spelling kept
        {u"C:\\\u03a3\u03bf\u03c6\u03af\u03b1", u"3"},  // Greek upper/lower through ICU
        {u"c:\\\u03c3\u039f\u03a6\u0399\u0391", u"4"},  // ί upper-cases to Ί, not Ι
        {u"C:\\\u03c3\u03bf\u03c6\u03af\u03b1", u"5"},
        {u"C:\\K", u"6"},
        {u"C:\\\u212a", u"7"},  // Kelvin sign stays apart from K
        {u"C:\\k", u"8"},
        {u"C:\\Users\\Ann\\", u"9"},  // a trailing separator makes another directory
        {u"", u"10"},
        {u"", u"11"},
    });
    auto result = add(s, b);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(result.dir_count, 7u);

    // Later batches find the directories of earlier ones.
    result = add(s, batch({{u"C:\\USERS\\ann", u"12"}}));
    EXPECT_EQ(result.dir_count, 7u);

    // Each entry shows its directory's first spelling: a spelling of its own means a directory
    // of its own.
    ASSERT_EQ(seal(s).status, 0u);
    std::vector<std::u16string> dirs;
    for (const copied_entry& e : live_entries(s)) {
        dirs.push_back(e.dir);
    }
    const std::u16string ann = u"C:\\Users\\Ann";
    const std::u16string sofia = u"C:\\\u03a3\u03bf\u03c6\u03af\u03b1";
    EXPECT_EQ(dirs, (std::vector<std::u16string>{
                        ann, ann, sofia, u"c:\\\u03c3\u039f\u03a6\u0399\u0391", sofia, u"C:\\K",
                        u"C:\\\u212a", u"C:\\K", u"C:\\Users\\Ann\\", u"", u"", ann}));
}

TEST(AddBatch, RejectedAfterSeal) {
    store s;
    ASSERT_EQ(add(s, batch({{u"C:\\", u"a"}})).status, 0u);
    ASSERT_EQ(seal(s).status, 0u);
    auto result = add(s, batch({{u"C:\\", u"b"}}));
    EXPECT_EQ(result.status, 4u);
    EXPECT_EQ(result.entry_count, 1u);
    EXPECT_EQ(result.dir_count, 1u);
}

}  // namespace
