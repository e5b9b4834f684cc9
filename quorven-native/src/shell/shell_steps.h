// What the three shell automation exports share: the request strings' scan for 0 units, the
// automation arguments (VT_I4 and VT_BSTR VARIANTs, BSTRs of fixed texts), the recording of
// calls that hand back objects, the opening steps up to the shell application object, and the
// walk over a shell folder's items.
#pragma once

#include "com/apartment.h"
#include "com/com_ptr.h"
#include "com/unique_bstr.h"
#include "com/unique_variant.h"
#include "frame.h"
#include "platform/com_ids.h"
#include "platform/shell_ids.h"

namespace quorven::native {

// A shell property of a type the export cannot read (TYPE_E_TYPEMISMATCH).
inline constexpr i32 hr_type_mismatch = static_cast<i32>(0x80028CA0u);

// A fixed text the library hands to the shell: a verb, a property or folder name.
struct shell_text {
    const WCHAR* units;
    u32 length;
};
template <qv::usize N>
constexpr shell_text text_of(const WCHAR (&units)[N]) {
    return shell_text{units, static_cast<u32>(N - 1)};
}

// A 0 unit within the string's length; the string's rule was checked before.
bool contains_zero_unit(const quorven_utf16_string& text);

// Automation arguments. An empty host string gives a null BSTR. False when the BSTR could not be
// allocated; the owner then stays empty.
void set_number(unique_variant& value, LONG number);
bool set_text(unique_variant& value, const quorven_utf16_string& text);
bool set_text(unique_variant& value, shell_text text);
bool make_text(unique_bstr& bstr, shell_text text);

// Stores a failing HRESULT in `field` and ends the call with `failing_status`; a success stores
// nothing. Returns false on failure.
bool record_failure(HRESULT hr, i32& field, call_report& report, u32 failing_status);
// A method that hands back an object: its HRESULT as record_call stores it; a success without an
// object stores 0 in `field` and `hresult` and ends the call with `failing_status`.
bool record_object_call(HRESULT hr, const void* object, i32& field, call_report& report,
                        u32 failing_status);
// QueryInterface whose outcome the caller records: 0, the failure, or hr_pointer for a success
// without an interface.
HRESULT ask_interface(IUnknown* from, const IID& iid, void** object);

// Steps 0x01 and 0x02 of every shell export: join a single-threaded apartment (`hr_com_init`),
// then create the shell application object for IShellDispatch (`hr_create_shell`, status 5).
bool create_shell(com_ptr<IShellDispatch>& shell, i32& hr_create_shell, call_report& report);
template <typename Result>
bool open_shell(apartment& com, com_ptr<IShellDispatch>& shell, Result& result,
                call_report& report) {
    report.start(QUORVEN_EXPLORER_STEP_COM_INIT);
    if (!com.join(flags::apartment_threaded, result.hr_com_init, report)) {
        return false;
    }
    report.start(QUORVEN_EXPLORER_STEP_CREATE_SHELL);
    return create_shell(shell, result.hr_create_shell, report);
}

// The frame of the Recycle Bin and Quick Access exports, whose results also tell whether the
// call succeeded: 1 exactly when the status is 0.
template <typename Request, typename Result, typename Reset, typename Check, typename Work>
u32 run_reporting_success(const Request* request, Result* result, Reset reset, Check check,
                          Work work) {
    return run_checked(request, result, QUORVEN_NATIVE_V1_RECORD_VERSION, reset, check,
                       [&work](const Request& checked, Result& out, call_report& report) {
                           u32 status = work(checked, out, report);
                           out.succeeded = status == status_ok ? 1 : 0;
                           return status;
                       });
}

// The reset of the Recycle Bin and Quick Access results up to their scan's steps; each export
// presets its own later fields.
template <typename Result>
void reset_scan_result(Result& result) {
    clear_result(result);
    result.hr_com_init = hr_pending;
    result.hr_create_shell = hr_pending;
    result.hr_namespace = hr_pending;
    result.hr_items = hr_pending;
    result.hr_item = hr_pending;
}

// The items of an open shell folder, walked by index.
class folder_items {
  public:
    // Step 0x08: Folder::Items into `hr_items`; step 0x10: the count, a failure into `hr_item`.
    // Failures end the call with status 7.
    template <typename Result>
    bool open(Folder& folder, Result& result, call_report& report) {
        report.start(QUORVEN_RECYCLE_BIN_STEP_ITEMS);
        HRESULT hr = folder.Items(items_.put());
        if (!record_object_call(hr, items_.get(), result.hr_items, report, status_step_failed)) {
            return false;
        }
        report.start(QUORVEN_RECYCLE_BIN_STEP_COUNT);
        return record_failure(items_->get_Count(&count_), result.hr_item, report,
                              status_step_failed);
    }
    // No item when the count is 0 or negative.
    LONG count() const { return count_; }
    // FolderItems::Item with a VT_I4 index; a failure, or no item, into `hr_item` (status 7).
    bool fetch(LONG index, com_ptr<FolderItem>& item, i32& hr_item, call_report& report);

  private:
    com_ptr<FolderItems> items_;
    LONG count_ = 0;
};

// FolderItem::InvokeVerb with a VT_BSTR VARIANT; E_OUTOFMEMORY when the verb's BSTR could not be
// made. The error object of a failure is already dropped.
HRESULT invoke_verb(FolderItem& item, shell_text verb);
// FolderItem2::ExtendedProperty of `name` into `value`; E_OUTOFMEMORY as above.
HRESULT read_property(FolderItem2& item, shell_text name, unique_variant& value);

static_assert(QUORVEN_EXPLORER_STEP_COM_INIT == QUORVEN_RECYCLE_BIN_STEP_COM_INIT &&
              QUORVEN_EXPLORER_STEP_COM_INIT == QUORVEN_QUICK_ACCESS_STEP_COM_INIT);
static_assert(QUORVEN_EXPLORER_STEP_CREATE_SHELL == QUORVEN_RECYCLE_BIN_STEP_CREATE_SHELL &&
              QUORVEN_EXPLORER_STEP_CREATE_SHELL == QUORVEN_QUICK_ACCESS_STEP_CREATE_SHELL);
static_assert(QUORVEN_RECYCLE_BIN_STEP_ITEMS == QUORVEN_QUICK_ACCESS_STEP_ITEMS &&
              QUORVEN_RECYCLE_BIN_STEP_COUNT == QUORVEN_QUICK_ACCESS_STEP_COUNT);

}  // namespace quorven::native
