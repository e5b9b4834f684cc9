// Request checks of the shortcut exports, in their fixed order. Each returns 0 when the request
// passes, else 1 (a field) or 2 (a size or version). The scan of link_path and the write's
// strings for 0 units happens later, when they are copied.
#pragma once

#include "frame.h"

namespace quorven::native {

// Read: size and version, then icon_index, reserved words, link_path, mode, the five buffers.
u32 check_read_request(const quorven_shortcut_request_v2& request);
// No-UI resolve: size and version, reserved0, timeout_ms, reserved1, the embedded read request
// (2 for its size or version), and finally its mode, which must be full.
u32 check_resolve_request(const quorven_shortcut_resolve_request_v2& request);
// With-UI resolve: size and version, reserved words, link_path.
u32 check_resolve_ui_request(const quorven_shortcut_resolve_ui_request_v2& request);
// Write: size and version, mode 0, reserved1, link_path and target required, the other four
// optional. icon_index is not checked.
u32 check_write_request(const quorven_shortcut_request_v2& request);

}  // namespace quorven::native
