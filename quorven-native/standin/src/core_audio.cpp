// Core Audio over the scripted audio world: the device enumerator hands out the default render
// device, which activates its volume interface and its session manager; the session enumerator
// lists the scripted sessions, each a session control with its own volume interface.

#include <string.h>

#include <string>

#include "audio_store.h"
#include "call_state.h"
#include "class_table.h"
#include "counted_object.h"
#include "object_face.h"
#include "win_standin/core_audio.h"

namespace standin {

const CLSID device_enumerator_class = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};

namespace detail {
namespace {

const IID unknown_iid = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID device_enumerator_iid = {
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
const IID device_iid = {
    0xD666063F, 0x1587, 0x4E43, {0x81, 0xF1, 0xB9, 0x48, 0xE8, 0x07, 0x36, 0x3F}};
const IID endpoint_volume_iid = {
    0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};
const IID session_manager_iid = {
    0xBFA971F1, 0x4D5E, 0x40BB, {0x93, 0x5E, 0x96, 0x70, 0x39, 0xBF, 0xBE, 0xE4}};
const IID session_manager2_iid = {
    0x77AA99A0, 0x1BD6, 0x484F, {0x8B, 0xC7, 0x2C, 0x65, 0x4C, 0x9A, 0x9B, 0x6F}};
const IID session_enumerator_iid = {
    0xE2F5BB11, 0x0570, 0x40CA, {0xAC, 0xDD, 0x3A, 0xA0, 0x12, 0x77, 0xDE, 0xE8}};
const IID session_control_iid = {
    0xF4B1A599, 0x7266, 0x4319, {0xA8, 0xCA, 0xE7, 0x0A, 0xCB, 0x11, 0xE8, 0xCD}};
const IID session_control2_iid = {
    0xBFB7FF88, 0x7239, 0x4FC9, {0x8F, 0xA2, 0x07, 0xC9, 0x50, 0xBE, 0x9C, 0x6D}};
const IID simple_volume_iid = {
    0x87CE5498, 0x68D6, 0x44E5, {0x92, 0x15, 0x6D, 0xA4, 0x7E, 0xF8, 0x83, 0xD8}};

bool is_null_guid(LPCGUID guid) {
    static const GUID null_guid{};
    return guid != nullptr && *guid == null_guid;
}

// Common ending of a method that hands back a new object or string through `out`: a scripted
// failure or empty success hands back nothing; otherwise `make` fills `out`.
template <typename Out, typename Make>
HRESULT hand_back(const std::optional<outcome>& scripted, Out** out, Make make) {
    if (out == nullptr) {
        return leave(E_POINTER);
    }
    *out = nullptr;
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    HRESULT hr = make(out);
    return leave(SUCCEEDED(hr) ? after_work(scripted, hr) : hr);
}

// A copy of `value` in task memory, as Core Audio returns its strings.
HRESULT task_string(const std::u16string& value, LPWSTR* out) {
    auto* units = static_cast<WCHAR*>(CoTaskMemAlloc((value.size() + 1) * sizeof(WCHAR)));
    memcpy(units, value.data(), value.size() * sizeof(WCHAR));
    units[value.size()] = 0;
    *out = units;
    return S_OK;
}

// IUnknown of an object with one face: logged under `face`, answering for `iids`.
template <typename Interface>
class single_face : public counted_object, public Interface {
  public:
    single_face(const char* face, const IID& iid, const IID* base_iid = nullptr)
        : face_(face), iid_(iid), base_iid_(base_iid) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        auto scripted = enter(name_of(face_, "QueryInterface").c_str());
        return hand_back(scripted, object, [&](void** out) {
            if (!(iid == unknown_iid || iid == iid_ ||
                  (base_iid_ != nullptr && iid == *base_iid_))) {
                return E_NOINTERFACE;
            }
            add_ref();
            *out = static_cast<Interface*>(this);
            return S_OK;
        });
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        enter(name_of(face_, "AddRef").c_str());
        return add_ref();
    }
    ULONG STDMETHODCALLTYPE Release() override {
        enter(name_of(face_, "Release").c_str());
        return release();
    }

  protected:
    // Start of a method call: logged as "Face::method".
    std::optional<outcome> begin(const char* method,
                                 std::initializer_list<int64_t> arguments = {}) {
        return enter(name_of(face_, method).c_str(), arguments);
    }
    HRESULT not_implemented(const char* method) {
        begin(method);
        return leave(E_NOTIMPL, false);
    }

  private:
    const char* face_;
    IID iid_;
    const IID* base_iid_;
};

class endpoint_volume_object final : public single_face<IAudioEndpointVolume> {
  public:
    endpoint_volume_object() : single_face("IAudioEndpointVolume", endpoint_volume_iid) {}

