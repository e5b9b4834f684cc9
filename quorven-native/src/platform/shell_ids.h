// Class and interface identifiers of the shell automation objects, and the flag values the
// shell automation exports pass. Kept here rather than taken from a uuid library, which the
// ARM64 toolchain does not have.
#pragma once

#include "platform/shell_api.h"

namespace quorven::native::ids {

inline constexpr CLSID shell_application = {
    0x13709620, 0xC279, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID shell_dispatch = {
    0xD8F015C0, 0xC278, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID shell_dispatch2 = {
    0xA4C6892C, 0x3BA9, 0x11D2, {0x9D, 0xEA, 0x00, 0xC0, 0x4F, 0xB1, 0x61, 0x62}};
inline constexpr IID shell_windows = {
    0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
inline constexpr IID web_browser = {
    0xEAB22AC1, 0x30C1, 0x11CF, {0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B}};
inline constexpr IID shell_folder_view_dual = {
    0xE7A1AF80, 0x4D96, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
inline constexpr IID folder_item2 = {
    0xEDC817AA, 0x92B8, 0x11D1, {0xB0, 0x75, 0x00, 0xC0, 0x4F, 0xC3, 0x3A, 0xA5}};

}  // namespace quorven::native::ids

namespace quorven::native::flags {

// CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER
inline constexpr DWORD shell_context = 0x17;
inline constexpr int window_class_desktop = 8;  // SWC_DESKTOP
inline constexpr int find_need_dispatch = 1;    // SWFO_NEEDDISPATCH
inline constexpr LONG show_normal = 1;          // SW_SHOWNORMAL
inline constexpr LONG recycle_bin_folder = 10;  // ssfBITBUCKET
inline constexpr int compare_equal = 2;         // CSTR_EQUAL

static_assert(shell_context == (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                CLSCTX_REMOTE_SERVER));
static_assert(window_class_desktop == SWC_DESKTOP);
static_assert(find_need_dispatch == SWFO_NEEDDISPATCH);
static_assert(compare_equal == CSTR_EQUAL);

}  // namespace quorven::native::flags
