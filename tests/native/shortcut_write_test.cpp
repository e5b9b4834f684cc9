// quorven_shortcut_write_v2: the values reach the file and read back, the copies and their 0-unit
// checks, setter and save outcomes, and running out of memory at every copy.

#include "native_fixture.h"

namespace native_test {
namespace {

class shortcut_write : public native_fixture {
  protected:
    quorven_shortcut_write_result_v2 write() {
        request_.bind();
        auto result = fresh_result<quorven_shortcut_write_result_v2>();
        EXPECT_EQ(quorven_shortcut_write_v2(&request_.record, &result), result.status);
        expect_nothing_left_behind();
        return result;
    }
    write_request request_;
};

TEST_F(shortcut_write, WrittenShortcutReadsBack) {
    put_link(sample_link());  // an older link at the same path is replaced, not loaded
    request_.target = u"%SystemRoot%\\notepad.exe";
    request_.description = u"Notes \u00e9\u4e2d";
    request_.arguments = u"  /A  ";
    request_.working_directory = u"C:\\Temp";
    request_.icon_path = u"C:\\Icons\\n.ico";
    request_.record.icon_index = -3;
    auto result = write();
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.steps, 0x13u);
    EXPECT_EQ(result.setters_attempted, 0x1Fu);
    EXPECT_EQ(result.setters_succeeded, 0x1Fu);
    EXPECT_EQ(result.hr_save, 0);
    EXPECT_EQ(standin::last_arguments("IShellLinkW::SetIconLocation"), (std::vector<int64_t>{-3}));
    EXPECT_EQ(standin::last_arguments("IPersistFile::Save"), (std::vector<int64_t>{1}));
    EXPECT_EQ(standin::call_count("IPersistFile::Load"), 0u);

    read_request read(QUORVEN_SHORTCUT_MODE_FULL);
    auto read_result = fresh_result<quorven_shortcut_read_result_v2>();
    ASSERT_EQ(quorven_shortcut_read_v2(&read.record, &read_result), 0u);
    EXPECT_EQ(read.target.value(), request_.target);
    EXPECT_EQ(read.description.value(), request_.description);
    EXPECT_EQ(read.arguments.value(), request_.arguments);
    EXPECT_EQ(read.working_directory.value(), request_.working_directory);
    EXPECT_EQ(read.icon_path.value(), request_.icon_path);
    EXPECT_EQ(read_result.icon_index, -3);
}

TEST_F(shortcut_write, OnlyLinkAndTargetCallsEverySetter) {
    auto result = write();
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.steps, 0x13u);
    EXPECT_EQ(result.setters_succeeded, 0x1Fu);
    for (int32_t hr : {result.hr_set_path, result.hr_set_description, result.hr_set_arguments,
                       result.hr_set_working_directory, result.hr_set_icon_location}) {
        EXPECT_EQ(hr, 0);
    }
    EXPECT_EQ(com_calls(), (std::vector<std::string>{
                               "CoInitializeEx", "CoCreateInstance", "IShellLinkW::QueryInterface",
                               "IShellLinkW::SetPath", "IShellLinkW::SetDescription",
                               "IShellLinkW::SetArguments", "IShellLinkW::SetWorkingDirectory",
                               "IShellLinkW::SetIconLocation", "IPersistFile::Save",
                               "IPersistFile::Release", "IShellLinkW::Release", "CoUninitialize"}));
    standin::link_file saved;
    ASSERT_TRUE(standin::get_link_file(link_path, &saved));
    EXPECT_EQ(saved.target, request_.target);
    EXPECT_EQ(saved.description, u"");
}

TEST_F(shortcut_write, RequestChecks) {
    auto expect_rejected = [this](uint32_t status, auto change) {
        write_request saved = request_;
        change();
        request_.bind();
        change();  // after bind, for changes made to the record itself
        auto result = fresh_result<quorven_shortcut_write_result_v2>();
        EXPECT_EQ(quorven_shortcut_write_v2(&request_.record, &result), status);
        EXPECT_EQ(result.hresult, invalid_arg);
        EXPECT_EQ(result.steps, 0u);
        EXPECT_EQ(result.hr_set_path, pending);
        expect_nothing_left_behind();
        request_ = saved;
    };
    expect_rejected(1, [this] { request_.record.mode = QUORVEN_SHORTCUT_MODE_FULL; });
    expect_rejected(1, [this] { request_.record.mode = QUORVEN_SHORTCUT_MODE_COMPACT; });
    expect_rejected(1, [this] { request_.target.clear(); });
    expect_rejected(1, [this] { request_.path.clear(); });
    expect_rejected(1, [this] { request_.record.reserved1[1] = 1; });
    expect_rejected(1, [this] { request_.record.target.string.reserved = 1; });
    expect_rejected(2, [this] { request_.record.version = 1; });
    EXPECT_EQ(standin::call_count("CoInitializeEx"), 0u);

    // icon_index is not checked.
    request_.record.icon_index = -2147483647 - 1;
    EXPECT_EQ(write().status, 0u);
}

