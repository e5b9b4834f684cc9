// quorven_quick_access_v1: tells whether a path is pinned to Quick Access, pins it, or unpins
// it. Quick Access is a shell namespace folder; its items are matched on their normalised
// paths. Pinning and unpinning are verbs, sent to the item's parent folder (pin, and unpin of
// an item that Quick Access does not list) or to the Quick Access item itself.

#include "com/unique_prop_variant.h"
#include "heap_string.h"
#include "shell/folder_path.h"
#include "shell/shell_steps.h"
#include "shortcut/field_reader.h"

namespace quorven::native {

namespace {

using access_request = quorven_quick_access_request_v1;
using access_result = quorven_quick_access_result_v1;

constexpr shell_text quick_access_folder =
    text_of(QUORVEN_WIDE("shell:::{679F85CB-0220-4080-B29B-5540CC05AAB6}"));
constexpr shell_text pinned_property = text_of(QUORVEN_WIDE("System.IsPinnedToNameSpaceTree"));
constexpr shell_text pin_verb = text_of(QUORVEN_WIDE("pintohome"));
constexpr shell_text unpin_verb = text_of(QUORVEN_WIDE("unpinfromhome"));
static_assert(quick_access_folder.length == 46 && pinned_property.length == 30);

void reset_access_result(access_result& result) {
    reset_scan_result(result);
    result.hr_path = hr_pending;
    result.hr_pinned_property = hr_pending;
    result.hr_parent_folder = hr_pending;
    result.hr_parse_name = hr_pending;
    result.hr_invoke_verb = hr_pending;
}

// parent_folder and item_name: empty in query mode, required otherwise.
bool item_string_valid(const quorven_utf16_string& text, bool query) {
    if (!optional_string_valid(text) || contains_zero_unit(text)) {
        return false;
    }
    return (text.length == 0) == query;
}

// Size and version; reserved0; reserved1 or mode; path; parent_folder, item_name.
u32 check_access_request(const access_request& request) {
    if (request.size != sizeof(access_request) ||
        request.version != QUORVEN_NATIVE_V1_RECORD_VERSION) {
        return status_unsupported_record;
    }
    bool query = request.mode == QUORVEN_QUICK_ACCESS_MODE_QUERY;
    if (request.reserved0 != 0 || !all_zero(request.reserved1, 4) ||
        request.mode < QUORVEN_QUICK_ACCESS_MODE_QUERY ||
        request.mode > QUORVEN_QUICK_ACCESS_MODE_UNPIN || !required_string_valid(request.path) ||
        contains_zero_unit(request.path) || !item_string_valid(request.parent_folder, query) ||
        !item_string_valid(request.item_name, query)) {
        return status_invalid_argument;
    }
    return status_ok;
}

// Step 0x020: an item's path, read and normalised, against the requested path, which is only
// stripped of trailing separators. An item whose path cannot be read or normalised is no match.
bool path_matches(FolderItem& item, const heap_string& path, u32 path_length, access_result& result,
                  call_report& report) {
    report.start(QUORVEN_QUICK_ACCESS_STEP_PATH);
    unique_bstr item_path;
    HRESULT hr = item.get_Path(item_path.put());
    if (failed(hr)) {
        note_call(hr, result.hr_path);
        return false;
    }
    full_path normalised;
    i32 error = hr_ok;
    bool made =
        normalised.assign(item_path.get() != nullptr ? item_path.get() : QUORVEN_WIDE(""), error);
    result.hr_path = made ? hr_ok : error;
    if (!made) {
        return false;
    }
    return same_folder(normalised.units(), normalised.length(), path.get(), path_length);
}

enum class search { failed, not_found, found, unavailable };

// Steps 0x004 to 0x020: finds the Quick Access item with the requested path. In unpin mode a
// Quick Access folder that fails with exactly E_POINTER is `unavailable` rather than a failure.
// The Quick Access objects are released on return; only the found item is handed out.
search find_in_quick_access(IShellDispatch& shell, const access_request& request,
                            const heap_string& path, com_ptr<FolderItem>& found,
                            access_result& result, call_report& report) {
    report.start(QUORVEN_QUICK_ACCESS_STEP_NAMESPACE);
    unique_variant where;
    com_ptr<Folder> quick_access;
    HRESULT hr = set_text(where, quick_access_folder) ? shell.NameSpace(*where, quick_access.put())
                                                      : hr_out_of_memory;
    if (request.mode == QUORVEN_QUICK_ACCESS_MODE_UNPIN && as_field(hr) == hr_pointer) {
        note_call(hr, result.hr_namespace);
        return search::unavailable;
    }
    if (!record_object_call(hr, quick_access.get(), result.hr_namespace, report,
                            status_step_failed)) {
        return search::failed;
    }
    folder_items items;
    if (!items.open(*quick_access.get(), result, report)) {
        return search::failed;
    }
    for (LONG index = 0; index < items.count(); ++index) {
        com_ptr<FolderItem> item;
        if (!items.fetch(index, item, result.hr_item, report)) {
            return search::failed;
        }
        if (path_matches(*item.get(), path, request.path.length, result, report)) {
            result.hr_item = hr_ok;
            result.found = 1;
            found.attach(item.detach());
            return search::found;
        }
    }
    result.hr_item = hr_ok;
    return search::not_found;
}

bool ascii_equal_ignoring_case(const WCHAR* units, u32 length, const char* word) {
    u32 i = 0;
    for (; i < length && word[i] != 0; ++i) {
        u32 unit = static_cast<u32>(units[i]);
        if (unit >= 'A' && unit <= 'Z') {
            unit += 'a' - 'A';
        }
        if (unit != static_cast<u32>(word[i])) {
            return false;
        }
    }
    return i == length && word[i] == 0;
}

// A string property: "true" or "false" in any ASCII case, White_Space around it ignored.
i32 pinned_from_text(const VARIANT& value, u32& pin_state) {
    unique_prop_variant converted;
    unique_bstr text;
    if (failed(VariantToPropVariant(&value, converted.get()))) {
        drop_error_info();
        return hr_type_mismatch;
    }
    if (failed(PropVariantToBSTR(*converted, text.put()))) {
        drop_error_info();
        return hr_type_mismatch;
    }
    u32 first = 0;
    u32 length = 0;
    trim_white_space(text.get(), SysStringLen(text.get()), first, length);
    const WCHAR* word = text.get() != nullptr ? text.get() + first : QUORVEN_WIDE("");
    if (ascii_equal_ignoring_case(word, length, "true")) {
        pin_state = QUORVEN_QUICK_ACCESS_PIN_PINNED;
    } else if (ascii_equal_ignoring_case(word, length, "false")) {
        pin_state = QUORVEN_QUICK_ACCESS_PIN_NOT_PINNED;
    } else {
        return hr_type_mismatch;
    }
    return hr_ok;
}

// The pinned state read from a property value: 0 with `pin_state` set, or TYPE_E_TYPEMISMATCH
// for a value that does not convert.
i32 pinned_from(const VARIANT& value, u32& pin_state) {
    bool pinned = false;
    if (value.vt == VT_BOOL) {
        BOOL flag = FALSE;
        if (failed(VariantToBoolean(value, &flag))) {
            drop_error_info();
            return hr_type_mismatch;
        }
        pinned = flag != FALSE;
    } else if (value.vt == VT_I4) {
        LONG number = 0;
        if (failed(VariantToInt32(value, &number))) {
            drop_error_info();
            return hr_type_mismatch;
        }
        pinned = number != 0;
    } else if (value.vt == VT_BSTR) {
        return pinned_from_text(value, pin_state);
    } else {
        return hr_type_mismatch;
    }
    pin_state = pinned ? QUORVEN_QUICK_ACCESS_PIN_PINNED : QUORVEN_QUICK_ACCESS_PIN_NOT_PINNED;
    return hr_ok;
}

// Step 0x040: the found item's pinned state. Nothing here fails the call: what cannot be read
// leaves `pin_state` 0 with the reason in `hr_pinned_property`.
void read_pinned_state(FolderItem& item, access_result& result, call_report& report) {
    report.start(QUORVEN_QUICK_ACCESS_STEP_PINNED_PROPERTY);
    com_ptr<FolderItem2> extended;
    void* found = nullptr;
    HRESULT hr = ask_interface(&item, ids::folder_item2, &found);
    if (failed(hr)) {
        note_call(hr, result.hr_pinned_property);
        return;
    }
    extended.attach(found);
    unique_variant value;
    hr = read_property(*extended.get(), pinned_property, value);
    if (failed(hr)) {
        note_call(hr, result.hr_pinned_property);
        return;
    }
    result.hr_pinned_property = pinned_from(*value, result.pin_state);
}

// Steps 0x080 to 0x200: the verb sent to `item_name` in `parent_folder`.
u32 invoke_through_parent(IShellDispatch& shell, const access_request& request, shell_text verb,
                          access_result& result, call_report& report) {
    report.start(QUORVEN_QUICK_ACCESS_STEP_PARENT_FOLDER);
    unique_variant where;
    com_ptr<Folder> parent;
    HRESULT hr = set_text(where, request.parent_folder) ? shell.NameSpace(*where, parent.put())
                                                        : hr_out_of_memory;
    if (!record_object_call(hr, parent.get(), result.hr_parent_folder, report,
                            status_step_failed)) {
        return report.status();
    }
    report.start(QUORVEN_QUICK_ACCESS_STEP_PARSE_NAME);
    unique_bstr name;
    com_ptr<FolderItem> item;
    hr = name.assign(request.item_name) ? parent->ParseName(name.get(), item.put())
                                        : hr_out_of_memory;
    if (!record_object_call(hr, item.get(), result.hr_parse_name, report, status_step_failed)) {
        return report.status();
    }
    report.start(QUORVEN_QUICK_ACCESS_STEP_INVOKE_VERB);
    if (!record_call(invoke_verb(*item.get(), verb), result.hr_invoke_verb, report,
                     status_step_failed)) {
        return report.status();
    }
    return report.succeed();
}

u32 query(IShellDispatch& shell, const access_request& request, const heap_string& path,
          access_result& result, call_report& report) {
    com_ptr<FolderItem> found;
    search outcome = find_in_quick_access(shell, request, path, found, result, report);
    if (outcome == search::failed) {
        return report.status();
    }
    if (outcome == search::not_found) {
        result.pin_state = QUORVEN_QUICK_ACCESS_PIN_NOT_PINNED;
        return report.succeed();
    }
    read_pinned_state(*found.get(), result, report);
    return report.succeed();
}

u32 unpin(IShellDispatch& shell, const access_request& request, const heap_string& path,
          access_result& result, call_report& report) {
    {
        com_ptr<FolderItem> found;
        search outcome = find_in_quick_access(shell, request, path, found, result, report);
        if (outcome == search::failed) {
            return report.status();
        }
        if (outcome == search::found) {
            report.start(QUORVEN_QUICK_ACCESS_STEP_INVOKE_VERB);
            if (!record_call(invoke_verb(*found.get(), unpin_verb), result.hr_invoke_verb, report,
                             status_step_failed)) {
                return report.status();
            }
            return report.succeed();
        }
    }
    result.used_parent_folder = 1;
    return invoke_through_parent(shell, request, unpin_verb, result, report);
}

u32 quick_access(const access_request& request, access_result& result, call_report& report) {
    heap_string path;
    copy_result copied = path.assign(request.path);
    if (copied != copy_result::copied) {
        return report_copy_failure(copied, report);
    }

    apartment com;
    com_ptr<IShellDispatch> shell;
    if (!open_shell(com, shell, result, report)) {
        return report.status();
    }
    switch (request.mode) {
        case QUORVEN_QUICK_ACCESS_MODE_QUERY:
            return query(*shell.get(), request, path, result, report);
        case QUORVEN_QUICK_ACCESS_MODE_PIN:
            return invoke_through_parent(*shell.get(), request, pin_verb, result, report);
        default:
            return unpin(*shell.get(), request, path, result, report);
    }
}

}  // namespace

}  // namespace quorven::native

using namespace quorven::native;

extern "C" u32 quorven_quick_access_v1(const quorven_quick_access_request_v1* request,
                                       quorven_quick_access_result_v1* result) {
    return run_reporting_success(request, result, reset_access_result, check_access_request,
                                 quick_access);
}
