// Query: request checks, scores and their order, tie-breaks, counts, cancellation, and the
// failure paths that leave the result reset.

#include <gtest/gtest.h>

#include "mutation_fixture.h"
#include "search_fixture.h"

namespace {

using namespace test;

std::vector<uint32_t> hit_ids(const query_call& call) {
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < call.result.hit_count; ++i) {
        ids.push_back(call.hits[i].id);
    }
    return ids;
}

std::vector<uint32_t> hit_scores(const query_call& call) {
    std::vector<uint32_t> scores;
    for (uint32_t i = 0; i < call.result.hit_count; ++i) {
        scores.push_back(call.hits[i].score);
    }
    return scores;
}

TEST(Query, RequestChecks) {
    store s(sealed_store({{u"C:\\", u"abc", 1}}));
    auto hits = marked_buffer<quorven_search_core_hit_v1>(4);
    const std::u16string q = u"abc";
    auto result = blank_record<quorven_search_core_query_result_v1>();
    auto expect_rejected = [&](quorven_search_core_query_request_v1 request) {
        fill(result, 0x77);
        result.size = sizeof result;
        result.version = 1;
        EXPECT_EQ(quorven_search_core_query_v1(s, &request, &result), 1u);
        EXPECT_TRUE(is_reset_with_status(result, 1));
        EXPECT_TRUE(all_untouched(hits));
    };
    auto r = query_request(q, 4, hits);
    r.query_units = 0;
    expect_rejected(r);
    r.query_units = 0x8000;
    expect_rejected(r);
    r = query_request(q, 4, hits);
    r.max_hits = 0;
    expect_rejected(r);
    r.max_hits = 300001;
    r.hit_capacity = 300001;
    expect_rejected(r);
    r = query_request(q, 4, hits);
    r.hit_capacity = 3;
    expect_rejected(r);
    r = query_request(q, 4, hits);
    r.query = 0;
    expect_rejected(r);
    r = query_request(q, 4, hits);
    r.hits = 0;
    expect_rejected(r);
    r = query_request(q, 4, hits);
    r.reserved0 = 1;
    expect_rejected(r);
    for (size_t i = 0; i < sizeof r.reserved; ++i) {
        r = query_request(q, 4, hits);
        r.reserved[i] = 1;
        expect_rejected(r);
    }
}

TEST(Query, HeaderAndHandleFailures) {
    store s(sealed_store({{u"C:\\", u"abc", 1}}));
    auto hits = marked_buffer<quorven_search_core_hit_v1>(1);
    const std::u16string q = u"abc";
    auto request = query_request(q, 1, hits);
    quorven_search_core_query_result_v1 result;
    fill(result, 0x77);
    auto before = bytes_of(result);
    EXPECT_EQ(quorven_search_core_query_v1(s, &request, &result), 2u);
    EXPECT_EQ(bytes_of(result), before);
    EXPECT_EQ(quorven_search_core_query_v1(s, nullptr, &result), 1u);
    EXPECT_EQ(bytes_of(result), before);

    result = blank_record<quorven_search_core_query_result_v1>();
    EXPECT_EQ(quorven_search_core_query_v1(nullptr, &request, &result), 1u);
    EXPECT_TRUE(is_reset_with_status(result, 1));
}

TEST(Query, UnsealedStoreIsWrongStateAfterTheArgumentChecks) {
    store s;
    ASSERT_EQ(add(s, batch({{u"C:\\", u"abc", 1}})).status, 0u);
    auto call = run_query(s, u"abc", 4);
    EXPECT_EQ(call.status, 4u);
    EXPECT_TRUE(is_reset_with_status(call.result, 4));
    EXPECT_TRUE(all_untouched(call.hits));

    // A bad argument is still status 1 on an unsealed store.
    const std::u16string q = u"abc";
    auto request = query_request(q, 4, call.hits);
    request.reserved0 = 1;
    EXPECT_EQ(quorven_search_core_query_v1(s, &request, &call.result), 1u);
}