// The six copies are made in order, each after its own scan: a 0 unit in the icon path ends the
// call after five copies, which are freed.
TEST_F(shortcut_write, ZeroUnitFoundAtCopyTimeFreesEarlierCopies) {
    request_.description = u"d";
    request_.arguments = u"a";
    request_.working_directory = u"w";
    request_.icon_path = std::u16string(u"ic\0n", 4);
    auto result = write();
    EXPECT_EQ(result.status, 1u);
    EXPECT_EQ(result.hresult, invalid_arg);
    EXPECT_EQ(result.steps, 0u);
    EXPECT_EQ(standin::snapshot().heap_allocations, 5);
    EXPECT_EQ(standin::call_count("HeapFree"), 5u);
    EXPECT_EQ(standin::call_count("CoInitializeEx"), 0u);
}

TEST_F(shortcut_write, OutOfMemoryAtAnyCopyFreesTheOthers) {
    for (unsigned k = 1; k <= 6; ++k) {
        SCOPED_TRACE(k);
        standin::reset();
        standin::fail("HeapAlloc", E_OUTOFMEMORY, k);
        auto result = write();
        EXPECT_EQ(result.status, 7u);
        EXPECT_EQ(result.hresult, QUORVEN_NATIVE_HR_OUT_OF_MEMORY);
        EXPECT_EQ(result.steps, 0u);
        EXPECT_EQ(standin::snapshot().heap_allocations, static_cast<long>(k - 1));
        EXPECT_EQ(standin::link_file_count(), 0u);
    }
}

// A failing setter ends the call: later setters are not called and nothing is saved.
TEST_F(shortcut_write, SetterFailureLeavesLaterFieldsPending) {
    const char* setters[] = {"IShellLinkW::SetPath", "IShellLinkW::SetDescription",
                             "IShellLinkW::SetArguments", "IShellLinkW::SetWorkingDirectory",
                             "IShellLinkW::SetIconLocation"};
    for (uint32_t k = 0; k < 5; ++k) {
        SCOPED_TRACE(setters[k]);
        standin::reset();
        standin::fail(setters[k], E_INVALIDARG);
        auto result = write();
        EXPECT_EQ(result.status, 7u);
        EXPECT_EQ(result.hresult, E_INVALIDARG);
        EXPECT_EQ(result.steps, 0x03u);
        EXPECT_EQ(result.setters_attempted, (2u << k) - 1);
        EXPECT_EQ(result.setters_succeeded, (1u << k) - 1);
        const int32_t hrs[] = {result.hr_set_path, result.hr_set_description,
                               result.hr_set_arguments, result.hr_set_working_directory,
                               result.hr_set_icon_location};
        for (uint32_t i = 0; i < 5; ++i) {
            EXPECT_EQ(hrs[i], i < k ? 0 : i == k ? E_INVALIDARG : pending) << i;
        }
        EXPECT_EQ(result.hr_save, pending);
        EXPECT_EQ(standin::call_count("IPersistFile::Save"), 0u);
        EXPECT_EQ(standin::link_file_count(), 0u);
    }
}

TEST_F(shortcut_write, SetterSuccessCodesCountAsSuccess) {
    standin::succeed_with("IShellLinkW::SetPath", S_FALSE);  // the shell's "target not found"
    auto result = write();
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hr_set_path, 1);
    EXPECT_EQ(result.setters_succeeded, 0x1Fu);
}

// Only S_OK from Save is success; S_FALSE and failures are status 7 with that value.
TEST_F(shortcut_write, SaveMustReturnExactlyOk) {
    for (HRESULT hr : {S_FALSE, static_cast<HRESULT>(0x80070003)}) {
        standin::reset();
        standin::script("IPersistFile::Save", 1,
                        standin::outcome{standin::outcome::kind::result, hr, true});
        auto result = write();
        EXPECT_EQ(result.status, 7u);
        EXPECT_EQ(result.hresult, hr);
        EXPECT_EQ(result.hr_save, hr);
        EXPECT_EQ(result.steps, 0x13u);
        EXPECT_EQ(result.setters_succeeded, 0x1Fu);
    }
}

TEST_F(shortcut_write, CreationFailureStopsBeforeTheSetters) {
    standin::succeed_empty("IShellLinkW::QueryInterface");
    auto result = write();
    EXPECT_EQ(result.status, 5u);
    EXPECT_EQ(result.hresult, QUORVEN_NATIVE_HR_POINTER);
    EXPECT_EQ(result.hr_create_link, QUORVEN_NATIVE_HR_POINTER);
    EXPECT_EQ(result.steps, 0x03u);
    EXPECT_EQ(result.setters_attempted, 0u);
}

}  // namespace
}  // namespace native_test
