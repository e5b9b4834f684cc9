// quorven_explorer_shell_launch_v1: launches a file, folder or program through the Explorer
// process that owns the desktop. The desktop's folder view is reached through the shell
// windows; the shell application object behind that view carries out ShellExecute, so the
// program is started by Explorer, not by the host.

#include "shell/shell_steps.h"

namespace quorven::native {

namespace {

using launch_request = quorven_explorer_shell_launch_request_v1;
using launch_result = quorven_explorer_shell_launch_result_v1;

void reset_launch_result(launch_result& result) {
    clear_result(result);
    result.hr_com_init = hr_pending;
    result.hr_create_shell = hr_pending;
    result.hr_windows = hr_pending;
    result.hr_find_desktop = hr_pending;
    result.hr_document = hr_pending;
    result.hr_application = hr_pending;
    result.hr_shell_execute = hr_pending;
}

bool string_valid(const quorven_utf16_string& text, bool required) {
    bool valid = required ? required_string_valid(text) : optional_string_valid(text);
    return valid && !contains_zero_unit(text);
}

// Size and version; reserved0, reserved1; file required, directory optional, operation
// required.
u32 check_launch_request(const launch_request& request) {
    if (request.size != sizeof(launch_request) ||
        request.version != QUORVEN_NATIVE_V1_RECORD_VERSION) {
        return status_unsupported_record;
    }
    if (request.reserved0[0] != 0 || request.reserved0[1] != 0 || !all_zero(request.reserved1, 4) ||
        !string_valid(request.file, true) || !string_valid(request.directory, false) ||
        !string_valid(request.operation, true)) {
        return status_invalid_argument;
    }
    return status_ok;
}

// One step of the walk to the desktop's shell application object: a getter that hands back an
// automation object, then the query of that object for the interface the next step needs, both
// recorded in `field`.
template <typename Interface>
bool query_next(com_ptr<IDispatch>& object, HRESULT hr, const IID& iid, com_ptr<Interface>& next,
                i32& field, call_report& report) {
    if (!record_object_call(hr, object.get(), field, report, status_step_failed)) {
        return false;
    }
    void* found = nullptr;
    if (!query_interface(object.get(), iid, &found, field, report, status_step_failed)) {
        return false;
    }
    next.attach(found);
    return true;
}

// The five arguments of ShellExecute; the VARIANTs are cleared before the file's BSTR is freed.
struct launch_arguments {
    unique_bstr file;
    unique_variant arguments;  // always an empty string (a null BSTR)
    unique_variant directory;
    unique_variant operation;
    unique_variant show;

    bool build(const launch_request& request) {
        (*arguments).vt = VT_BSTR;
        (*arguments).bstrVal = nullptr;
        set_number(show, flags::show_normal);
        return file.assign(request.file) && set_text(directory, request.directory) &&
               set_text(operation, request.operation);
    }
};

u32 launch(const launch_request& request, launch_result& result, call_report& report) {
    apartment com;
    com_ptr<IShellDispatch> shell;
    if (!open_shell(com, shell, result, report)) {
        return report.status();
    }

    report.start(QUORVEN_EXPLORER_STEP_WINDOWS);
    com_ptr<IDispatch> window_collection;
    com_ptr<IShellWindows> windows;
    HRESULT hr = shell->Windows(window_collection.put());
    if (!query_next(window_collection, hr, ids::shell_windows, windows, result.hr_windows,
                    report)) {
        return report.status();
    }

    report.start(QUORVEN_EXPLORER_STEP_FIND_DESKTOP);
    unique_variant location;  // VT_EMPTY
    unique_variant root;
    set_number(root, 0);
    LONG window = 0;
    com_ptr<IDispatch> desktop;
    com_ptr<IWebBrowser> browser;
    hr = windows->FindWindowSW(location.get(), root.get(), flags::window_class_desktop, &window,
                               flags::find_need_dispatch, desktop.put());
    if (!query_next(desktop, hr, ids::web_browser, browser, result.hr_find_desktop, report)) {
        return report.status();
    }

    report.start(QUORVEN_EXPLORER_STEP_DOCUMENT);
    com_ptr<IDispatch> document;
    com_ptr<IShellFolderViewDual> view;
    hr = browser->get_Document(document.put());
    if (!query_next(document, hr, ids::shell_folder_view_dual, view, result.hr_document, report)) {
        return report.status();
    }

    report.start(QUORVEN_EXPLORER_STEP_APPLICATION);
    com_ptr<IDispatch> application;
    com_ptr<IShellDispatch2> explorer_shell;
    hr = view->get_Application(application.put());
    if (!query_next(application, hr, ids::shell_dispatch2, explorer_shell, result.hr_application,
                    report)) {
        return report.status();
    }

    report.start(QUORVEN_EXPLORER_STEP_SHELL_EXECUTE);
    launch_arguments arguments;
    if (!arguments.build(request)) {
        result.hr_shell_execute = hr_out_of_memory;
        return report.finish(status_step_failed, hr_out_of_memory);
    }
    hr = explorer_shell->ShellExecute(arguments.file.get(), *arguments.arguments,
                                      *arguments.directory, *arguments.operation, *arguments.show);
    if (!record_call(hr, result.hr_shell_execute, report, status_step_failed)) {
        return report.status();
    }
    result.launched = 1;
    return report.succeed();
}

}  // namespace

}  // namespace quorven::native

using namespace quorven::native;

extern "C" u32 quorven_explorer_shell_launch_v1(
    const quorven_explorer_shell_launch_request_v1* request,
    quorven_explorer_shell_launch_result_v1* result) {
    return run_checked(request, result, QUORVEN_NATIVE_V1_RECORD_VERSION, reset_launch_result,
                       check_launch_request, launch);
}
