// quorven_recycle_bin_v1: counts the Recycle Bin items deleted from a folder under a name, or
// restores the only such item. Items are matched on their name first; only a name match is
// asked for the folder it was deleted from, which is normalised and compared with the
// requested folder.

#include "com/unique_prop_variant.h"
#include "heap_string.h"
#include "shell/folder_path.h"
#include "shell/shell_steps.h"

namespace quorven::native {

namespace {

using bin_request = quorven_recycle_bin_request_v1;
using bin_result = quorven_recycle_bin_result_v1;

// Restore without exactly one match: no item (ERROR_FILE_NOT_FOUND), several (E_UNEXPECTED).
constexpr i32 hr_file_not_found = static_cast<i32>(0x80070002u);
constexpr i32 hr_unexpected = static_cast<i32>(0x8000FFFFu);

void reset_bin_result(bin_result& result) {
    reset_scan_result(result);
    result.hr_name = hr_pending;
    result.hr_location = hr_pending;
    result.hr_invoke_verb = hr_pending;
}

// Size and version; reserved0, reserved1, mode; both strings required. Their 0 units are found
// when they are copied.
u32 check_bin_request(const bin_request& request) {
    if (request.size != sizeof(bin_request) ||
        request.version != QUORVEN_NATIVE_V1_RECORD_VERSION) {
        return status_unsupported_record;
    }
    if (request.reserved0 != 0 || !all_zero(request.reserved1, 4) ||
        (request.mode != QUORVEN_RECYCLE_BIN_MODE_COUNT &&
         request.mode != QUORVEN_RECYCLE_BIN_MODE_RESTORE) ||
        !required_string_valid(request.deleted_from) || !required_string_valid(request.item_name)) {
        return status_invalid_argument;
    }
    return status_ok;
}

// What the items are compared with: the copied item name and the normalised requested folder.
struct wanted_item {
    const WCHAR* name;
    u32 name_length;
    full_path& folder;
};

bool name_matches(const unique_bstr& name, const wanted_item& wanted) {
    // A null name is the empty string.
    const WCHAR* units = name.get() != nullptr ? name.get() : QUORVEN_WIDE("");
    return CompareStringOrdinal(units, static_cast<int>(SysStringLen(name.get())), wanted.name,
                                static_cast<int>(wanted.name_length), TRUE) == flags::compare_equal;
}

// Steps 0x40 on: the folder a name-matching item was deleted from, read as a string property,
// normalised and compared. Every failure ends the call with status 7 and its HRESULT in
// `hr_location`.
bool deleted_from_matches(FolderItem& item, const wanted_item& wanted, bool& matches,
                          bin_result& result, call_report& report) {
    report.start(QUORVEN_RECYCLE_BIN_STEP_LOCATION);
    com_ptr<FolderItem2> extended;
    void* found = nullptr;
    if (!record_call(ask_interface(&item, ids::folder_item2, &found), result.hr_location, report,
                     status_step_failed)) {
        return false;
    }
    extended.attach(found);
    unique_variant property;
    HRESULT hr = read_property(*extended.get(), text_of(QUORVEN_WIDE("System.Recycle.DeletedFrom")),
                               property);
    if (!record_call(hr, result.hr_location, report, status_step_failed)) {
        return false;
    }
    if ((*property).vt != VT_BSTR) {
        result.hr_location = hr_type_mismatch;
        report.finish(status_step_failed, hr_type_mismatch);
        return false;
    }
    unique_prop_variant converted;
    unique_bstr location;
    if (!record_call(VariantToPropVariant(property.get(), converted.get()), result.hr_location,
                     report, status_step_failed) ||
        !record_call(PropVariantToBSTR(*converted, location.put()), result.hr_location, report,
                     status_step_failed)) {
        return false;
    }
    full_path folder;
    i32 error = hr_ok;
    if (!folder.assign(location.get() != nullptr ? location.get() : QUORVEN_WIDE(""), error)) {
        result.hr_location = error;
        report.finish(status_step_failed, error);
        return false;
    }
    result.hr_location = hr_ok;
    matches =
        same_folder(folder.units(), folder.length(), wanted.folder.units(), wanted.folder.length());
    return true;
}

// Steps 0x04 to 0x40: opens the Recycle Bin, normalises the requested folder and examines
// every item. In restore mode the first match is kept in `first_match`; the scan goes on to
// count the others.
bool scan_bin(IShellDispatch& shell, const bin_request& request, wanted_item& wanted,
              com_ptr<FolderItem>& first_match, bin_result& result, call_report& report) {
    report.start(QUORVEN_RECYCLE_BIN_STEP_NAMESPACE);
    unique_variant bin_number;
    set_number(bin_number, flags::recycle_bin_folder);
    com_ptr<Folder> bin;
    HRESULT hr = shell.NameSpace(*bin_number, bin.put());
    if (!record_object_call(hr, bin.get(), result.hr_namespace, report, status_step_failed)) {
        return false;
    }
    folder_items items;
    if (!items.open(*bin.get(), result, report)) {
        return false;
    }
    heap_string requested_folder;
    i32 error = hr_out_of_memory;
    if (requested_folder.assign(request.deleted_from) != copy_result::copied ||
        !wanted.folder.assign(requested_folder.get(), error)) {
        result.hr_location = error;
        report.finish(status_step_failed, error);
        return false;
    }

    bool keep_first = request.mode == QUORVEN_RECYCLE_BIN_MODE_RESTORE;
    for (LONG index = 0; index < items.count(); ++index) {
        com_ptr<FolderItem> item;
        if (!items.fetch(index, item, result.hr_item, report)) {
            return false;
        }
        report.start(QUORVEN_RECYCLE_BIN_STEP_NAME);
        unique_bstr name;
        if (!record_call(item->get_Name(name.put()), result.hr_name, report, status_step_failed)) {
            return false;
        }
        if (!name_matches(name, wanted)) {
            continue;
        }
        bool matches = false;
        if (!deleted_from_matches(*item.get(), wanted, matches, result, report)) {
            return false;
        }
        if (matches) {
            ++result.match_count;
            if (keep_first && !first_match) {
                first_match.attach(item.detach());
            }
        }
    }
    result.hr_item = hr_ok;
    return true;
}

u32 recycle(const bin_request& request, bin_result& result, call_report& report) {
    // The folder's 0 units are looked for now; it is copied when it is normalised.
    heap_string name;
    copy_result copied = contains_zero_unit(request.deleted_from) ? copy_result::zero_unit
                                                                  : name.assign(request.item_name);
    if (copied != copy_result::copied) {
        return report_copy_failure(copied, report);
    }

    apartment com;
    // Freed after every object is released, before the apartment is balanced.
    full_path folder;
    wanted_item wanted{name.get(), request.item_name.length, folder};
    com_ptr<IShellDispatch> shell;
    if (!open_shell(com, shell, result, report)) {
        return report.status();
    }
    com_ptr<FolderItem> first_match;
    if (!scan_bin(*shell.get(), request, wanted, first_match, result, report)) {
        return report.status();
    }
    if (request.mode == QUORVEN_RECYCLE_BIN_MODE_COUNT) {
        return report.succeed();
    }
    if (result.match_count == 0) {
        return report.finish(status_step_failed, hr_file_not_found);
    }
    if (result.match_count > 1) {
        return report.finish(status_step_failed, hr_unexpected);
    }
    report.start(QUORVEN_RECYCLE_BIN_STEP_INVOKE_VERB);
    HRESULT hr = invoke_verb(*first_match.get(), text_of(QUORVEN_WIDE("undelete")));
    if (!record_call(hr, result.hr_invoke_verb, report, status_step_failed)) {
        return report.status();
    }
    result.restored = 1;
    return report.succeed();
}

}  // namespace

}  // namespace quorven::native

using namespace quorven::native;

extern "C" u32 quorven_recycle_bin_v1(const quorven_recycle_bin_request_v1* request,
                                      quorven_recycle_bin_result_v1* result) {
    return run_reporting_success(request, result, reset_bin_result, check_bin_request, recycle);
}
