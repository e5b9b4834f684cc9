// Cancelling a running query from another thread, over a full store.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "search_fixture.h"

namespace {

using namespace test;

quorven_search_core_handle full_store() {
    batch b;
    for (uint32_t i = 0; i < 300000; ++i) {
        std::string name = "Report " + std::to_string(i) + ".docx";
        b.add({i % 2 ? u"C:\\Users\\me\\Documents" : u"D:\\Archive",
               std::u16string(name.begin(), name.end()), i});
    }
    quorven_search_core_handle h = create_store(300000);
    EXPECT_EQ(add(h, b).status, 0u);
    EXPECT_EQ(seal(h).status, 0u);
    return h;
}

TEST(QueryCancel, CancelFromAnotherThreadStopsTheQuery) {
    store s(full_store());
    // The other thread cancels from the moment the query is about to start until it has
    // returned. Should the query ever finish before the first cancel lands, it is run again.
    query_call call{};
    for (int attempt = 0; attempt < 100; ++attempt) {
        ASSERT_EQ(quorven_search_core_reset_cancel_v1(s), 0u);
        std::atomic<bool> go{false};
        std::atomic<bool> done{false};
        std::thread canceller([&] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            do {
                quorven_search_core_cancel_v1(s);
            } while (!done.load());
        });
        go.store(true);
        call = run_query(s, u"report", 100);
        done.store(true);
        canceller.join();
        if (call.status != 0) {
            break;
        }
    }
    EXPECT_EQ(call.status, 5u);
    EXPECT_TRUE(is_reset_with_status(call.result, 5));
    EXPECT_TRUE(all_untouched(call.hits));

    // The flag stays set until cleared; then the same query runs to its end.
    EXPECT_EQ(run_query(s, u"report", 100).status, 5u);
    ASSERT_EQ(quorven_search_core_reset_cancel_v1(s), 0u);
    call = run_query(s, u"report", 100);
    EXPECT_EQ(call.status, 0u);
    EXPECT_EQ(call.result.scanned, 300000u);
    EXPECT_EQ(call.result.matched, 300000u);
    EXPECT_EQ(call.result.hit_count, 100u);
    EXPECT_EQ(call.hits[0].id, 299999u);
    EXPECT_EQ(call.hits[0].score, 80u);
}

}  // namespace
