// quorven_shortcut_resolve_with_ui_v2: load a shortcut and let the shell resolve it with its
// dialogs allowed, owned by the host's window. The shell may rewrite the file (SLR_UPDATE); the
// export never saves it itself.

#include "com/apartment.h"
#include "heap_string.h"
#include "platform/com_ids.h"
#include "shortcut/link_object.h"
#include "shortcut/shortcut_checks.h"

namespace quorven::native {

namespace {

constexpr DWORD resolve_ui_flags =
    flags::resolve_update | flags::resolve_no_search | flags::resolve_offer_delete_without_file;
static_assert(resolve_ui_flags == QUORVEN_SHORTCUT_RESOLVE_UI_FLAGS);

void reset_resolve_ui_result(quorven_shortcut_resolve_ui_result_v2& result) {
    clear_result(result);
    result.hr_com_init = hr_pending;
    result.hr_create_link = hr_pending;
    result.hr_load = hr_pending;
    result.hr_resolve = hr_pending;
}

u32 resolve_with_ui(const quorven_shortcut_resolve_ui_request_v2& request,
                    quorven_shortcut_resolve_ui_result_v2& result, call_report& report) {
    heap_string path;
    copy_result copied = path.assign(request.link_path);
    if (copied != copy_result::copied) {
        return report_copy_failure(copied, report);
    }
    result.resolve_flags = resolve_ui_flags;

    apartment com;
    link_object object;
    if (!open_link_file(com, object, path.get(), result, report)) {
        return report.status();
    }
    report.start(QUORVEN_SHORTCUT_STEP_RESOLVE);
    HWND owner = reinterpret_cast<HWND>(static_cast<qv::usize>(request.owner_window));
    if (!record_call(object.link->Resolve(owner, resolve_ui_flags), result.hr_resolve, report,
                     status_step_failed)) {
        return report.status();
    }
    return report.succeed();
}

}  // namespace

}  // namespace quorven::native

using namespace quorven::native;

extern "C" u32 quorven_shortcut_resolve_with_ui_v2(
    const quorven_shortcut_resolve_ui_request_v2* request,
    quorven_shortcut_resolve_ui_result_v2* result) {
    return run_checked(request, result, QUORVEN_SHORTCUT_RECORD_VERSION, reset_resolve_ui_result,
                       check_resolve_ui_request, resolve_with_ui);
}
