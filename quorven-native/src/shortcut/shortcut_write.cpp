// quorven_shortcut_write_v2: a new shell link object gets the five values through its setters
// and saves itself to the link path. An existing file there is replaced, never loaded first.

#include "com/apartment.h"
#include "heap_string.h"
#include "platform/com_ids.h"
#include "shortcut/link_object.h"
#include "shortcut/shortcut_checks.h"

namespace quorven::native {

namespace {

void reset_write_result(quorven_shortcut_write_result_v2& result) {
    clear_result(result);
    result.hr_com_init = hr_pending;
    result.hr_create_link = hr_pending;
    result.hr_save = hr_pending;
    result.hr_set_path = hr_pending;
    result.hr_set_description = hr_pending;
    result.hr_set_arguments = hr_pending;
    result.hr_set_working_directory = hr_pending;
    result.hr_set_icon_location = hr_pending;
}

// The six argument copies, in copy order.
constexpr u32 link_path_copy = 0;
constexpr u32 target_copy = 1;
constexpr u32 description_copy = 2;
constexpr u32 arguments_copy = 3;
constexpr u32 working_directory_copy = 4;
constexpr u32 icon_path_copy = 5;
constexpr u32 copy_count = 6;

// Copies in order; a 0 unit in one string ends the call after the earlier copies (freed by their
// owners when the caller returns).
u32 copy_strings(const quorven_shortcut_request_v2& request, heap_string (&copies)[copy_count],
                 call_report& report) {
    const quorven_utf16_string* strings[copy_count] = {&request.link_path,
                                                       &request.target.string,
                                                       &request.description.string,
                                                       &request.arguments.string,
                                                       &request.working_directory.string,
                                                       &request.icon_path.string};
    for (u32 i = 0; i < copy_count; ++i) {
        copy_result copied = copies[i].assign(*strings[i]);
        if (copied != copy_result::copied) {
            return report_copy_failure(copied, report);
        }
    }
    return status_ok;
}

HRESULT call_setter(IShellLinkW& link, u32 bit, const heap_string (&copies)[copy_count],
                    int icon_index) {
    switch (bit) {
        case QUORVEN_SHORTCUT_FIELD_TARGET:
            return link.SetPath(copies[target_copy].get());
        case QUORVEN_SHORTCUT_FIELD_DESCRIPTION:
            return link.SetDescription(copies[description_copy].get());
        case QUORVEN_SHORTCUT_FIELD_ARGUMENTS:
            return link.SetArguments(copies[arguments_copy].get());
        case QUORVEN_SHORTCUT_FIELD_WORKING_DIRECTORY:
            return link.SetWorkingDirectory(copies[working_directory_copy].get());
        default:
            return link.SetIconLocation(copies[icon_path_copy].get(), icon_index);
    }
}

// The five setters in order; the first failure ends the call with status 7.
bool set_values(IShellLinkW& link, const heap_string (&copies)[copy_count], int icon_index,
                quorven_shortcut_write_result_v2& result, call_report& report) {
    struct setter {
        u32 bit;
        i32 quorven_shortcut_write_result_v2::*hr;
    };
    constexpr setter setters[] = {
        {QUORVEN_SHORTCUT_FIELD_TARGET, &quorven_shortcut_write_result_v2::hr_set_path},
        {QUORVEN_SHORTCUT_FIELD_DESCRIPTION, &quorven_shortcut_write_result_v2::hr_set_description},
        {QUORVEN_SHORTCUT_FIELD_ARGUMENTS, &quorven_shortcut_write_result_v2::hr_set_arguments},
        {QUORVEN_SHORTCUT_FIELD_WORKING_DIRECTORY,
         &quorven_shortcut_write_result_v2::hr_set_working_directory},
        {QUORVEN_SHORTCUT_FIELD_ICON_PATH, &quorven_shortcut_write_result_v2::hr_set_icon_location},
    };
    for (const setter& each : setters) {
        result.setters_attempted |= each.bit;
        HRESULT hr = call_setter(link, each.bit, copies, icon_index);
        if (!record_call(hr, result.*each.hr, report, status_step_failed)) {
            return false;
        }
        result.setters_succeeded |= each.bit;
    }
    return true;
}

u32 write_shortcut(const quorven_shortcut_request_v2& request,
                   quorven_shortcut_write_result_v2& result, call_report& report) {
    heap_string copies[copy_count];
    if (copy_strings(request, copies, report) != status_ok) {
        return report.status();
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
    if (!set_values(*object.link.get(), copies, request.icon_index, result, report)) {
        return report.status();
    }

    report.start(QUORVEN_SHORTCUT_STEP_SAVE);
    HRESULT hr = object.file->Save(copies[link_path_copy].get(), TRUE);
    result.hr_save = as_field(hr);
    // Only S_OK means the file was written; S_FALSE and the like are failures here too.
    if (as_field(hr) != hr_ok) {
        drop_error_info();
        return report.finish(status_step_failed, as_field(hr));
    }
    return report.succeed();
}

}  // namespace

}  // namespace quorven::native

using namespace quorven::native;

extern "C" u32 quorven_shortcut_write_v2(const quorven_shortcut_request_v2* request,
                                         quorven_shortcut_write_result_v2* result) {
    return run_checked(request, result, QUORVEN_SHORTCUT_RECORD_VERSION, reset_write_result,
                       check_write_request, write_shortcut);
}
