// Test controls of the stand-in Core Audio and process queries: the default device's volume and
// a scripted list of audio sessions, each with the process behind it.
#pragma once

#include <string>
#include <vector>

#include "win_standin/windows.h"

namespace standin {

// One audio session of the default device, in enumeration order.
struct audio_session {
    std::u16string display_name;
    std::u16string identifier;
    std::u16string instance_identifier;
    DWORD process_id = 0;
    // The image path of the process `process_id`; empty when the process cannot be opened.
    std::u16string image_path;
    bool system_sounds = false;
    float volume = 0.5f;
};

void set_audio_sessions(const std::vector<audio_session>& sessions);
// The session's volume as the last SetMasterVolume left it.
float audio_session_volume(size_t index);

void set_endpoint_volume(float level);
float endpoint_volume();

// Process handles that OpenProcess handed out and CloseHandle has not closed.
long process_handles_live();

// The CLSID under which CoCreateInstance makes device enumerators.
extern const CLSID device_enumerator_class;

}  // namespace standin
