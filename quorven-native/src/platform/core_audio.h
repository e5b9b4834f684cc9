// The Core Audio interfaces and process queries the volume export is written against (the real
// headers on Windows, the stand-in's declarations elsewhere), with the identifiers it asks COM
// for and the flag values it passes.
#pragma once

#include "platform/windows_api.h"

#if defined(_WIN32)
// clang-format off
#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include <audiopolicy.h>
// clang-format on
#else
#include "win_standin/core_audio.h"
#include "win_standin/process.h"
#endif

namespace quorven::native::ids {

inline constexpr CLSID device_enumerator = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
inline constexpr IID mm_device_enumerator = {
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
inline constexpr IID audio_endpoint_volume = {
    0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};
inline constexpr IID audio_session_manager2 = {
    0x77AA99A0, 0x1BD6, 0x484F, {0x8B, 0xC7, 0x2C, 0x65, 0x4C, 0x9A, 0x9B, 0x6F}};
inline constexpr IID audio_session_control2 = {
    0xBFB7FF88, 0x7239, 0x4FC9, {0x8F, 0xA2, 0x07, 0xC9, 0x50, 0xBE, 0x9C, 0x6D}};
inline constexpr IID simple_audio_volume = {
    0x87CE5498, 0x68D6, 0x44E5, {0x92, 0x15, 0x6D, 0xA4, 0x7E, 0xF8, 0x83, 0xD8}};

// The event context both volume setters pass: the all-zero GUID.
inline constexpr GUID no_event_context = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

}  // namespace quorven::native::ids

namespace quorven::native::flags {

inline constexpr DWORD all_contexts = 0x17;                 // CLSCTX_ALL
inline constexpr DWORD query_limited_information = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION
inline constexpr EDataFlow render = eRender;
inline constexpr ERole multimedia = eMultimedia;

static_assert(all_contexts == CLSCTX_ALL);
static_assert(query_limited_information == PROCESS_QUERY_LIMITED_INFORMATION);
static_assert(render == 0 && multimedia == 1);

}  // namespace quorven::native::flags