TEST(Query, ScoresComeInScoreOrderWhateverTheTimestamps) {
    // Older entries score higher, so recency cannot explain the order.
    store s(sealed_store({{u"C:\\", u"ab", 40},
                          {u"C:\\", u"xabc", 30},
                          {u"C:\\", u"abcdef", 20},
                          {u"C:\\", u"ABC", 10}}));
    auto call = run_query(s, u"abc", 10);
    ASSERT_EQ(call.status, 0u);
    EXPECT_EQ(hit_ids(call), (std::vector<uint32_t>{3, 2, 1}));
    EXPECT_EQ(hit_scores(call), (std::vector<uint32_t>{100, 80, 50}));
    EXPECT_EQ(call.result.scanned, 4u);
    EXPECT_EQ(call.result.matched, 3u);
    EXPECT_EQ(call.hits[0].timestamp, 10);
    EXPECT_EQ(call.hits[0].reserved0, 0u);
    // Elements past hit_count stay as the host left them.
    EXPECT_TRUE(all_untouched(std::vector(call.hits.begin() + 3, call.hits.end())));
}

TEST(Query, TiesBreakByNewerThenLowerId) {
    store s(sealed_store(
        {{u"", u"same", 5}, {u"", u"SAME", 9}, {u"", u"Same", 9, 1}, {u"", u"same", 5}}));
    auto call = run_query(s, u"same", 4);
    ASSERT_EQ(call.status, 0u);
    EXPECT_EQ(hit_ids(call), (std::vector<uint32_t>{1, 2, 0, 3}));
    EXPECT_EQ(call.hits[1].is_folder, 1u);
    EXPECT_EQ(call.hits[0].is_folder, 0u);
}

TEST(Query, WindowPositionsAndLengths) {
    store s(sealed_store({{u"", u"xxabc"},   // match only at n - a: contains
                          {u"", u"ab"},      // shorter than the query: never a match
                          {u"", u"aabc"},    // first window fails, second matches
                          {u"", u"abcabc"},  // prefix wins over the later window
                          {u"", u"a-b-c"}}));
    auto call = run_query(s, u"abc", 10);
    ASSERT_EQ(call.status, 0u);
    EXPECT_EQ(hit_ids(call), (std::vector<uint32_t>{3, 0, 2}));
    EXPECT_EQ(hit_scores(call), (std::vector<uint32_t>{80, 50, 50}));
}

