// The shell automation exports' shared steps and arguments.

#include "shell/shell_steps.h"

namespace quorven::native {

namespace {

// The error object of a failing call is consumed before the call's arguments are released, so
// that no other call comes in between.
HRESULT dropping_error_info(HRESULT hr) {
    if (failed(hr)) {
        drop_error_info();
    }
    return hr;
}

}  // namespace

bool contains_zero_unit(const quorven_utf16_string& text) {
    const u16* units = host_units(text.pointer);
    for (u32 i = 0; i < text.length; ++i) {
        if (units[i] == 0) {
            return true;
        }
    }
    return false;
}

void set_number(unique_variant& value, LONG number) {
    (*value).vt = VT_I4;
    (*value).lVal = number;
}

bool set_text(unique_variant& value, const quorven_utf16_string& text) {
    unique_bstr made;
    if (!made.assign(text)) {
        return false;
    }
    (*value).vt = VT_BSTR;
    (*value).bstrVal = made.release();
    return true;
}

bool set_text(unique_variant& value, shell_text text) {
    unique_bstr made;
    if (!make_text(made, text)) {
        return false;
    }
    (*value).vt = VT_BSTR;
    (*value).bstrVal = made.release();
    return true;
}

bool make_text(unique_bstr& bstr, shell_text text) {
    *bstr.put() = SysAllocStringLen(text.units, text.length);
    return bstr.get() != nullptr;
}

bool record_failure(HRESULT hr, i32& field, call_report& report, u32 failing_status) {
    if (!failed(hr)) {
        return true;
    }
    return record_call(hr, field, report, failing_status);
}

bool record_object_call(HRESULT hr, const void* object, i32& field, call_report& report,
                        u32 failing_status) {
    if (!record_call(hr, field, report, failing_status)) {
        return false;
    }
    if (object == nullptr) {
        field = hr_ok;
        report.finish(failing_status, hr_ok);
        return false;
    }
    return true;
}

HRESULT ask_interface(IUnknown* from, const IID& iid, void** object) {
    void* found = nullptr;
    HRESULT hr = from->QueryInterface(iid, &found);
    if (failed(hr)) {
        return hr;
    }
    if (found == nullptr) {
        return hr_pointer;
    }
    *object = found;
    return hr_ok;
}

bool create_shell(com_ptr<IShellDispatch>& shell, i32& hr_create_shell, call_report& report) {
    void* made = nullptr;
    if (!create_instance(ids::shell_application, flags::shell_context, ids::shell_dispatch, &made,
                         hr_create_shell, report)) {
        return false;
    }
    shell.attach(made);
    return true;
}

bool folder_items::fetch(LONG index, com_ptr<FolderItem>& item, i32& hr_item, call_report& report) {
    unique_variant position;
    set_number(position, index);
    HRESULT hr = items_->Item(*position, item.put());
    if (!record_failure(hr, hr_item, report, status_step_failed)) {
        return false;
    }
    if (!item) {
        hr_item = hr_ok;
        report.finish(status_step_failed, hr_ok);
        return false;
    }
    return true;
}

HRESULT invoke_verb(FolderItem& item, shell_text verb) {
    unique_variant argument;
    if (!set_text(argument, verb)) {
        return hr_out_of_memory;
    }
    return dropping_error_info(item.InvokeVerb(*argument));
}

HRESULT read_property(FolderItem2& item, shell_text name, unique_variant& value) {
    unique_bstr property;
    if (!make_text(property, name)) {
        return hr_out_of_memory;
    }
    return dropping_error_info(item.ExtendedProperty(property.get(), value.get()));
}

}  // namespace quorven::native