    HRESULT STDMETHODCALLTYPE RegisterControlChangeNotify(IAudioEndpointVolumeCallback*) override {
        return not_implemented("RegisterControlChangeNotify");
    }
    HRESULT STDMETHODCALLTYPE
    UnregisterControlChangeNotify(IAudioEndpointVolumeCallback*) override {
        return not_implemented("UnregisterControlChangeNotify");
    }
    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT*) override {
        return not_implemented("GetChannelCount");
    }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(float, LPCGUID) override {
        return not_implemented("SetMasterVolumeLevel");
    }
    // Arguments logged: 1 when the event context is the all-zero GUID.
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float level, LPCGUID context) override {
        auto scripted = begin("SetMasterVolumeLevelScalar", {is_null_guid(context)});
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        audio().endpoint_level = level;
        return leave(after_work(scripted, S_OK));
    }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(float*) override {
        return not_implemented("GetMasterVolumeLevel");
    }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(float* level) override {
        auto scripted = begin("GetMasterVolumeLevelScalar");
        if (level == nullptr) {
            return leave(E_POINTER);
        }
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        *level = audio().endpoint_level;
        return leave(after_work(scripted, S_OK));
    }
};

// One session as enumerated: its control interface and its volume interface are two faces of
// one object, so that the call log tells which one each call came through.
class session_object final : public counted_object {
  public:
    session_object(size_t index, const audio_session& data)
        : index_(index), data_(data), control_(this), volume_(this) {}

    HRESULT hand_out(REFIID iid, void** object) {
        if (iid == unknown_iid || iid == session_control_iid || iid == session_control2_iid) {
            *object = static_cast<IAudioSessionControl2*>(&control_);
        } else if (iid == simple_volume_iid) {
            *object = static_cast<ISimpleAudioVolume*>(&volume_);
        } else {
            return E_NOINTERFACE;
        }
        add_ref();
        return S_OK;
    }

    // IUnknown::QueryInterface through either face.
    HRESULT query(const std::optional<outcome>& scripted, REFIID iid, void** object) {
        return hand_back(scripted, object, [&](void** out) { return hand_out(iid, out); });
    }

  private:
    class control_face final : public object_face<IAudioSessionControl2, session_object> {
      public:
        explicit control_face(session_object* owner) : object_face(owner, "IAudioSessionControl") {}

