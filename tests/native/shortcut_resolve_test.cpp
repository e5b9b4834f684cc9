// quorven_shortcut_resolve_no_ui_v2 and quorven_shortcut_resolve_with_ui_v2: the flags and window
// handed to the shell, what a failed resolve does to each, and their request checks.

#include "native_fixture.h"

namespace native_test {
namespace {

const std::u16string moved_to = u"D:\\Apps\\Editor\\editor.exe";

class resolve_no_ui : public native_fixture {
  protected:
    void SetUp() override {
        native_fixture::SetUp();
        put_link(sample_link());
        standin::set_moved_target(sample_link().target, moved_to);
        record_.size = QUORVEN_SHORTCUT_RESOLVE_REQUEST_V2_SIZE;
        record_.version = QUORVEN_SHORTCUT_RECORD_VERSION;
        record_.timeout_ms = 3000;
    }
    quorven_shortcut_read_result_v2 resolve() {
        read_.bind();
        record_.shortcut = read_.record;
        auto result = fresh_result<quorven_shortcut_read_result_v2>();
        EXPECT_EQ(quorven_shortcut_resolve_no_ui_v2(&record_, &result), result.status);
        expect_nothing_left_behind();
        return result;
    }
    read_request read_{QUORVEN_SHORTCUT_MODE_FULL};
    quorven_shortcut_resolve_request_v2 record_{};
};

TEST_F(resolve_no_ui, ResolvesSilentlyThenReadsTheResolvedLink) {
    auto result = resolve();
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.steps, 0x0Fu);
    EXPECT_EQ(result.hr_resolve, 0);
    EXPECT_EQ(standin::last_arguments("IShellLinkW::Resolve"),
              (std::vector<int64_t>{0, 0x11 | (3000 << 16)}));
    EXPECT_EQ(read_.target.value(), moved_to);
    EXPECT_EQ(read_.description.value(), u"Text editor");
    standin::link_file stored;
    ASSERT_TRUE(standin::get_link_file(link_path, &stored));
    EXPECT_EQ(stored.target, sample_link().target) << "the file is not updated";
}

TEST_F(resolve_no_ui, FailedResolveIsRecordedAndTheLinkReadAsItIs) {
    standin::fail("IShellLinkW::Resolve", E_FAIL);
    auto result = resolve();
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.hr_resolve, E_FAIL);
    EXPECT_EQ(read_.target.value(), sample_link().target);
    EXPECT_EQ(result.fields_read, 0x1Fu);
}

TEST_F(resolve_no_ui, LoadFailureStopsBeforeResolving) {
    read_.path = u"C:\\missing.lnk";
    read_.record.link_path = string_of(read_.path);
    auto result = resolve();
    EXPECT_EQ(result.status, 6u);
    EXPECT_EQ(result.steps, 0x07u);
    EXPECT_EQ(result.hr_resolve, pending);
}

TEST_F(resolve_no_ui, TimeoutMustFitSixteenBits) {
    record_.timeout_ms = 65535;
    EXPECT_EQ(resolve().status, 0u);
    EXPECT_EQ(standin::last_arguments("IShellLinkW::Resolve")[1], 0xFFFF0011);
    record_.timeout_ms = 65536;
    EXPECT_EQ(resolve().status, 1u);
}

TEST_F(resolve_no_ui, ChecksTheOuterRecordThenTheEmbeddedOne) {
    auto expect_status = [this](uint32_t status, auto change) {
        quorven_shortcut_resolve_request_v2 saved = record_;
        change();
        auto result = resolve();
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.hresult, invalid_arg);
        EXPECT_EQ(result.steps, 0u);
        record_ = saved;
        read_.record.size = QUORVEN_SHORTCUT_REQUEST_V2_SIZE;
        read_.record.version = QUORVEN_SHORTCUT_RECORD_VERSION;
        read_.record.mode = QUORVEN_SHORTCUT_MODE_FULL;
    };
    expect_status(2, [this] { record_.size = 144; });
    expect_status(1, [this] { record_.reserved0 = 1; });
    expect_status(1, [this] { record_.reserved1[0] = 1; });
    expect_status(2, [this] { read_.record.version = 1; });
    expect_status(2, [this] { read_.record.size = 192; });
    expect_status(1, [this] { read_.record.mode = QUORVEN_SHORTCUT_MODE_COMPACT; });
    expect_status(1, [this] { read_.record.mode = 0; });
    // Outer field errors come before the embedded record's size.
    expect_status(1, [this] {
        record_.reserved0 = 1;
        read_.record.size = 0;
    });
}

