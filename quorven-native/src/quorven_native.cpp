// The library's frame: the two constant exports, the string rules and copies, and the recording
// of COM calls that every operation export goes through.

#include "com/apartment.h"
#include "com/unique_bstr.h"
#include "frame.h"
#include "heap_string.h"
#include "qv/fatal.h"

namespace quorven::native {

namespace {

bool length_in_range(u32 length, u32 lowest) {
    return length >= lowest && length <= QUORVEN_NATIVE_MAX_STRING_UNITS;
}

}  // namespace

bool required_string_valid(const quorven_utf16_string& text) {
    return text.reserved == 0 && length_in_range(text.length, 1) && text.pointer != 0;
}

bool optional_string_valid(const quorven_utf16_string& text) {
    return text.reserved == 0 && length_in_range(text.length, 0) &&
           (text.length == 0) == (text.pointer == 0);
}

bool buffer_valid(const quorven_utf16_buffer& buffer) {
    return buffer.reserved == 0 && (buffer.capacity == 0) == (buffer.pointer == 0);
}

bool all_zero(const u64* words, u32 count) {
    for (u32 i = 0; i < count; ++i) {
        if (words[i] != 0) {
            return false;
        }
    }
    return true;
}

heap_string::~heap_string() {
    if (units_ != nullptr) {
        HeapFree(GetProcessHeap(), 0, units_);
    }
}

copy_result heap_string::assign(const quorven_utf16_string& text) {
    QV_CHECK(units_ == nullptr);
    const u16* source = host_units(text.pointer);
    for (u32 i = 0; i < text.length; ++i) {
        if (source[i] == 0) {
            return copy_result::zero_unit;
        }
    }
    // length <= 0x7FFF was checked, so the size cannot overflow.
    auto* units = static_cast<WCHAR*>(
        HeapAlloc(GetProcessHeap(), 0, (static_cast<qv::usize>(text.length) + 1) * sizeof(WCHAR)));
    if (units == nullptr) {
        return copy_result::out_of_memory;
    }
    // Unit by unit: the host's uint16_t and the platform's WCHAR are distinct types.
    for (u32 i = 0; i < text.length; ++i) {
        units[i] = static_cast<WCHAR>(source[i]);
    }
    units[text.length] = 0;
    units_ = units;
    return copy_result::copied;
}

u32 report_copy_failure(copy_result result, call_report& report) {
    if (result == copy_result::zero_unit) {
        return report.reject(status_invalid_argument);
    }
    // No status names memory exhaustion; the call fails before any COM step.
    return report.finish(status_step_failed, hr_out_of_memory);
}

bool unique_bstr::assign(const quorven_utf16_string& text) {
    QV_CHECK(text_ == nullptr);
    if (text.length == 0) {
        return true;
    }
    BSTR made = SysAllocStringLen(nullptr, text.length);
    if (made == nullptr) {
        return false;
    }
    const u16* source = host_units(text.pointer);
    for (u32 i = 0; i < text.length; ++i) {
        made[i] = static_cast<OLECHAR>(source[i]);
    }
    text_ = made;
    return true;
}

void drop_error_info() {
    IErrorInfo* error = nullptr;
    if (GetErrorInfo(0, &error) == S_OK && error != nullptr) {
        error->Release();
    }
}

bool note_call(HRESULT hr, i32& field) {
    field = as_field(hr);
    if (failed(hr)) {
        drop_error_info();
        return false;
    }
    return true;
}

bool record_call(HRESULT hr, i32& field, call_report& report, u32 failing_status) {
    field = as_field(hr);
    if (!failed(hr)) {
        return true;
    }
    drop_error_info();
    report.finish(failing_status, as_field(hr));
    return false;
}

bool apartment::join(DWORD model, i32& field, call_report& report) {
    HRESULT hr = CoInitializeEx(nullptr, model);
    field = as_field(hr);
    if (as_field(hr) == hr_ok || as_field(hr) == hr_false) {
        balance_ = true;
        return true;
    }
    if (as_field(hr) == hr_changed_mode) {
        return true;
    }
    // Any other success code still counted an initialisation; balance it although the call ends.
    balance_ = !failed(hr);
    if (failed(hr)) {
        drop_error_info();
    }
    report.finish(status_com_init_failed, as_field(hr));
    return false;
}

bool create_instance(const CLSID& clsid, DWORD context, const IID& iid, void** object, i32& field,
                     call_report& report) {
    void* made = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, context, iid, &made);
    if (!record_call(hr, field, report, status_create_failed)) {
        return false;
    }
    if (made == nullptr) {
        field = hr_ok;
        report.finish(status_create_failed, hr_ok);
        return false;
    }
    *object = made;
    return true;
}

bool query_interface(IUnknown* from, const IID& iid, void** object, i32& field, call_report& report,
                     u32 failing_status) {
    void* found = nullptr;
    HRESULT hr = from->QueryInterface(iid, &found);
    if (!record_call(hr, field, report, failing_status)) {
        return false;
    }
    if (found == nullptr) {
        field = hr_pointer;
        report.finish(failing_status, hr_pointer);
        return false;
    }
    field = hr_ok;
    *object = found;
    return true;
}

}  // namespace quorven::native

using namespace quorven::native;

extern "C" u32 quorven_native_abi_version(void) {
    return QUORVEN_NATIVE_ABI_VERSION;
}

extern "C" u32 quorven_native_capabilities(void) {
    return QUORVEN_NATIVE_CAPABILITIES;
}
