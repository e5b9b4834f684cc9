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
    report.start(QUORVEN_SHORTCUT_STEP_COM_INIT);
    if (!com.join(flags::multithreaded, result.hr_com_init, report)) {
        return report.status();
    }
    link_object object;
    report.start(QUORVEN_SHORTCUT_STEP_CREATE_LINK);
    if (!create_link_object(object, result.hr_create_link, report)) {
        return report.status();
    }
    report.start(QUORVEN_SHORTCUT_STEP_LOAD);
    if (!load_link_file(object, path.get(), result.hr_load, report)) {
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
    u32 header = check_result(result, QUORVEN_SHORTCUT_RECORD_VERSION);
    if (header != status_ok) {
        return header;
    }
    reset_read_result(*result);
    call_report report = call_report::of(*result);
    if (request == nullptr) {
        return report.reject(status_invalid_argument);
    }
    u32 checked = check_read_request(*request);
    if (checked != status_ok) {
        return report.reject(checked);
    }
    return load_and_read(*request, nullptr, *result, report);
}

extern "C" u32 quorven_shortcut_resolve_no_ui_v2(const quorven_shortcut_resolve_request_v2* request,
                                                 quorven_shortcut_read_result_v2* result) {
    u32 header = check_result(result, QUORVEN_SHORTCUT_RECORD_VERSION);
    if (header != status_ok) {
        return header;
    }
    reset_read_result(*result);
    call_report report = call_report::of(*result);
    if (request == nullptr) {
        return report.reject(status_invalid_argument);
    }
    u32 checked = check_resolve_request(*request);
    if (checked != status_ok) {
        return report.reject(checked);
    }
    u32 timeout_ms = request->timeout_ms;
    return load_and_read(request->shortcut, &timeout_ms, *result, report);
}
