// quorven_shortcut_read_v2 and quorven_shortcut_resolve_no_ui_v2: load a shortcut through the
// shell link object, optionally let the shell resolve it silently, and read its fields.

#include "com/apartment.h"
#include "heap_string.h"
#include "platform/com_ids.h"
#include "shortcut/field_reader.h"
#include "shortcut/link_object.h"
#include "shortcut/shortcut_checks.h"

namespace quorven::native {

namespace {

void reset_read_result(quorven_shortcut_read_result_v2& result) {
    clear_result(result);
    result.hr_com_init = hr_pending;
    result.hr_create_link = hr_pending;
    result.hr_load = hr_pending;
    result.hr_resolve = hr_pending;
    result.hr_get_path = hr_pending;
    result.hr_get_description = hr_pending;
    result.hr_get_arguments = hr_pending;
    result.hr_get_working_directory = hr_pending;
    result.hr_get_icon_location = hr_pending;
}

// The silent resolve: no window, no search, the time-out in the high word. Its outcome is only
// recorded; an unresolved link is read as it is.
void resolve_silently(IShellLinkW& link, u32 timeout_ms, quorven_shortcut_read_result_v2& result) {
    DWORD resolve_flags = flags::resolve_no_ui | flags::resolve_no_search | (timeout_ms << 16);
    HRESULT hr = link.Resolve(nullptr, resolve_flags);
    result.hr_resolve = as_field(hr);
    if (failed(hr)) {
        drop_error_info();
    }
}

// Everything after the request checks. `resolve_timeout_ms` is null for a plain read.
u32 load_and_read(const quorven_shortcut_request_v2& request, const u32* resolve_timeout_ms,
                  quorven_shortcut_read_result_v2& result, call_report& report) {
    heap_string path;
    copy_result copied = path.assign(request.link_path);
    if (copied != copy_result::copied) {
        return report_copy_failure(copied, report);
    }

    apartment com;
    link_object object;
    if (!open_link_file(com, object, path.get(), result, report)) {
        return report.status();
    }
    if (resolve_timeout_ms != nullptr) {
        report.start(QUORVEN_SHORTCUT_STEP_RESOLVE);
        resolve_silently(*object.link.get(), *resolve_timeout_ms, result);
    }

    bool compact = request.mode == QUORVEN_SHORTCUT_MODE_COMPACT;
    bool read = compact ? read_compact_fields(*object.link.get(), request, result, report)
                        : read_full_fields(*object.link.get(), request, result, report);
    if (!read) {
        return report.status();
    }
    if (compact && (result.fields_nonempty & QUORVEN_SHORTCUT_FIELD_TARGET) == 0) {
        return report.finish(status_step_failed, hr_false);
    }
    if (result.fields_truncated != 0) {
        return report.finish(status_buffer_too_small, hr_insufficient_buffer);
    }
    return report.succeed();
}

}  // namespace

}  // namespace quorven::native

using namespace quorven::native;

extern "C" u32 quorven_shortcut_read_v2(const quorven_shortcut_request_v2* request,
                                        quorven_shortcut_read_result_v2* result) {
    return run_checked(
        request, result, QUORVEN_SHORTCUT_RECORD_VERSION, reset_read_result, check_read_request,
        [](const quorven_shortcut_request_v2& r, quorven_shortcut_read_result_v2& out,
           call_report& report) { return load_and_read(r, nullptr, out, report); });
}

extern "C" u32 quorven_shortcut_resolve_no_ui_v2(const quorven_shortcut_resolve_request_v2* request,
                                                 quorven_shortcut_read_result_v2* result) {
    return run_checked(request, result, QUORVEN_SHORTCUT_RECORD_VERSION, reset_read_result,
                       check_resolve_request,
                       [](const quorven_shortcut_resolve_request_v2& r,
                          quorven_shortcut_read_result_v2& out, call_report& report) {
                           u32 timeout_ms = r.timeout_ms;
                           return load_and_read(r.shortcut, &timeout_ms, out, report);
                       });
}
