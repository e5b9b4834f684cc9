// Stand-in for the Core Audio interfaces on Linux (mmdeviceapi.h, endpointvolume.h,
// audiopolicy.h): the device enumerator, the device, its volume and session interfaces, in the
// Windows vtable order up to the last method the library calls.
#pragma once
#pragma GCC system_header

#include "win_standin/property_system.h"
#include "win_standin/unknown.h"

typedef float FLOAT;
typedef const GUID* LPCGUID;

#ifndef CLSCTX_ALL
#define CLSCTX_ALL 0x17
#endif

enum EDataFlow { eRender = 0, eCapture = 1, eAll = 2 };
enum ERole { eConsole = 0, eMultimedia = 1, eCommunications = 2 };
enum AudioSessionState {
    AudioSessionStateInactive = 0,
    AudioSessionStateActive = 1,
    AudioSessionStateExpired = 2,
};

struct IMMDevice : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD dwClsCtx,
                                               PROPVARIANT* pActivationParams, void** ppv) = 0;
};

struct IMMDeviceCollection;
struct IMMDeviceEnumerator : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow dataFlow, DWORD dwStateMask,
                                                         IMMDeviceCollection** ppDevices) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow dataFlow, ERole role,
                                                              IMMDevice** ppEndpoint) = 0;
};

struct IAudioEndpointVolumeCallback;
struct IAudioEndpointVolume : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    RegisterControlChangeNotify(IAudioEndpointVolumeCallback* pNotify) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    UnregisterControlChangeNotify(IAudioEndpointVolumeCallback* pNotify) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* pnChannelCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(float fLevelDB,
                                                           LPCGUID pguidEventContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float fLevel,
                                                                 LPCGUID pguidEventContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(float* pfLevelDB) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(float* pfLevel) = 0;
};

struct ISimpleAudioVolume : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetMasterVolume(float fLevel, LPCGUID EventContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMasterVolume(float* pfLevel) = 0;
};

struct IAudioSessionEvents;
struct IAudioSessionControl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetState(AudioSessionState* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR Value, LPCGUID EventContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIconPath(LPWSTR* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetIconPath(LPCWSTR Value, LPCGUID EventContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGroupingParam(GUID* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetGroupingParam(LPCGUID Override, LPCGUID EventContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    RegisterAudioSessionNotification(IAudioSessionEvents* NewNotifications) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    UnregisterAudioSessionNotification(IAudioSessionEvents* NewNotifications) = 0;
};

struct IAudioSessionControl2 : public IAudioSessionControl {
    virtual HRESULT STDMETHODCALLTYPE GetSessionIdentifier(LPWSTR* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSessionInstanceIdentifier(LPWSTR* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProcessId(DWORD* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsSystemSoundsSession() = 0;
};

struct IAudioSessionEnumerator : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCount(int* SessionCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSession(int SessionCount,
                                                 IAudioSessionControl** Session) = 0;
};

struct IAudioSessionManager : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetAudioSessionControl(
        LPCGUID AudioSessionGuid, DWORD StreamFlags, IAudioSessionControl** SessionControl) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSimpleAudioVolume(LPCGUID AudioSessionGuid,
                                                           DWORD StreamFlags,
                                                           ISimpleAudioVolume** AudioVolume) = 0;
};

struct IAudioSessionManager2 : public IAudioSessionManager {
    virtual HRESULT STDMETHODCALLTYPE
    GetSessionEnumerator(IAudioSessionEnumerator** SessionEnum) = 0;
};
