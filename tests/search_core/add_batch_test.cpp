// Batch ingestion: validation of the whole batch before any change, the store limits, and the
// de-duplication of directory paths.

#include <gtest/gtest.h>

#include "lib/store.h"
#include "qv/alloc_seam.h"
#include "store_fixture.h"

namespace {

using namespace test;
namespace sc = quorven::search_core;

constexpr uint64_t max_ticks = 0x2BCA2875F4373FFFull;

sc::search_core& internals(quorven_search_core_handle h) {
    return *reinterpret_cast<sc::search_core*>(h);
}

std::u16string stored_dir(quorven_search_core_handle h, uint32_t id) {
    sc::utf16_span span = sc::dir_text(internals(h), id);
    return std::u16string(reinterpret_cast<const char16_t*>(span.units), span.length);
}

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

    const sc::entry_record& stored = internals(s).entries[1];
    EXPECT_EQ(stored.timestamp, static_cast<int64_t>(max_ticks));
    EXPECT_EQ(stored.time_binary, max_ticks | (uint64_t{1} << 62));
    EXPECT_EQ(stored.generation, 0u);
    EXPECT_EQ(stored.is_folder, 1u);
    EXPECT_EQ(stored.deleted, 0u);
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
    EXPECT_EQ(internals(s).name_pool.size(), 0x4000000u);
    b.records().resize(1);
    b.records()[0].name_length = 1;
    EXPECT_EQ(add(s, b).status, 1u);
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
    const auto& entries = internals(s).entries;
    auto dir_of = [&](size_t i) { return entries[i].dir_id; };
    EXPECT_EQ(dir_of(0), dir_of(1));
    EXPECT_EQ(stored_dir(s, dir_of(1)), u"C:\\Users\\Ann");
    EXPECT_NE(dir_of(2), dir_of(3));
    EXPECT_EQ(dir_of(2), dir_of(4));
    EXPECT_EQ(stored_dir(s, dir_of(4)), u"C:\\\u03a3\u03bf\u03c6\u03af\u03b1");
    EXPECT_NE(dir_of(5), dir_of(6));
    EXPECT_EQ(dir_of(5), dir_of(7));
    EXPECT_NE(dir_of(0), dir_of(8));
    EXPECT_EQ(dir_of(9), dir_of(10));
    EXPECT_EQ(result.dir_count, 7u);

    // Later batches find the directories of earlier ones.
    result = add(s, batch({{u"C:\\USERS\\ann", u"12"}}));
    EXPECT_EQ(result.dir_count, 7u);
    EXPECT_EQ(entries[11].dir_id, dir_of(0));
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

TEST(AddBatch, OutOfMemoryAtEveryAllocation) {
    std::vector<entry> entries;
    for (int i = 0; i < 40; ++i) {
        entries.push_back({u"C:\\dir" + std::u16string(1, char16_t(u'a' + i % 20)),
                           u"file" + std::u16string(1, char16_t(u'0' + i % 10)), uint64_t(i)});
    }
    batch b(entries);
    int64_t baseline = qv::alloc_seam::live_blocks();
    for (uint64_t k = 1;; ++k) {
        store s;
        qv::alloc_seam::fail_nth(k);
        auto result = add(s, b);
        qv::alloc_seam::fail_nth(0);
        if (result.status == 0) {
            EXPECT_EQ(result.entry_count, 40u);
            EXPECT_EQ(result.dir_count, 20u);
            break;
        }
        ASSERT_EQ(result.status, 6u) << "allocation " << k;
        EXPECT_EQ(result.added, 0u);
        // Records before the failing directory stay, fully formed and counted.
        EXPECT_EQ(stats(s).live_count, result.entry_count);
        EXPECT_EQ(internals(s).dir_table.size(), result.dir_count);
        for (size_t i = 0; i < result.entry_count; ++i) {
            EXPECT_LT(internals(s).entries[i].dir_id, result.dir_count);
        }
        // The store still takes the same batch once memory is back.
        auto retry = add(s, b);
        EXPECT_EQ(retry.status, 0u);
        EXPECT_EQ(retry.dir_count, 20u);
    }
    EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
}

}  // namespace