        HRESULT STDMETHODCALLTYPE GetState(AudioSessionState*) override {
            return unsupported("IAudioSessionControl::GetState");
        }
        HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* name) override {
            return hand_back(enter("IAudioSessionControl::GetDisplayName"), name, [&](LPWSTR* out) {
                return task_string(owner_->data_.display_name, out);
            });
        }
        HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR, LPCGUID) override {
            return unsupported("IAudioSessionControl::SetDisplayName");
        }
        HRESULT STDMETHODCALLTYPE GetIconPath(LPWSTR*) override {
            return unsupported("IAudioSessionControl::GetIconPath");
        }
        HRESULT STDMETHODCALLTYPE SetIconPath(LPCWSTR, LPCGUID) override {
            return unsupported("IAudioSessionControl::SetIconPath");
        }
        HRESULT STDMETHODCALLTYPE GetGroupingParam(GUID*) override {
            return unsupported("IAudioSessionControl::GetGroupingParam");
        }
        HRESULT STDMETHODCALLTYPE SetGroupingParam(LPCGUID, LPCGUID) override {
            return unsupported("IAudioSessionControl::SetGroupingParam");
        }
        HRESULT STDMETHODCALLTYPE RegisterAudioSessionNotification(IAudioSessionEvents*) override {
            return unsupported("IAudioSessionControl::RegisterAudioSessionNotification");
        }
        HRESULT STDMETHODCALLTYPE
        UnregisterAudioSessionNotification(IAudioSessionEvents*) override {
            return unsupported("IAudioSessionControl::UnregisterAudioSessionNotification");
        }
        HRESULT STDMETHODCALLTYPE GetSessionIdentifier(LPWSTR* identifier) override {
            return hand_back(
                enter("IAudioSessionControl2::GetSessionIdentifier"), identifier,
                [&](LPWSTR* out) { return task_string(owner_->data_.identifier, out); });
        }
        HRESULT STDMETHODCALLTYPE GetSessionInstanceIdentifier(LPWSTR* identifier) override {
            return hand_back(
                enter("IAudioSessionControl2::GetSessionInstanceIdentifier"), identifier,
                [&](LPWSTR* out) { return task_string(owner_->data_.instance_identifier, out); });
        }
        HRESULT STDMETHODCALLTYPE GetProcessId(DWORD* process_id) override {
            auto scripted = enter("IAudioSessionControl2::GetProcessId");
            if (process_id == nullptr) {
                return leave(E_POINTER);
            }
            *process_id = 0;
            if (replaces_work(scripted)) {
                return leave(scripted->hr, scripted->sets_error_info);
            }
            *process_id = owner_->data_.process_id;
            return leave(after_work(scripted, S_OK));
        }
        HRESULT STDMETHODCALLTYPE IsSystemSoundsSession() override {
            auto scripted = enter("IAudioSessionControl2::IsSystemSoundsSession");
            if (replaces_work(scripted)) {
                return leave(scripted->hr, scripted->sets_error_info);
            }
            return leave(after_work(scripted, owner_->data_.system_sounds ? S_OK : S_FALSE));
        }

      private:
        static HRESULT unsupported(const char* method) {
            enter(method);
            return leave(E_NOTIMPL, false);
        }
    };

    class volume_face final : public object_face<ISimpleAudioVolume, session_object> {
      public:
        explicit volume_face(session_object* owner) : object_face(owner, "ISimpleAudioVolume") {}

        // Arguments logged: 1 when the event context is the all-zero GUID.
        HRESULT STDMETHODCALLTYPE SetMasterVolume(float level, LPCGUID context) override {
            auto scripted = enter("ISimpleAudioVolume::SetMasterVolume", {is_null_guid(context)});
            if (replaces_work(scripted)) {
                return leave(scripted->hr, scripted->sets_error_info);
            }
            std::lock_guard<std::recursive_mutex> guard(state().lock);
            if (owner_->index_ < audio().sessions.size()) {
                audio().sessions[owner_->index_].volume = level;
            }
            return leave(after_work(scripted, S_OK));
        }
        HRESULT STDMETHODCALLTYPE GetMasterVolume(float* level) override {
            auto scripted = enter("ISimpleAudioVolume::GetMasterVolume");
            if (level == nullptr) {
                return leave(E_POINTER);
            }
            if (replaces_work(scripted)) {
                return leave(scripted->hr, scripted->sets_error_info);
            }
            std::lock_guard<std::recursive_mutex> guard(state().lock);
            *level = owner_->index_ < audio().sessions.size()
                         ? audio().sessions[owner_->index_].volume
                         : 0.0f;
            return leave(after_work(scripted, S_OK));
        }
    };

    size_t index_;
    audio_session data_;
    control_face control_;
    volume_face volume_;
};

class session_enumerator_object final : public single_face<IAudioSessionEnumerator> {
  public:
    session_enumerator_object()
        : single_face("IAudioSessionEnumerator", session_enumerator_iid),
          sessions_(audio().sessions) {}

