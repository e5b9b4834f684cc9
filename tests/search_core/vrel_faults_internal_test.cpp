// Failures injected into open and save: each file operation in turn, and each allocation in
// turn. Every failure gives its status, leaks nothing, and leaves the target as it was (or the
// complete new file, once the rename has happened).

#include <gtest/gtest.h>

#include "platform/file/file_seam.h"
#include "qv/alloc_seam.h"
#include "store_internals.h"
#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;
namespace seam = quorven::search_core::file_seam;

// A store whose file takes several buffers of the reader and writer, so that several writes
// and reads happen, and more than a MiB, so that flushes run ahead of the save's last one.
std::vector<entry> entries_over_buffers() {
    std::vector<entry> out;
    for (uint32_t i = 0; i < 20000; ++i) {
        out.push_back({u"C:\\dir\u00E9" + std::u16string(i % 5, u'x'),
                       u"file-" + std::u16string(40, static_cast<char16_t>(u'a' + i % 26)), i,
                       i % 2});
    }
    out.push_back({u"D:\\big", std::u16string(40000, u'\u00E9'), 1, 0});  // beyond one buffer
    return out;
}

class VrelFaults : public ::testing::TestWithParam<bool> {
  protected:
    std::vector<entry> entries() const {
        return GetParam() ? entries_over_buffers() : std::vector<entry>{{u"d", u"n", 1}};
    }
    void TearDown() override {
        seam::fail_nth(0);
        seam::fail_flushes_ahead(false);
        qv::alloc_seam::fail_nth(0);
    }
    host::temp_dir dir_;
    std::u16string target_ = dir_.file(u"index.vrel");
    std::u16string temp_ = dir_.file(u"index.tmp");
    const host::bytes old_ = {'o', 'l', 'd'};
};

TEST_P(VrelFaults, EachFileOperationOfASaveFailingInTurn) {
    store s(sealed_store(entries()));
    ASSERT_TRUE(host::write_file(target_, old_));
    seam::fail_nth(0);
    ASSERT_EQ(save_store(s, dir_.file(u"probe"), temp_).status, 0u);
    const uint64_t operations = seam::operations();
    const host::bytes fresh = *host::read_file(dir_.file(u"probe"));
    // Clock, create, at least one write, flush, replace, measure.
    ASSERT_GE(operations, 6u);
    int64_t baseline = qv::alloc_seam::live_blocks();
    for (uint64_t k = 1; k <= operations; ++k) {
        ASSERT_TRUE(host::write_file(target_, old_));
        seam::fail_nth(k);
        auto r = save_store(s, target_, temp_);
        seam::fail_nth(0);
        EXPECT_EQ(r.status, 7u) << "operation " << k;
        EXPECT_FALSE(host::exists(temp_)) << k;
        auto now = *host::read_file(target_);
        if (k == operations) {
            // Only measuring the renamed file is left: the new file stays in place.
            EXPECT_EQ(now.size(), fresh.size());
            EXPECT_EQ(open_status(target_), 0u);
        } else {
            EXPECT_EQ(now, old_) << k;
        }
        EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
    }
}

// The system reports a failed flush only once, to whichever flush comes first: one that ran
// ahead of the last must fail the save too. Only a save of more than a MiB has such flushes.
TEST_P(VrelFaults, AFailedFlushAheadFailsTheSave) {
    const bool flushes_ahead = GetParam();
    store s(sealed_store(entries()));
    ASSERT_TRUE(host::write_file(target_, old_));
    seam::fail_flushes_ahead(true);
    auto r = save_store(s, target_, temp_);
    seam::fail_flushes_ahead(false);
    EXPECT_FALSE(host::exists(temp_));
    if (flushes_ahead) {
        EXPECT_EQ(r.status, 7u);
        EXPECT_EQ(*host::read_file(target_), old_);
    } else {
        EXPECT_EQ(r.status, 0u);
    }
}

// The flushes that run ahead of a large save's last one are only for speed: without memory
// for them the save still succeeds. Every other allocation that fails is status 6 and leaves
// the target as it was. Either way nothing leaks.
TEST_P(VrelFaults, EachAllocationOfASaveFailingInTurn) {
    store s(sealed_store(entries()));
    int64_t baseline = qv::alloc_seam::live_blocks();
    qv::alloc_seam::fail_nth(0);
    ASSERT_EQ(save_store(s, target_, temp_).status, 0u);
    const uint64_t allocations = qv::alloc_seam::attempts();
    uint64_t failed = 0;
    for (uint64_t k = 1; k <= allocations; ++k) {
        ASSERT_TRUE(host::write_file(target_, old_));
        qv::alloc_seam::fail_nth(k);
        auto r = save_store(s, target_, temp_);
        qv::alloc_seam::fail_nth(0);
        EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
        EXPECT_FALSE(host::exists(temp_));
        if (r.status == 0) {
            EXPECT_EQ(open_status(target_), 0u) << "allocation " << k;
            continue;
        }
        ++failed;
        EXPECT_EQ(r.status, 6u) << "allocation " << k;
        EXPECT_EQ(*host::read_file(target_), old_);
    }
    EXPECT_GE(failed + 1, allocations);
}

TEST_P(VrelFaults, EachFileOperationOfAnOpenFailingInTurn) {
    store s(sealed_store(entries()));
    ASSERT_EQ(save_store(s, target_, temp_).status, 0u);
    seam::fail_nth(0);
    ASSERT_EQ(open_status(target_), 0u);
    const uint64_t operations = seam::operations();
    ASSERT_GE(operations, 3u);  // open, measure, read
    int64_t baseline = qv::alloc_seam::live_blocks();
    for (uint64_t k = 1; k <= operations; ++k) {
        seam::fail_nth(k);
        auto r = open_file(target_);
        seam::fail_nth(0);
        EXPECT_EQ(r.status, 7u) << "operation " << k;
        EXPECT_EQ(r.handle, 0u);
        EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
    }
}

// Open takes some memory only to go faster (room for the pools sized from the file, trims that
// give memory back): without it the open still succeeds. Every other allocation that fails
// is status 6. Either way nothing leaks and a store that opens holds the file's entries.
TEST_P(VrelFaults, EachAllocationOfAnOpenFailingInTurn) {
    store s(sealed_store(entries()));
    ASSERT_EQ(save_store(s, target_, temp_).status, 0u);
    int64_t baseline = qv::alloc_seam::live_blocks();
    qv::alloc_seam::fail_nth(0);
    ASSERT_EQ(open_status(target_), 0u);
    const uint64_t allocations = qv::alloc_seam::attempts();
    uint32_t failed = 0;
    for (uint64_t k = 1; k <= allocations; ++k) {
        qv::alloc_seam::fail_nth(k);
        auto r = open_file(target_);
        qv::alloc_seam::fail_nth(0);
        if (r.status == 0) {
            store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
            EXPECT_EQ(entries_of(loaded), entries_of(s)) << "allocation " << k;
            continue;
        }
        ++failed;
        EXPECT_EQ(r.status, 6u) << "allocation " << k;
        EXPECT_EQ(r.handle, 0u);
        EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
    }
    // The handle, the buffer, the tables and the entries cannot be done without.
    EXPECT_GE(failed, 4u);
    EXPECT_EQ(qv::alloc_seam::live_blocks(), baseline);
}

INSTANTIATE_TEST_SUITE_P(Sizes, VrelFaults, ::testing::Bool(), [](const auto& instance) {
    return instance.param ? "SeveralBuffers" : "OneBuffer";
});

}  // namespace
