// The stand-in's audio world, shared by the Core Audio objects and the process queries: the
// default device's volume, its sessions and the processes behind them, and the open process
// handles. Guarded by state().lock.
#pragma once

#include <map>
#include <vector>

#include "win_standin/core_audio_script.h"

namespace standin::detail {

struct audio_store {
    float endpoint_level = 1.0f;
    std::vector<audio_session> sessions;
    // Open process handles and the image path each one reports.
    std::map<HANDLE, std::u16string> process_handles;
    uintptr_t next_handle = 0x100;  // handle values are never reused within a test
};
audio_store& audio();

}  // namespace standin::detail