class resolve_with_ui : public native_fixture {
  protected:
    void SetUp() override {
        native_fixture::SetUp();
        put_link(sample_link());
        standin::set_moved_target(sample_link().target, moved_to);
        record_.size = QUORVEN_SHORTCUT_RESOLVE_UI_REQUEST_V2_SIZE;
        record_.version = QUORVEN_SHORTCUT_RECORD_VERSION;
        record_.link_path = string_of(path_);
        record_.owner_window = 0x1234;
    }
    quorven_shortcut_resolve_ui_result_v2 resolve() {
        auto result = fresh_result<quorven_shortcut_resolve_ui_result_v2>();
        EXPECT_EQ(quorven_shortcut_resolve_with_ui_v2(&record_, &result), result.status);
        expect_nothing_left_behind();
        return result;
    }
    std::u16string path_ = link_path;
    quorven_shortcut_resolve_ui_request_v2 record_{};
};

TEST_F(resolve_with_ui, HandsTheOwnerWindowAndFlagsToTheShellWhichUpdatesTheFile) {
    auto result = resolve();
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.steps, 0x0Fu);
    EXPECT_EQ(result.hr_resolve, 0);
    EXPECT_EQ(result.resolve_flags, 0x214u);
    EXPECT_EQ(standin::last_arguments("IShellLinkW::Resolve"),
              (std::vector<int64_t>{0x1234, 0x214}));
    EXPECT_EQ(standin::call_count("IPersistFile::Save"), 0u);
    standin::link_file stored;
    ASSERT_TRUE(standin::get_link_file(link_path, &stored));
    EXPECT_EQ(stored.target, moved_to);
}

TEST_F(resolve_with_ui, ResolveOutcomeDecidesTheStatus) {
    standin::fail("IShellLinkW::Resolve", E_ACCESSDENIED, 1);
    auto result = resolve();
    EXPECT_EQ(result.status, 7u);
    EXPECT_EQ(result.hresult, E_ACCESSDENIED);
    EXPECT_EQ(result.hr_resolve, E_ACCESSDENIED);

    standin::succeed_with("IShellLinkW::Resolve", S_FALSE, 2);
    result = resolve();
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.hr_resolve, 1);
}

TEST_F(resolve_with_ui, LoadFailureKeepsTheFlagsAndSkipsTheResolve) {
    path_ = u"C:\\gone.lnk";
    record_.link_path = string_of(path_);
    auto result = resolve();
    EXPECT_EQ(result.status, 6u);
    EXPECT_EQ(result.steps, 0x07u);
    EXPECT_EQ(result.resolve_flags, 0x214u);
    EXPECT_EQ(result.hr_resolve, pending);
}

TEST_F(resolve_with_ui, RequestChecks) {
    auto expect_status = [this](uint32_t status, auto change) {
        quorven_shortcut_resolve_ui_request_v2 saved = record_;
        change();
        auto result = resolve();
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.hresult, invalid_arg);
        EXPECT_EQ(result.steps, 0u);
        EXPECT_EQ(result.resolve_flags, 0u);
        record_ = saved;
    };
    expect_status(2, [this] { record_.version = 3; });
    expect_status(1, [this] { record_.reserved0[1] = 1; });
    expect_status(1, [this] { record_.reserved1[2] = 1; });
    expect_status(1, [this] { record_.link_path.reserved = 1; });
    expect_status(1, [this] { record_.link_path.length = 0; });
    expect_status(1, [this] { path_[3] = 0; });
    EXPECT_EQ(standin::call_count("CoInitializeEx"), 0u);
}

}  // namespace
}  // namespace native_test
