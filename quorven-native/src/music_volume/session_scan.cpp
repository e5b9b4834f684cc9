// The session scan. Every per-session failure only removes that session or empties one of its
// texts; the error object of each failing call is dropped at once.

#include "music_volume/session_scan.h"

#include "com/unique_cotaskmem_string.h"
#include "music_volume/audio_device.h"
#include "music_volume/name_key.h"
#include "music_volume/process_image.h"

namespace quorven::native {

namespace {

struct host_keys {
    name_key identifier;
    name_key name;
};

struct session_keys {
    name_key display_name;
    name_key identifier;
    name_key instance_identifier;
    name_key executable;
};

// A call on one session; a failure drops the error object and gives false.
bool session_call(HRESULT hr) {
    if (failed(hr)) {
        drop_error_info();
        return false;
    }
    return true;
}

// A text a session reported: one that could not be read, or that is not valid UTF-16, counts as
// empty. False only when memory ran out.
bool session_text(HRESULT hr, const unique_cotaskmem_string& text, name_key& key) {
    key.clear();
    if (!session_call(hr) || text.get() == nullptr) {
        return true;
    }
    const u16* units = reinterpret_cast<const u16*>(text.get());
    u32 length = 0;
    while (units[length] != 0) {
        ++length;
    }
    return key.assign(units, length, ill_formed_text::empty);
}

// The number of the first rule that holds, or 0.
u32 match_kind(const session_keys& session, const host_keys& host) {
    if (session.identifier.contains(host.identifier)) {
        return 1;
    }
    if (session.instance_identifier.contains(host.identifier)) {
        return 2;
    }
    if (session.display_name.contains(host.name)) {
        return 3;
    }
    if (session.executable.contains(host.name)) {
        return 4;
    }
    if (host.identifier.contains(session.executable)) {
        return 5;
    }
    if (session.identifier.contains(host.name)) {
        return 6;
    }
    return QUORVEN_MUSIC_VOLUME_MATCH_NONE;
}

template <typename Interface>
bool query_session(IUnknown& session, const IID& iid, com_ptr<Interface>& object) {
    void* found = nullptr;
    if (!session_call(session.QueryInterface(iid, &found)) || found == nullptr) {
        return false;
    }
    object.attach(found);
    return true;
}

enum class examined {
    skipped,        // not usable, system sounds, or no match and no process id
    matched,        // `kind` holds the rule
    candidate,      // no match, but a process id: a candidate for the fallback
    out_of_memory,  // a key could not be made
};

// Reads and compares session `index`. When it matched or is a candidate, `volume` holds its
// volume interface; otherwise `volume` is left empty.
examined examine_session(IAudioSessionEnumerator& sessions, int index, const host_keys& host,
                         com_ptr<ISimpleAudioVolume>& volume, u32& kind) {
    com_ptr<IAudioSessionControl> control;
    if (!session_call(sessions.GetSession(index, control.put())) || !control) {
        return examined::skipped;
    }
    com_ptr<IAudioSessionControl2> control2;
    com_ptr<ISimpleAudioVolume> session_volume;
    if (!query_session(*control.get(), ids::audio_session_control2, control2) ||
        !query_session(*control.get(), ids::simple_audio_volume, session_volume)) {
        return examined::skipped;
    }

    session_keys keys;
    {
        unique_cotaskmem_string display_name, identifier, instance_identifier;
        if (!session_text(control->GetDisplayName(display_name.put()), display_name,
                          keys.display_name) ||
            !session_text(control2->GetSessionIdentifier(identifier.put()), identifier,
                          keys.identifier) ||
            !session_text(control2->GetSessionInstanceIdentifier(instance_identifier.put()),
                          instance_identifier, keys.instance_identifier)) {
            return examined::out_of_memory;
        }
    }
    DWORD process_id = 0;
    if (!session_call(control2->GetProcessId(&process_id))) {
        process_id = 0;
    }
    HRESULT system_sounds = control2->IsSystemSoundsSession();
    session_call(system_sounds);
    if (!read_executable_key(process_id, keys.executable)) {
        return examined::out_of_memory;
    }
    // Only S_OK marks the system sounds session; any other answer, a failure included, does not.
    if (as_field(system_sounds) == hr_ok) {
        return examined::skipped;
    }

    kind = match_kind(keys, host);
    if (kind == QUORVEN_MUSIC_VOLUME_MATCH_NONE && process_id == 0) {
        return examined::skipped;
    }
    volume.attach(session_volume.detach());
    return kind != QUORVEN_MUSIC_VOLUME_MATCH_NONE ? examined::matched : examined::candidate;
}

bool host_key(const quorven_utf16_string& text, name_key& key) {
    return key.assign(host_units(text.pointer), text.length, ill_formed_text::replace);
}

}  // namespace

void select_session(IMMDevice& device, const quorven_music_volume_request_v1& request,
                    chosen_session& chosen, i32& hr_session, call_report& report) {
    report.start(QUORVEN_MUSIC_VOLUME_STEP_SESSIONS);
    com_ptr<IAudioSessionManager2> manager;
    if (!activate(device, ids::audio_session_manager2, manager, hr_session)) {
        return;
    }
    com_ptr<IAudioSessionEnumerator> sessions;
    if (!note_call(manager->GetSessionEnumerator(sessions.put()), hr_session)) {
        return;
    }
    if (!sessions) {
        hr_session = hr_ok;
        return;
    }
    int count = 0;
    if (!note_call(sessions->GetCount(&count), hr_session)) {
        return;
    }

    host_keys host;
    if (!host_key(request.app_identifier, host.identifier) ||
        !host_key(request.app_name, host.name)) {
        hr_session = hr_out_of_memory;
        return;
    }
    // Only the first candidate is kept: a second one already rules the fallback out.
    com_ptr<ISimpleAudioVolume> only_candidate;
    u32 candidates = 0;
    for (int index = 0; index < count; ++index) {
        com_ptr<ISimpleAudioVolume> volume;
        u32 kind = QUORVEN_MUSIC_VOLUME_MATCH_NONE;
        examined outcome = examine_session(*sessions.get(), index, host, volume, kind);
        if (outcome == examined::out_of_memory) {
            hr_session = hr_out_of_memory;
            return;
        }
        if (outcome == examined::matched) {
            chosen.volume.attach(volume.detach());
            chosen.match_kind = kind;
            hr_session = hr_ok;
            return;
        }
        if (outcome == examined::candidate) {
            if (++candidates == 1) {
                only_candidate.attach(volume.detach());
            } else {
                only_candidate.reset();
            }
        }
    }
    if (candidates != 1) {
        hr_session = hr_false;
        return;
    }
    chosen.volume.attach(only_candidate.detach());
    chosen.match_kind = QUORVEN_MUSIC_VOLUME_MATCH_ONLY_CANDIDATE;
    hr_session = hr_ok;
}

}  // namespace quorven::native
