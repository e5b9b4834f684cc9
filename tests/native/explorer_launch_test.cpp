// quorven_explorer_shell_launch_v1: the request checks, the walk from the shell windows to the
// desktop's shell application object, the exact ShellExecute arguments, and a failure at every
// step.

#include "shell_fixture.h"

namespace native_test {
namespace {

using result_t = quorven_explorer_shell_launch_result_v1;

class explorer_launch : public shell_fixture {
  protected:
    result_t run() {
        result_t result = launch(request_);
        expect_nothing_left_behind();
        return result;
    }
    launch_request request_;
};

TEST_F(explorer_launch, LaunchesThroughTheDesktopsShellWithTheExactArguments) {
    result_t result = run();
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.steps, 0x7Fu);
    for (int32_t hr :
         {result.hr_com_init, result.hr_create_shell, result.hr_windows, result.hr_find_desktop,
          result.hr_document, result.hr_application, result.hr_shell_execute}) {
        EXPECT_EQ(hr, 0);
    }
    EXPECT_EQ(result.launched, 1u);
    EXPECT_EQ(standin::last_arguments("CoInitializeEx"), (std::vector<int64_t>{0, 2}));
    EXPECT_EQ(standin::last_arguments("CoCreateInstance"), (std::vector<int64_t>{0x17, 0}));
    // Location VT_EMPTY, root VT_I4 0, SWC_DESKTOP, the window handle 0 on entry, NEEDDISPATCH.
    EXPECT_EQ(standin::last_arguments("IShellWindows::FindWindowSW"),
              (std::vector<int64_t>{VT_EMPTY, VT_I4, 0, 8, 0, 1}));

    auto executes = standin::shell_executes();
    ASSERT_EQ(executes.size(), 1u);
    const standin::shell_execute_call& call = executes[0];
    EXPECT_EQ(call.file, request_.file);
    EXPECT_EQ(call.arguments.vt, VT_BSTR);
    EXPECT_TRUE(call.arguments.null_text);
    EXPECT_EQ(call.directory.vt, VT_BSTR);
    EXPECT_EQ(call.directory.text, u"C:\\Work");
    EXPECT_EQ(call.operation.vt, VT_BSTR);
    EXPECT_EQ(call.operation.text, u"open");
    EXPECT_EQ(call.show.vt, VT_I4);
    EXPECT_EQ(call.show.number, 1);
    // The application object of the desktop's view runs ShellExecute, not the one created.
    EXPECT_EQ(standin::snapshot().objects_created, 5);
}

TEST_F(explorer_launch, EmptyDirectoryIsPassedAsANullString) {
    request_.directory.clear();
    EXPECT_EQ(run().status, 0u);
    auto executes = standin::shell_executes();
    ASSERT_EQ(executes.size(), 1u);
    EXPECT_EQ(executes[0].directory.vt, VT_BSTR);
    EXPECT_TRUE(executes[0].directory.null_text);
}

TEST_F(explorer_launch, RequestChecks) {
    std::u16string with_zero(u"op\0en", 5);
    std::u16string too_long(32768, u'f');
    using r = launch_request&;
    expect_rejections<launch_request>(
        request_, quorven_explorer_shell_launch_v1,
        {{2, [](r q) { q.record.size = 88; }},
         {2, [](r q) { q.record.version = 2; }},
         {1, [](r q) { q.record.reserved0[1] = 1; }},
         {1, [](r q) { q.record.reserved1[3] = 1; }},
         {1, [](r q) { q.record.file = string_of(u""); }},
         {1, [&](r q) { q.record.file = string_of(too_long); }},
         {1, [](r q) { q.record.directory.reserved = 1; }},
         {1, [](r q) { q.record.directory.length = 0; }},  // a pointer without length
         {1, [](r q) { q.record.operation = string_of(u""); }},
         {1, [&](r q) { q.record.operation = string_of(with_zero); }}});
}

TEST_F(explorer_launch, NoDesktopWindowEndsAfterTheSearch) {
    standin::set_desktop_present(false);
    result_t result = run();
    EXPECT_EQ(result.status, 7u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.hr_find_desktop, 0);
    EXPECT_EQ(result.steps, 0x0Fu);
    EXPECT_EQ(result.hr_document, pending);
    EXPECT_EQ(result.launched, 0u);
    EXPECT_TRUE(standin::shell_executes().empty());
}

TEST_F(explorer_launch, ThreadInTheMultithreadedApartmentIsServedThere) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    result_t result = launch(request_);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.hr_com_init, QUORVEN_NATIVE_HR_CHANGED_MODE);
    EXPECT_EQ(result.launched, 1u);
    EXPECT_EQ(standin::call_count("CoUninitialize"), 0u);
    EXPECT_EQ(standin::apartment_model(), static_cast<DWORD>(COINIT_MULTITHREADED));
    CoUninitialize();
}

