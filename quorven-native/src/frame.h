// What every operation export shares: status codes and HRESULT values, the result record checks
// and reset, the call report written into the result's prefix, the string rules, and the
// recording of COM calls (apartment, creation, queries, failures).
#pragma once

#include "platform/windows_api.h"
#include "quorven/native.h"
#include "qv/memory.h"
#include "qv/types.h"

namespace quorven::native {

using qv::i32;
using qv::u16;
using qv::u32;
using qv::u64;

inline constexpr u32 status_ok = 0;
inline constexpr u32 status_invalid_argument = 1;
inline constexpr u32 status_unsupported_record = 2;
inline constexpr u32 status_buffer_too_small = 3;
inline constexpr u32 status_com_init_failed = 4;
inline constexpr u32 status_create_failed = 5;
inline constexpr u32 status_load_failed = 6;
inline constexpr u32 status_step_failed = 7;

inline constexpr i32 hr_ok = 0;
inline constexpr i32 hr_false = 1;
inline constexpr i32 hr_pending = static_cast<i32>(0x8000000Au);
inline constexpr i32 hr_invalid_arg = static_cast<i32>(0x80070057u);
inline constexpr i32 hr_insufficient_buffer = static_cast<i32>(0x8007007Au);
inline constexpr i32 hr_pointer = static_cast<i32>(0x80004003u);
inline constexpr i32 hr_changed_mode = static_cast<i32>(0x80010106u);
inline constexpr i32 hr_out_of_memory = static_cast<i32>(0x8007000Eu);
static_assert(hr_pending == QUORVEN_NATIVE_HR_PENDING);
static_assert(hr_invalid_arg == QUORVEN_NATIVE_HR_INVALID_ARG);
static_assert(hr_insufficient_buffer == QUORVEN_NATIVE_HR_INSUFFICIENT);
static_assert(hr_pointer == QUORVEN_NATIVE_HR_POINTER);
static_assert(hr_changed_mode == QUORVEN_NATIVE_HR_CHANGED_MODE);
static_assert(hr_out_of_memory == QUORVEN_NATIVE_HR_OUT_OF_MEMORY);

// An HRESULT as the records store it (HRESULT is `long` on Windows, 32 bits there).
inline i32 as_field(HRESULT hr) {
    return static_cast<i32>(hr);
}
inline bool failed(HRESULT hr) {
    return as_field(hr) < 0;
}

// First check of every export: 1 for a null result, 2 for a wrong size or version, else 0.
// Only `size` and `version` are read; nothing is written.
template <typename Result>
u32 check_result(const Result* result, u32 version) {
    if (result == nullptr) {
        return status_invalid_argument;
    }
    if (result->size != sizeof(Result) || result->version != version) {
        return status_unsupported_record;
    }
    return status_ok;
}

// The common part of the reset: every byte 0, `size` rewritten, `version` kept. Each export then
// presets its own step fields to hr_pending.
template <typename Result>
void clear_result(Result& result) {
    u32 version = result.version;
    qv::mem_zero(&result, sizeof(Result));
    result.size = sizeof(Result);
    result.version = version;
}

// The status, HRESULT and step mask of one call, written into the result as the call goes.
class call_report {
  public:
    call_report(u32& status, i32& hresult, u32& steps)
        : status_(status), hresult_(hresult), steps_(steps) {}
    template <typename Result>
    static call_report of(Result& result) {
        return call_report(result.status, result.hresult, result.steps);
    }

    // Sets a step's bit just before the step starts.
    void start(u32 step) { steps_ |= step; }
    u32 finish(u32 status, i32 hresult) {
        status_ = status;
        hresult_ = hresult;
        return status;
    }
    u32 succeed() { return finish(status_ok, hr_ok); }
    u32 status() const { return status_; }
    // A request check failed: status 1 or 2.
    u32 reject(u32 status) { return finish(status, hr_invalid_arg); }

  private:
    u32& status_;
    i32& hresult_;
    u32& steps_;
};

// The frame of an export after its result check: reset the result, then refuse a missing
// request or one that breaks its rules (status 1 or 2), then do the work. `reset` presets the
// export's step fields; `check` gives 0 or the failing status.
template <typename Request, typename Result, typename Reset, typename Check, typename Work>
u32 run_checked(const Request* request, Result* result, u32 version, Reset reset, Check check,
                Work work) {
    u32 header = check_result(result, version);
    if (header != status_ok) {
        return header;
    }
    reset(*result);
    call_report report = call_report::of(*result);
    if (request == nullptr) {
        return report.reject(status_invalid_argument);
    }
    u32 checked = check(*request);
    if (checked != status_ok) {
        return report.reject(checked);
    }
    return work(*request, *result, report);
}

// String rules, except the scan for 0 units, which happens when the string is copied.
bool required_string_valid(const quorven_utf16_string& text);
bool optional_string_valid(const quorven_utf16_string& text);
// An output buffer: reserved 0, pointer null exactly when the capacity is 0.
bool buffer_valid(const quorven_utf16_buffer& buffer);
bool all_zero(const u64* words, u32 count);

// The host's UTF-16 units behind a record's 64-bit pointer field.
inline const u16* host_units(u64 pointer) {
    return reinterpret_cast<const u16*>(static_cast<qv::usize>(pointer));
}
inline u16* host_buffer(u64 pointer) {
    return reinterpret_cast<u16*>(static_cast<qv::usize>(pointer));
}

// Consumes and drops the thread's error object after a failing call, so that only the HRESULT
// is kept and no error information is left behind for the host.
void drop_error_info();

// A call whose failure does not end the export: its HRESULT in `field`; a failure drops the
// error object and returns false.
bool note_call(HRESULT hr, i32& field);

// Stores a COM call's HRESULT in its step field. A failure drops the error object, ends the call
// with `failing_status` and returns false.
bool record_call(HRESULT hr, i32& field, call_report& report, u32 failing_status);

// Creates `clsid` for `iid` (step status 5): a failure stores its HRESULT in `field`; a success
// without an object stores 0 there and in `hresult`. On success `object` holds the interface.
bool create_instance(const CLSID& clsid, DWORD context, const IID& iid, void** object, i32& field,
                     call_report& report);

// Asks `from` for `iid` as part of the step recorded in `field`: a failure stores its HRESULT, a
// success without an interface counts as hr_pointer, a success stores 0.
bool query_interface(IUnknown* from, const IID& iid, void** object, i32& field, call_report& report,
                     u32 failing_status);

}  // namespace quorven::native
