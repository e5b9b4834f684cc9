// Getting the default output device and activating interfaces on it.

#include "music_volume/audio_device.h"

namespace quorven::native {

namespace {

// A call that hands back an object: false, with 0 in `field`, when it succeeded without one.
bool object_came_back(HRESULT hr, const void* object, i32& field) {
    if (!note_call(hr, field)) {
        return false;
    }
    if (object == nullptr) {
        field = hr_ok;
        return false;
    }
    return true;
}

}  // namespace

bool get_default_endpoint(IMMDeviceEnumerator& enumerator, com_ptr<IMMDevice>& device, i32& field) {
    HRESULT hr = enumerator.GetDefaultAudioEndpoint(flags::render, flags::multimedia, device.put());
    return object_came_back(hr, device.get(), field);
}

bool activate_on(IMMDevice& device, const IID& iid, void** object, i32& field) {
    void* made = nullptr;
    HRESULT hr = device.Activate(iid, flags::all_contexts, nullptr, &made);
    if (!object_came_back(hr, made, field)) {
        return false;
    }
    *object = made;
    return true;
}

}  // namespace quorven::native
