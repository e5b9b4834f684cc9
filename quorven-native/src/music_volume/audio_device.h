// The default output device and the interfaces the volume export activates on it. These calls
// record their HRESULT in a step field and drop the error object of a failure, but leave the
// call's status to the caller: in some modes their failure does not end the call.
#pragma once

#include "com/com_ptr.h"
#include "frame.h"
#include "platform/core_audio.h"

namespace quorven::native {

// The default device for rendering multimedia. False when the call failed (its HRESULT in
// `field`) or handed back no device (0 in `field`).
bool get_default_endpoint(IMMDeviceEnumerator& enumerator, com_ptr<IMMDevice>& device, i32& field);

// Activates `iid` on `device` with every class context and no parameters. False when the call
// failed (its HRESULT in `field`) or handed back nothing (0 in `field`).
bool activate_on(IMMDevice& device, const IID& iid, void** object, i32& field);

template <typename Interface>
bool activate(IMMDevice& device, const IID& iid, com_ptr<Interface>& object, i32& field) {
    void* made = nullptr;
    if (!activate_on(device, iid, &made, field)) {
        return false;
    }
    object.attach(made);
    return true;
}

}  // namespace quorven::native