TEST(Query, NonAsciiFoldingAndTheKelvinSign) {
    store s(sealed_store({{u"", u"\u00e9"},
                          {u"", u"\u212a"},
                          {u"", u"\u00c9t\u00e9"},
                          {u"", u"\U00010428"},  // Deseret small letter long i
                          {u"", u"k"}}));
    auto e_acute = run_query(s, u"\u00c9", 10);
    EXPECT_EQ(hit_ids(e_acute), (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(hit_scores(e_acute), (std::vector<uint32_t>{100, 80}));
    // ASCII k and the Kelvin sign never meet, in either direction.
    EXPECT_EQ(hit_ids(run_query(s, u"K", 10)), (std::vector<uint32_t>{4}));
    EXPECT_EQ(hit_ids(run_query(s, u"\u212a", 10)), (std::vector<uint32_t>{1}));
    EXPECT_EQ(hit_ids(run_query(s, u"\U00010400", 10)), (std::vector<uint32_t>{3}));
    // The high half alone is a lone surrogate in the query; the name holds it as half a pair,
    // which a one-unit run decodes as a lone surrogate too.
    auto half = run_query(s, std::u16string(1, u"\U00010428"[0]), 10);
    EXPECT_EQ(hit_ids(half), (std::vector<uint32_t>{3}));
    EXPECT_EQ(hit_scores(half), (std::vector<uint32_t>{80}));
}

TEST(Query, DeletedEntriesAreNeitherCountedNorReturned) {
    store s(sealed_store({{u"a", u"note"}, {u"b", u"note"}, {u"", u"other"}}));
    remove_paths(s, {u"A\\NOTE"});
    auto call = run_query(s, u"note", 5);
    ASSERT_EQ(call.status, 0u);
    EXPECT_EQ(call.result.scanned, 2u);
    EXPECT_EQ(call.result.matched, 1u);
    EXPECT_EQ(hit_ids(call), (std::vector<uint32_t>{1}));
}

TEST(Query, OneHitKeepsTheBestOfAll) {
    store s(sealed_store({{u"", u"xabc", 9}, {u"", u"abc", 1}, {u"", u"abcd", 5}}));
    auto call = run_query(s, u"abc", 1);
    ASSERT_EQ(call.status, 0u);
    EXPECT_EQ(call.result.matched, 3u);
    EXPECT_EQ(call.result.hit_count, 1u);
    EXPECT_EQ(call.hits[0].id, 1u);
    EXPECT_EQ(call.hits[0].score, 100u);
}

TEST(Query, HitTextUnitsIsWhatCopyEntriesNeeds) {
    store s(sealed_store({{u"C:\\Users", u"report.txt", 3},
                          {u"", u"report", 2},
                          {u"/", u"old report", 1},
                          {u"C:\\users", u"Reports", 4}}));
    auto call = run_query(s, u"report", 10);
    ASSERT_EQ(call.status, 0u);
    // The second Users entry shares the first spelling of its directory.
    EXPECT_EQ(call.result.hit_text_units, 6u + 18 + 11 + 15);
    auto copy = run_copy(s, hit_ids(call));
    ASSERT_EQ(copy.status, 0u);
    EXPECT_EQ(copy.result.text_units, call.result.hit_text_units);
}

TEST(Query, CancelFlagStopsANonEmptyStoreButNotAnEmptyOne) {
    store empty(sealed_store({}));
    quorven_search_core_cancel_v1(empty);
    auto call = run_query(empty, u"x", 3);
    EXPECT_EQ(call.status, 0u);
    EXPECT_TRUE(is_reset_with_status(call.result, 0));

    store s(sealed_store({{u"", u"x"}}));
    ASSERT_EQ(quorven_search_core_cancel_v1(s), 0u);
    call = run_query(s, u"x", 3);
    EXPECT_EQ(call.status, 5u);
    EXPECT_TRUE(is_reset_with_status(call.result, 5));
    EXPECT_TRUE(all_untouched(call.hits));
    // The flag stays set until the host clears it.
    EXPECT_EQ(run_query(s, u"x", 3).status, 5u);
    ASSERT_EQ(quorven_search_core_reset_cancel_v1(s), 0u);
    call = run_query(s, u"x", 3);
    EXPECT_EQ(call.status, 0u);
    EXPECT_EQ(call.result.hit_count, 1u);
}

TEST(Query, StoreOfDeletedEntriesOnlyStillLooksAtTheFlag) {
    store s(sealed_store({{u"", u"x"}}));
    remove_paths(s, {u"x"});
    EXPECT_EQ(run_query(s, u"x", 1).status, 0u);
    quorven_search_core_cancel_v1(s);
    EXPECT_EQ(run_query(s, u"x", 1).status, 5u);
}

TEST(Query, HitTextBeyondU32IsRefusedAfterTheHitsAreWritten) {
    // Every hit needs 14316 + 1 units: 299990 hits fit in u32, 299991 do not.
    store s(one_directory_store(300000, 14316));
    auto call = run_query(s, u"F", 299991);
    EXPECT_EQ(call.status, 1u);
    EXPECT_TRUE(is_reset_with_status(call.result, 1));
    EXPECT_EQ(call.hits[0].id, 299999u);
    EXPECT_EQ(call.hits[299990].id, 9u);
    call = run_query(s, u"F", 299990);
    EXPECT_EQ(call.status, 0u);
    EXPECT_EQ(call.result.hit_count, 299990u);
    EXPECT_EQ(call.result.hit_text_units, 299990u * 14317u);
}

}  // namespace
