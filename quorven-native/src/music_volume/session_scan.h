// Session selection: finding the host's application among the audio sessions of a device, by a
// fixed cascade of comparisons of name keys, or as the only other application playing.
#pragma once

#include "com/com_ptr.h"
#include "frame.h"
#include "platform/core_audio.h"

namespace quorven::native {

struct chosen_session {
    com_ptr<ISimpleAudioVolume> volume;  // empty when no session was chosen
    u32 match_kind = QUORVEN_MUSIC_VOLUME_MATCH_NONE;
};

// Step 0x10: activates the session manager on `device`, lists its sessions and chooses the
// first that matches the host's identifier or name (match kinds 1 to 6), else the only
// candidate (7). `hr_session` gets 0 when a session was chosen, 1 when none was, or the failing
// HRESULT of the manager, the enumerator or the count (0 when one came back empty);
// E_OUTOFMEMORY when a key could not be made.
void select_session(IMMDevice& device, const quorven_music_volume_request_v1& request,
                    chosen_session& chosen, i32& hr_session, call_report& report);

}  // namespace quorven::native
