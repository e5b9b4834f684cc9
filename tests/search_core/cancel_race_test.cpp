// Cancellation from other threads, hammered so that ThreadSanitizer (preset linux-tsan) sees
// every interleaving it can: queries cancelled and reset thousands of times, cancel and reset
// racing each other, and saves and opens cancelled through the cancel object at random points.
// Every call must end either whole or cancelled, and a cancelled call changes nothing.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;

struct answer {
    uint32_t status;
    uint32_t scanned;
    uint32_t matched;
    std::vector<uint32_t> ids;
    bool operator==(const answer&) const = default;
};

answer ask(quorven_search_core_handle h) {
    query_call call = run_query(h, u"name", 20);
    answer a{call.status, call.result.scanned, call.result.matched, {}};
    if (call.status == 5) {
        EXPECT_TRUE(is_reset_with_status(call.result, 5));
        EXPECT_TRUE(all_untouched(call.hits));
    }
    for (uint32_t i = 0; i < call.result.hit_count; ++i) {
        a.ids.push_back(call.hits[i].id);
    }
    return a;
}

// Runs queries on `h` until `stop`; each one must be the full answer or cancelled.
uint32_t query_until(quorven_search_core_handle h, const answer& full,
                     const std::atomic<bool>& stop, uint32_t& cancelled) {
    uint32_t runs = 0;
    while (!stop.load()) {
        answer a = ask(h);
        ++runs;
        if (a.status == 5) {
            ++cancelled;
        } else if (!(a == full)) {
            ADD_FAILURE() << "query " << runs << " neither whole nor cancelled";
            break;
        }
    }
    return runs;
}

class CancelRace : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(quorven_search_core_reset_cancel_v1(store_), 0u);
        full_ = ask(store_);
        ASSERT_EQ(full_.status, 0u);
        ASSERT_EQ(full_.matched, 20000u);
    }
    void TearDown() override {
        // A cancelled call changed nothing: once reset, the store answers as before.
        ASSERT_EQ(quorven_search_core_reset_cancel_v1(store_), 0u);
        EXPECT_EQ(ask(store_), full_);
        EXPECT_EQ(stats(store_).live_count, 20000u);
    }
    store store_{sealed_store(many_entries(20000, 50))};
    answer full_;
};

TEST_F(CancelRace, QueryLoopCancelledAndResetThousandsOfTimes) {
    std::atomic<bool> stop{false};
    std::thread canceller([&] {
        for (int i = 0; i < 5000; ++i) {
            quorven_search_core_cancel_v1(store_);
            std::this_thread::yield();
            quorven_search_core_reset_cancel_v1(store_);
            std::this_thread::yield();
        }
        stop.store(true);
    });
    uint32_t cancelled = 0;
    uint32_t runs = query_until(store_, full_, stop, cancelled);
    canceller.join();
    EXPECT_GT(runs, 0u);
    RecordProperty("queries", static_cast<int>(runs));
    RecordProperty("cancelled", static_cast<int>(cancelled));
}

TEST_F(CancelRace, CancelAndResetRaceEachOtherDuringQueries) {
    std::atomic<bool> stop{false};
    std::atomic<int> finished{0};
    auto hammer = [&](uint32_t (*call)(quorven_search_core_handle)) {
        return std::thread([&, call] {
            for (int i = 0; i < 10000; ++i) {
                call(store_);
            }
            if (finished.fetch_add(1) == 1) {
                stop.store(true);
            }
        });
    };
    std::thread cancels = hammer(quorven_search_core_cancel_v1);
    std::thread resets = hammer(quorven_search_core_reset_cancel_v1);
    uint32_t cancelled = 0;
    query_until(store_, full_, stop, cancelled);
    cancels.join();
    resets.join();
}

// Signals a fresh cancel object from another thread after a random pause of up to `max_pause`
// while `call` runs, and returns the call's status.
template <typename Call>
uint32_t cancelled_after(std::mt19937& rng, std::chrono::microseconds max_pause, Call call) {
    host::cancel_object cancel;
    auto pause = std::chrono::microseconds(
        std::uniform_int_distribution<int64_t>(0, max_pause.count())(rng));
    std::thread signaller([&] {
        std::this_thread::sleep_for(pause);
        cancel.signal();
    });
    uint32_t status = call(cancel.value());
    signaller.join();
    return status;
}

TEST_F(CancelRace, SaveAndOpenCancelledAtRandomPoints) {
    host::temp_dir dir;
    std::u16string target = dir.file(u"index.vrel");
    std::u16string temp = dir.file(u"index.tmp");
    ASSERT_EQ(save_store(store_, target, temp).status, 0u);
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(save_store(store_, target, temp).status, 0u);
    auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - started);
    std::mt19937 rng(16);
    uint32_t counts[2][2] = {};  // [save, open][completed, cancelled]
    for (int trial = 0; trial < 40; ++trial) {
        host::bytes before = *host::read_file(target);
        uint32_t status = cancelled_after(rng, whole, [&](uint64_t cancel) {
            return save_store(store_, target, temp, cancel).status;
        });
        ASSERT_TRUE(status == 0 || status == 5) << status;
        ++counts[0][status == 5];
        if (status == 5) {
            EXPECT_EQ(*host::read_file(target), before);
        }
        EXPECT_FALSE(host::exists(temp));

        status = cancelled_after(rng, whole, [&](uint64_t cancel) {
            auto opened = open_file(target, 300000, cancel);
            if (opened.handle != 0) {
                EXPECT_EQ(opened.entry_count, 20000u);
                quorven_search_core_destroy_v1(QUORVEN_SC_HANDLE_FROM_U64(opened.handle));
            }
            return opened.status;
        });
        ASSERT_TRUE(status == 0 || status == 5) << status;
        ++counts[1][status == 5];
    }
    EXPECT_EQ(open_status(target), 0u);
    RecordProperty("saves_cancelled", static_cast<int>(counts[0][1]));
    RecordProperty("opens_cancelled", static_cast<int>(counts[1][1]));
}

}  // namespace
