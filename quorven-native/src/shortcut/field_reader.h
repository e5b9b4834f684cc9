// Reading a loaded link's fields into the caller's buffers, with the measured lengths and masks
// of the read result. A failing getter ends reading with status 7; fields read before it keep
// their results.
#pragma once

#include "frame.h"

namespace quorven::native {

// Full mode: target (raw, unexpanded), description, arguments, working directory and icon path,
// each through a 260-unit buffer, then the icon index. No trimming.
bool read_full_fields(IShellLinkW& link, const quorven_shortcut_request_v2& request,
                      quorven_shortcut_read_result_v2& result, call_report& report);

// Compact mode: the expanded target (260 units) and the arguments (512 units), each trimmed of
// White_Space at both ends. The other three fields are not touched.
bool read_compact_fields(IShellLinkW& link, const quorven_shortcut_request_v2& request,
                         quorven_shortcut_read_result_v2& result, call_report& report);

// Bounds of `units[0, length)` without White_Space code units at either end.
void trim_white_space(const WCHAR* units, u32 length, u32& first, u32& trimmed_length);

}  // namespace quorven::native
