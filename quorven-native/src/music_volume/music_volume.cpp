// quorven_music_volume_v1: reads or sets the default output device's master volume and the
// volume of one application's audio session, in the multithreaded apartment.

#include "com/apartment.h"
#include "music_volume/audio_device.h"
#include "music_volume/session_scan.h"
#include "platform/com_ids.h"

namespace quorven::native {

namespace {

using request_v1 = quorven_music_volume_request_v1;
using result_v1 = quorven_music_volume_result_v1;

void reset_volume_result(result_v1& result) {
    clear_result(result);
    result.hr_com_init = hr_pending;
    result.hr_create_enumerator = hr_pending;
    result.hr_default_endpoint = hr_pending;
    result.hr_endpoint_volume = hr_pending;
    result.hr_session = hr_pending;
}

// An optional string whose units hold no 0. These strings are never copied, so the scan for 0
// units belongs to the request checks.
bool name_string_valid(const quorven_utf16_string& text) {
    if (!optional_string_valid(text)) {
        return false;
    }
    const u16* units = host_units(text.pointer);
    for (u32 i = 0; i < text.length; ++i) {
        if (units[i] == 0) {
            return false;
        }
    }
    return true;
}

u32 check_volume_request(const request_v1& request) {
    if (request.size != sizeof(request_v1) || request.version != QUORVEN_NATIVE_V1_RECORD_VERSION) {
        return status_unsupported_record;
    }
    if (request.reserved0 != 0 || !all_zero(request.reserved1, 4) ||
        request.mode < QUORVEN_MUSIC_VOLUME_MODE_READ_BOTH ||
        request.mode > QUORVEN_MUSIC_VOLUME_MODE_SET_APPLICATION ||
        !name_string_valid(request.app_identifier) || !name_string_valid(request.app_name)) {
        return status_invalid_argument;
    }
    return status_ok;
}

// A volume read from the system or given by the host: 0.0 unless finite, else within 0.0 to
// 1.0. Positive infinity is no volume at all, so it becomes 0.0 rather than 1.0.
double volume_value(double value) {
    if (!__builtin_isfinite(value) || !(value > 0.0)) {
        return 0.0;
    }
    return value > 1.0 ? 1.0 : value;
}

// Modes 1 and 2: the outcome is only recorded, it never ends the call.
void read_device_volume(IMMDevice& device, result_v1& result, call_report& report) {
    report.start(QUORVEN_MUSIC_VOLUME_STEP_ENDPOINT_VOLUME);
    com_ptr<IAudioEndpointVolume> volume;
    if (!activate(device, ids::audio_endpoint_volume, volume, result.hr_endpoint_volume)) {
        return;
    }
    float level = 0.0f;
    if (!note_call(volume->GetMasterVolumeLevelScalar(&level), result.hr_endpoint_volume)) {
        return;
    }
    result.hr_endpoint_volume = hr_ok;
    result.endpoint_volume = volume_value(static_cast<double>(level));
}

// Mode 1: the session part runs on the default device fetched a second time.
void read_session_volume(IMMDeviceEnumerator& enumerator, const request_v1& request,
                         result_v1& result, call_report& report) {
    com_ptr<IMMDevice> device;
    if (!get_default_endpoint(enumerator, device, result.hr_session)) {
        return;
    }
    chosen_session chosen;
    select_session(*device.get(), request, chosen, result.hr_session, report);
    if (!chosen.volume) {
        return;
    }
    report.start(QUORVEN_MUSIC_VOLUME_STEP_SESSION_VOLUME);
    result.match_kind = chosen.match_kind;
    float level = 0.0f;
    if (!note_call(chosen.volume->GetMasterVolume(&level), result.hr_session)) {
        return;
    }
    result.hr_session = hr_ok;
    result.session_volume_valid = 1;
    result.session_volume = volume_value(static_cast<double>(level));
}

// Mode 3.
u32 set_device_volume(IMMDevice& device, double requested, result_v1& result, call_report& report) {
    report.start(QUORVEN_MUSIC_VOLUME_STEP_ENDPOINT_VOLUME);
    com_ptr<IAudioEndpointVolume> volume;
    if (!activate(device, ids::audio_endpoint_volume, volume, result.hr_endpoint_volume)) {
        return report.finish(status_step_failed, result.hr_endpoint_volume);
    }
    double level = volume_value(requested);
    HRESULT hr =
        volume->SetMasterVolumeLevelScalar(static_cast<float>(level), &ids::no_event_context);
    if (!record_call(hr, result.hr_endpoint_volume, report, status_step_failed)) {
        return report.status();
    }
    result.hr_endpoint_volume = hr_ok;
    result.endpoint_volume = level;
    return report.succeed();
}

// Mode 4.
u32 set_session_volume(IMMDevice& device, const request_v1& request, result_v1& result,
                       call_report& report) {
    chosen_session chosen;
    select_session(device, request, chosen, result.hr_session, report);
    if (!chosen.volume) {
        return report.finish(status_step_failed,
                             failed(result.hr_session) ? result.hr_session : hr_false);
    }
    report.start(QUORVEN_MUSIC_VOLUME_STEP_SESSION_VOLUME);
    result.match_kind = chosen.match_kind;
    double level = volume_value(request.level);
    HRESULT hr = chosen.volume->SetMasterVolume(static_cast<float>(level), &ids::no_event_context);
    if (!record_call(hr, result.hr_session, report, status_step_failed)) {
        return report.status();
    }
    result.hr_session = hr_ok;
    result.session_volume_valid = 1;
    result.session_volume = level;
    return report.succeed();
}

// The common opening (apartment, device enumerator, default device), then the mode's work.
u32 run_mode(const request_v1& request, result_v1& result, call_report& report) {
    apartment com;
    report.start(QUORVEN_MUSIC_VOLUME_STEP_COM_INIT);
    if (!com.join(flags::multithreaded, result.hr_com_init, report)) {
        return report.status();
    }
    com_ptr<IMMDeviceEnumerator> enumerator;
    report.start(QUORVEN_MUSIC_VOLUME_STEP_CREATE_ENUMERATOR);
    void* made = nullptr;
    if (!create_instance(ids::device_enumerator, flags::all_contexts, ids::mm_device_enumerator,
                         &made, result.hr_create_enumerator, report)) {
        return report.status();
    }
    enumerator.attach(made);
    com_ptr<IMMDevice> device;
    report.start(QUORVEN_MUSIC_VOLUME_STEP_DEFAULT_ENDPOINT);
    if (!get_default_endpoint(*enumerator.get(), device, result.hr_default_endpoint)) {
        return report.finish(status_step_failed, result.hr_default_endpoint);
    }

    switch (request.mode) {
        case QUORVEN_MUSIC_VOLUME_MODE_READ_BOTH:
            read_device_volume(*device.get(), result, report);
            read_session_volume(*enumerator.get(), request, result, report);
            return report.succeed();
        case QUORVEN_MUSIC_VOLUME_MODE_READ_DEVICE:
            read_device_volume(*device.get(), result, report);
            return report.succeed();
        case QUORVEN_MUSIC_VOLUME_MODE_SET_DEVICE:
            return set_device_volume(*device.get(), request.level, result, report);
        default:
            return set_session_volume(*device.get(), request, result, report);
    }
}

u32 music_volume(const request_v1& request, result_v1& result, call_report& report) {
    u32 status = run_mode(request, result, report);
    result.succeeded = status == status_ok ? 1 : 0;
    return status;
}

}  // namespace

}  // namespace quorven::native

using namespace quorven::native;

extern "C" u32 quorven_music_volume_v1(const quorven_music_volume_request_v1* request,
                                       quorven_music_volume_result_v1* result) {
    return run_checked(request, result, QUORVEN_NATIVE_V1_RECORD_VERSION, reset_volume_result,
                       check_volume_request, music_volume);
}
