// The polls of open and save on the host's cancel object, counted and triggered through the
// file layer's seam: no file operation before the first poll, a poll before every 256th record
// and at the end, and a signal at any poll seen by the next one, also from another thread.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/file/file_seam.h"
#include "qv/alloc_seam.h"
#include "store_internals.h"
#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;
namespace seam = quorven::search_core::file_seam;

// Counts polls, and signals the cancel object at poll number `signal_at` (if set).
struct poll_watch {
    host::cancel_object* cancel = nullptr;
    uint64_t signal_at = UINT64_MAX;
    uint64_t polls = 0;

    poll_watch() { seam::observe_polls(&poll_watch::on_poll, this); }
    ~poll_watch() { seam::observe_polls(nullptr, nullptr); }
    static void on_poll(void* context, uint64_t number) {
        auto* self = static_cast<poll_watch*>(context);
        self->polls = number + 1;
        if (number == self->signal_at) {
            self->cancel->signal();
        }
    }
};

uint64_t polls_per_loop(uint64_t records) {
    return (records + 255) / 256;
}

class VrelCancelPolls : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(host::write_file(target_, old_)); }
    void expect_target_untouched() {
        EXPECT_EQ(*host::read_file(target_), old_);
        EXPECT_FALSE(host::exists(temp_));
    }
    host::temp_dir dir_;
    std::u16string target_ = dir_.file(u"index.vrel");
    std::u16string temp_ = dir_.file(u"index.tmp");
    const host::bytes old_ = {'o', 'l', 'd'};
    host::cancel_object cancel_;
};

TEST_F(VrelCancelPolls, NoFileOperationBeforeTheFirstPoll) {
    store s(sealed_store({{u"d", u"n", 1}}));
    cancel_.signal();
    seam::fail_nth(0);
    EXPECT_EQ(save_store(s, target_, temp_, cancel_.value()).status, 5u);
    EXPECT_EQ(open_file(target_, 300000, cancel_.value()).status, 5u);
    EXPECT_EQ(save_store(s, target_, temp_, host::invalid_cancel_object()).status, 1u);
    EXPECT_EQ(open_file(target_, 300000, host::invalid_cancel_object()).status, 1u);
    EXPECT_EQ(seam::operations(), 0u);
    expect_target_untouched();
}

TEST_F(VrelCancelPolls, PollsComeBeforeEvery256thRecordAndAtTheEnd) {
    // 700 entries over 10 directories, 13 deleted ones among the first 256 positions.
    store s(sealed_store(many_entries(700, 10)));
    for (uint32_t id = 1; id <= 13; ++id) {
        mark_deleted(s, id);
    }
    mark_deleted(s, 512);  // a deleted entry at a poll position is skipped with its poll
    const uint64_t live = 700 - 14;
    {
        poll_watch watch;
        ASSERT_EQ(save_store(s, target_, temp_, cancel_.value()).status, 0u);
        // Start; renumbering at live positions 0 and 256 (512 is deleted); the directories;
        // the live entries; after the flush.
        EXPECT_EQ(watch.polls, 1 + 2 + polls_per_loop(10) + polls_per_loop(live) + 1);
    }
    {
        poll_watch watch;
        auto r = open_file(target_, 300000, cancel_.value());
        ASSERT_EQ(r.status, 0u);
        quorven_search_core_destroy_v1(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
        EXPECT_EQ(watch.polls, 1 + polls_per_loop(10) + polls_per_loop(live) + 1);
    }
}

TEST_F(VrelCancelPolls, ASignalAtAnyPollStopsSaveAndLeavesTheTarget) {
    store s(sealed_store(many_entries(600, 300)));
    uint64_t total = 0;
    {
        poll_watch watch;
        ASSERT_EQ(save_store(s, dir_.file(u"probe"), temp_, cancel_.value()).status, 0u);
        total = watch.polls;
    }
    int64_t baseline = qv::alloc_seam::live_blocks();
    for (uint64_t k = 0; k < total; ++k) {
        host::cancel_object cancel;
        poll_watch watch;
        watch.cancel = &cancel;
        watch.signal_at = k;
        EXPECT_EQ(save_store(s, target_, temp_, cancel.value()).status, 5u) << k;
        EXPECT_EQ(watch.polls, k + 1) << "the poll after the signal saw it";
        expect_target_untouched();
        EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
    }
}

TEST_F(VrelCancelPolls, ASignalAtAnyPollStopsOpenWithNothingLeft) {
    store s(sealed_store(many_entries(600, 300)));
    ASSERT_EQ(save_store(s, target_, temp_).status, 0u);
    uint64_t total = 0;
    {
        poll_watch watch;
        auto r = open_file(target_, 300000, cancel_.value());
        quorven_search_core_destroy_v1(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
        total = watch.polls;
    }
    int64_t baseline = qv::alloc_seam::live_blocks();
    for (uint64_t k = 0; k < total; ++k) {
        host::cancel_object cancel;
        poll_watch watch;
        watch.cancel = &cancel;
        watch.signal_at = k;
        auto r = open_file(target_, 300000, cancel.value());
        EXPECT_EQ(r.status, 5u) << k;
        EXPECT_EQ(r.handle, 0u);
        EXPECT_EQ(watch.polls, k + 1);
        EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
    }
}

// Another thread signals once the operation has reached a given poll; the poll that follows
// the signal must see it.
class signalling_thread {
  public:
    signalling_thread(host::cancel_object& cancel, uint64_t at) : cancel_(cancel), at_(at) {
        seam::observe_polls(&signalling_thread::on_poll, this);
        thread_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return reached_; });
            cancel_.signal();
            signalled_ = true;
            changed_.notify_all();
        });
    }
    ~signalling_thread() {
        seam::observe_polls(nullptr, nullptr);
        {
            std::lock_guard lock(mutex_);
            reached_ = true;
            changed_.notify_all();
        }
        thread_.join();
    }
    uint64_t polls() const { return polls_; }

  private:
    static void on_poll(void* context, uint64_t number) {
        auto* self = static_cast<signalling_thread*>(context);
        self->polls_ = number + 1;
        if (number != self->at_) {
            return;
        }
        std::unique_lock lock(self->mutex_);
        self->reached_ = true;
        self->changed_.notify_all();
        self->changed_.wait(lock, [self] { return self->signalled_; });
    }

    host::cancel_object& cancel_;
    uint64_t at_;
    uint64_t polls_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
    bool signalled_ = false;
    std::thread thread_;
};

TEST_F(VrelCancelPolls, ASignalFromAnotherThreadStopsALargeSaveAndOpenWithin256Records) {
    store s(sealed_store(many_entries(300000, 1000)));
    ASSERT_EQ(save_store(s, target_, temp_).status, 0u);
    auto saved = *host::read_file(target_);
    // Poll 600 lies inside the entry loop: the entry records written so far are 256 fewer
    // than the ones the next poll would allow.
    {
        host::cancel_object cancel;
        signalling_thread signaller(cancel, 600);
        EXPECT_EQ(save_store(s, target_, temp_, cancel.value()).status, 5u);
        EXPECT_EQ(signaller.polls(), 601u);
    }
    EXPECT_EQ(*host::read_file(target_), saved);
    EXPECT_FALSE(host::exists(temp_));
    {
        host::cancel_object cancel;
        signalling_thread signaller(cancel, 600);
        auto r = open_file(target_, 300000, cancel.value());
        EXPECT_EQ(r.status, 5u);
        EXPECT_EQ(r.handle, 0u);
        EXPECT_EQ(signaller.polls(), 601u);
    }
}

}  // namespace