TEST_F(explorer_launch, FailureAtEveryStep) {
    const int32_t fail = E_FAIL;
    const int32_t none = QUORVEN_NATIVE_HR_POINTER;
    using f = step_failure<result_t>;
    std::vector<f> failures = {
        {"CoInitializeEx", 1, fails(E_OUTOFMEMORY), &result_t::hr_com_init, E_OUTOFMEMORY, 4, 0x01},
        {"CoCreateInstance", 1, fails(REGDB_E_CLASSNOTREG), &result_t::hr_create_shell,
         REGDB_E_CLASSNOTREG, 5, 0x03},
        {"CoCreateInstance", 1, empty_success(), &result_t::hr_create_shell, 0, 5, 0x03},
        {"IShellDispatch::Windows", 1, fails(E_NOTIMPL), &result_t::hr_windows, E_NOTIMPL, 7, 0x07},
        {"IShellDispatch::Windows", 1, empty_success(), &result_t::hr_windows, 0, 7, 0x07},
        {"IShellWindows::QueryInterface", 1, fails(E_NOINTERFACE), &result_t::hr_windows,
         E_NOINTERFACE, 7, 0x07},
        {"IShellWindows::QueryInterface", 1, empty_success(), &result_t::hr_windows, none, 7, 0x07},
        {"IShellWindows::FindWindowSW", 1, fails(fail), &result_t::hr_find_desktop, fail, 7, 0x0F},
        {"IWebBrowser::QueryInterface", 1, empty_success(), &result_t::hr_find_desktop, none, 7,
         0x0F},
        {"IWebBrowser::get_Document", 1, fails(fail), &result_t::hr_document, fail, 7, 0x1F},
        {"IWebBrowser::get_Document", 1, empty_success(), &result_t::hr_document, 0, 7, 0x1F},
        {"IShellFolderViewDual::QueryInterface", 1, fails(E_NOINTERFACE), &result_t::hr_document,
         E_NOINTERFACE, 7, 0x1F},
        {"IShellFolderViewDual::get_Application", 1, fails(fail), &result_t::hr_application, fail,
         7, 0x3F},
        // The application object's query: the created shell object was never queried.
        {"IShellDispatch::QueryInterface", 1, empty_success(), &result_t::hr_application, none, 7,
         0x3F},
        {"IShellDispatch2::ShellExecute", 1, fails(E_ACCESSDENIED), &result_t::hr_shell_execute,
         E_ACCESSDENIED, 7, 0x7F},
        {"SysAllocStringLen", 2, fails(E_OUTOFMEMORY), &result_t::hr_shell_execute, E_OUTOFMEMORY,
         7, 0x7F},
    };
    expect_each_step_failure<result_t>(
        *this, [] {}, [this] { return launch(request_); }, failures);
    EXPECT_TRUE(standin::shell_executes().empty());
}

}  // namespace
}  // namespace native_test
