// Cancelling open and save through the host's cancel object: an object signalled before the
// call, one that cannot be waited on, and a signal from another thread while the call runs.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;

class VrelCancel : public ::testing::Test {
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
    // Paths in a directory that does not exist: a call that touched them would fail with 7.
    std::u16string nowhere_ = host::join(dir_.file(u"absent"), u"index.vrel");
};

// The poll comes before any file: the call stops with 5 even where every file operation
// would fail.
TEST_F(VrelCancel, SignalledBeforeTheCallStopsBeforeAnyFileIsTouched) {
    store s(sealed_store({{u"d", u"n", 1}}));
    cancel_.signal();
    EXPECT_EQ(save_store(s, target_, temp_, cancel_.value()).status, 5u);
    EXPECT_EQ(save_store(s, nowhere_, nowhere_ + u"~", cancel_.value()).status, 5u);
    EXPECT_EQ(open_file(target_, 300000, cancel_.value()).status, 5u);
    EXPECT_EQ(open_file(nowhere_, 300000, cancel_.value()).status, 5u);
    expect_target_untouched();
}

TEST_F(VrelCancel, AnObjectThatCannotBeWaitedOnIsAnInvalidArgument) {
    store s(sealed_store({{u"d", u"n", 1}}));
    const uint64_t invalid = host::invalid_cancel_object();
    EXPECT_EQ(save_store(s, target_, temp_, invalid).status, 1u);
    EXPECT_EQ(save_store(s, nowhere_, nowhere_ + u"~", invalid).status, 1u);
    EXPECT_EQ(open_file(target_, 300000, invalid).status, 1u);
    EXPECT_EQ(open_file(nowhere_, 300000, invalid).status, 1u);
    expect_target_untouched();
}

// Runs `call` with a fresh cancel object that another thread signals as the call starts.
// Should a call ever end before the signal lands, it runs again; the status of the first call
// that did not run to its end is returned.
uint32_t signalled_while_running(const std::function<uint32_t(uint64_t)>& call) {
    uint32_t status = 0;
    for (int attempt = 0; attempt < 100 && status == 0; ++attempt) {
        host::cancel_object cancel;
        std::atomic<bool> go{false};
        std::thread signaller([&] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            cancel.signal();
        });
        go.store(true);
        status = call(cancel.value());
        signaller.join();
    }
    return status;
}

TEST_F(VrelCancel, ASignalFromAnotherThreadStopsALargeSaveAndOpen) {
    store s(sealed_store(many_entries(300000, 1000)));
    ASSERT_EQ(save_store(s, target_, temp_).status, 0u);
    host::bytes current = *host::read_file(target_);
    uint32_t status = signalled_while_running([&](uint64_t cancel) {
        auto r = save_store(s, target_, temp_, cancel);
        if (r.status == 0) {
            current = *host::read_file(target_);  // this save ran to its end
        }
        return r.status;
    });
    EXPECT_EQ(status, 5u);
    EXPECT_EQ(*host::read_file(target_), current);
    EXPECT_FALSE(host::exists(temp_));

    status = signalled_while_running([&](uint64_t cancel) {
        auto r = open_file(target_, 300000, cancel);
        if (r.handle != 0) {
            quorven_search_core_destroy_v1(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
        }
        return r.status;
    });
    EXPECT_EQ(status, 5u);
}

}  // namespace
