// The first non-ASCII queries of a process over a large store build the table of upper-case
// mappings that every later one shares. Several at once, from as many threads, must each get
// the answer a query alone gets, and ThreadSanitizer (preset linux-tsan) must see no race. Each
// test runs in a process of its own, so the table is built here.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "search_fixture.h"

namespace {

using namespace test;

struct answer {
    uint32_t status;
    uint32_t matched;
    std::vector<std::pair<uint32_t, uint32_t>> hits;  // id and score
    bool operator==(const answer&) const = default;
};

answer ask(quorven_search_core_handle h, const std::u16string& query) {
    query_call call = run_query(h, query, 50);
    answer a{call.status, call.result.matched, {}};
    for (uint32_t i = 0; i < call.result.hit_count; ++i) {
        a.hits.emplace_back(call.hits[i].id, call.hits[i].score);
    }
    return a;
}

TEST(QueryRace, FirstNonAsciiQueriesOfAProcessFromManyThreads) {
    // Enough entries for queries to look for their units' case partners; Cyrillic in both
    // cases, with an old form (U+1C84, a tall te) that only the partner search pairs with "т".
    const std::u16string spellings[] = {
        u"\u041E\u0442\u0447\u0451\u0442", u"\u043E\u0442\u0447\u0451\u0442",
        u"\u041E\u0422\u0427\u0401\u0422", u"\u043E\u1C84\u0447\u0451\u0442",
        u"\u0434\u0430\u043D\u043D\u044B\u0435"};
    std::vector<entry> entries;
    for (uint32_t i = 0; i < 20000; ++i) {
        entries.push_back({u"C:\\d", spellings[i % 5] + u"-" + std::u16string(i % 9, u'x'), i});
    }
    const std::u16string query = u"\u041E\u0422\u0427\u0401\u0422";  // "ОТЧЁТ"

    // A store is asked from one thread at a time; what the threads share is the process.
    constexpr size_t threads = 4;
    std::vector<std::unique_ptr<store>> stores;
    for (size_t t = 0; t < threads; ++t) {
        stores.push_back(std::make_unique<store>(sealed_store(entries)));
    }
    std::vector<answer> answers(threads);
    std::atomic<size_t> waiting{threads};
    std::vector<std::thread> running;
    for (size_t t = 0; t < threads; ++t) {
        running.emplace_back([&, t] {
            waiting.fetch_sub(1);
            while (waiting.load() > 0) {
            }
            answers[t] = ask(*stores[t], query);
        });
    }
    for (std::thread& t : running) {
        t.join();
    }
    const answer alone = ask(*stores[0], query);
    EXPECT_EQ(alone.status, 0u);
    EXPECT_EQ(alone.matched, 16000u);  // every spelling but the last
    for (const answer& a : answers) {
        EXPECT_EQ(a, alone);
    }
}

}  // namespace
