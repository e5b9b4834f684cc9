// The executable name of the process behind an audio session, read through the process's image
// path.
#pragma once

#include "music_volume/name_key.h"

namespace quorven::native {

// The key of process `process_id`'s executable name; empty for process id 0 and for a process
// that cannot be opened or queried. False only when memory ran out.
[[nodiscard]] bool read_executable_key(DWORD process_id, name_key& key);

}  // namespace quorven::native
