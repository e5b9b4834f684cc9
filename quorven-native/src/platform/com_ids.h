// Class and interface identifiers the library asks COM for, and the flag values it passes. Kept
// here rather than taken from a uuid library, which the ARM64 toolchain does not have.
#pragma once

#include "platform/windows_api.h"

namespace quorven::native::ids {

inline constexpr CLSID shell_link = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID shell_link_w = {
    0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID persist_file = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

}  // namespace quorven::native::ids

namespace quorven::native::flags {

inline constexpr DWORD multithreaded = 0x0;                        // COINIT_MULTITHREADED
inline constexpr DWORD apartment_threaded = 0x2;                   // COINIT_APARTMENTTHREADED
inline constexpr DWORD inproc_server = 0x1;                        // CLSCTX_INPROC_SERVER
inline constexpr DWORD storage_read = 0x0;                         // STGM_READ
inline constexpr DWORD get_path_raw = 0x4;                         // SLGP_RAWPATH
inline constexpr DWORD resolve_no_ui = 0x1;                        // SLR_NO_UI
inline constexpr DWORD resolve_update = 0x4;                       // SLR_UPDATE
inline constexpr DWORD resolve_no_search = 0x10;                   // SLR_NOSEARCH
inline constexpr DWORD resolve_offer_delete_without_file = 0x200;  // SLR_OFFER_DELETE_WITHOUT_FILE

// The values above are the interface with the shell; the platform's names must agree.
static_assert(multithreaded == COINIT_MULTITHREADED);
static_assert(apartment_threaded == COINIT_APARTMENTTHREADED);
static_assert(inproc_server == CLSCTX_INPROC_SERVER);
static_assert(storage_read == STGM_READ);
static_assert(get_path_raw == SLGP_RAWPATH);
static_assert(resolve_no_ui == SLR_NO_UI);
static_assert(resolve_update == SLR_UPDATE);
static_assert(resolve_no_search == SLR_NOSEARCH);
static_assert(resolve_offer_delete_without_file == SLR_OFFER_DELETE_WITHOUT_FILE);

}  // namespace quorven::native::flags
