// Batch ingestion seen from inside the store: the fields of the records it appends, and every
// allocation failing in turn.

#include <gtest/gtest.h>

#include "qv/alloc_seam.h"
#include "store_fixture.h"
#include "store_internals.h"

namespace {

using namespace test;

constexpr uint64_t max_ticks = 0x2BCA2875F4373FFFull;

TEST(AddBatch, AppendedRecordsAreUtcTimesOfGenerationZero) {
    store s;
    ASSERT_EQ(add(s, batch({{u"D:\\x", u"first", 5}, {u"", u"edge", max_ticks, 1}})).status, 0u);
    auto entries = entries_of(s);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0],
              (stored_entry{u"D:\\x", u"first", 5, 5 | (uint64_t{1} << 62), 0, 0, 0, 0}));
    EXPECT_EQ(entries[1], (stored_entry{u"", u"edge", static_cast<int64_t>(max_ticks),
                                        max_ticks | (uint64_t{1} << 62), 1, 0, 1, 0}));
    EXPECT_EQ(internals(s).live_count, 2u);
}

// Directories are interned before any record is appended, yet a directory that overflows the
// pool keeps exactly the records before the first one naming it, as when each record was
// handled in turn. Five overlapping spans of one text are five directories of 0x1000000 units;
// four fill the pool.
TEST(AddBatch, FullDirectoryPoolKeepsTheRecordsBeforeTheDirectory) {
    constexpr uint32_t dir_units = 0x1000000;
    batch b;
    std::u16string& text = b.text();
    for (uint32_t i = 0; i < dir_units + 4; ++i) {
        text += char16_t(u'a' + i % 7);
    }
    text += u"n";
    const uint32_t name_offset = dir_units + 4;
    for (uint32_t dir : {0u, 1u, 0u, 2u, 3u, 0u, 4u, 1u}) {
        quorven_search_core_entry_input_v1 input{};
        input.dir_offset = dir;
        input.dir_length = dir_units;
        input.name_offset = name_offset;
        input.name_length = 1;
        b.records().push_back(input);
    }
    store s;
    auto result = add(s, b);
    EXPECT_EQ(result.status, 1u);
    EXPECT_EQ(result.added, 0u);
    EXPECT_EQ(result.entry_count, 6u);
    EXPECT_EQ(result.dir_count, 4u);
    const auto& entries = internals(s).entries;
    ASSERT_EQ(entries.size(), 6u);
    const uint32_t want_dirs[] = {0, 1, 0, 2, 3, 0};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].dir_id, want_dirs[i]) << i;
    }
    EXPECT_EQ(stats(s).live_count, 6u);
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
        ASSERT_EQ(internals(s).entries.size(), result.entry_count);
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