    HRESULT STDMETHODCALLTYPE GetCount(int* count) override {
        auto scripted = begin("GetCount");
        if (count == nullptr) {
            return leave(E_POINTER);
        }
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        *count = static_cast<int>(sessions_.size());
        return leave(after_work(scripted, S_OK));
    }
    // Arguments logged: the index.
    HRESULT STDMETHODCALLTYPE GetSession(int index, IAudioSessionControl** session) override {
        return hand_back(begin("GetSession", {index}), session, [&](IAudioSessionControl** out) {
            if (index < 0 || static_cast<size_t>(index) >= sessions_.size()) {
                return E_INVALIDARG;
            }
            auto* made = new session_object(static_cast<size_t>(index),
                                            sessions_[static_cast<size_t>(index)]);
            void* control = nullptr;
            made->hand_out(session_control_iid, &control);
            made->release();
            *out = static_cast<IAudioSessionControl*>(static_cast<IAudioSessionControl2*>(control));
            return S_OK;
        });
    }

  private:
    std::vector<audio_session> sessions_;
};

class session_manager_object final : public single_face<IAudioSessionManager2> {
  public:
    session_manager_object()
        : single_face("IAudioSessionManager2", session_manager2_iid, &session_manager_iid) {}

    HRESULT STDMETHODCALLTYPE GetAudioSessionControl(LPCGUID, DWORD,
                                                     IAudioSessionControl**) override {
        return not_implemented("GetAudioSessionControl");
    }
    HRESULT STDMETHODCALLTYPE GetSimpleAudioVolume(LPCGUID, DWORD, ISimpleAudioVolume**) override {
        return not_implemented("GetSimpleAudioVolume");
    }
    HRESULT STDMETHODCALLTYPE GetSessionEnumerator(IAudioSessionEnumerator** sessions) override {
        return hand_back(begin("GetSessionEnumerator"), sessions,
                         [](IAudioSessionEnumerator** out) {
                             std::lock_guard<std::recursive_mutex> guard(state().lock);
                             *out = new session_enumerator_object();
                             return S_OK;
                         });
    }
};

class device_object final : public single_face<IMMDevice> {
  public:
    device_object() : single_face("IMMDevice", device_iid) {}

    // Arguments logged: the class context and 1 when activation parameters were passed.
    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* parameters,
                                       void** object) override {
        auto scripted = begin("Activate", {context, parameters != nullptr});
        return hand_back(scripted, object, [&](void** out) {
            if (iid == endpoint_volume_iid) {
                *out = static_cast<IAudioEndpointVolume*>(new endpoint_volume_object());
            } else if (iid == session_manager2_iid) {
                *out = static_cast<IAudioSessionManager2*>(new session_manager_object());
            } else {
                return E_NOINTERFACE;
            }
            return S_OK;
        });
    }
};

class device_enumerator_object final : public single_face<IMMDeviceEnumerator> {
  public:
    device_enumerator_object() : single_face("IMMDeviceEnumerator", device_enumerator_iid) {}

    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow, DWORD, IMMDeviceCollection**) override {
        return not_implemented("EnumAudioEndpoints");
    }
    // Arguments logged: the data flow and the role.
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role,
                                                      IMMDevice** device) override {
        return hand_back(begin("GetDefaultAudioEndpoint", {flow, role}), device,
                         [](IMMDevice** out) {
                             *out = new device_object();
                             return S_OK;
                         });
    }
};

HRESULT create_device_enumerator(REFIID iid, void** object) {
    if (!(iid == device_enumerator_iid || iid == unknown_iid)) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IMMDeviceEnumerator*>(new device_enumerator_object());
    return S_OK;
}

const bool device_enumerator_registered =
    register_class(device_enumerator_class, create_device_enumerator);

}  // namespace

audio_store& audio() {
    static audio_store instance;
    return instance;
}

void reset_audio() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    audio() = audio_store{};
}

}  // namespace detail

void set_audio_sessions(const std::vector<audio_session>& sessions) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::audio().sessions = sessions;
}

float audio_session_volume(size_t index) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    return detail::audio().sessions.at(index).volume;
}

void set_endpoint_volume(float level) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::audio().endpoint_level = level;
}

float endpoint_volume() {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    return detail::audio().endpoint_level;
}

long process_handles_live() {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    return static_cast<long>(detail::audio().process_handles.size());
}

}  // namespace standin
