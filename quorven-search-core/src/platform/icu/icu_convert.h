// ICU's strict conversions between UTF-8 and UTF-16: ill-formed input (overlong forms, encoded
// surrogates, values above U+10FFFF, cut sequences, unpaired surrogates) is an error, never
// substituted. Debian's libicu on Linux, the system icu.dll on Windows (prototypes declared
// here, as the mingw-w64 tree has no ICU headers).
#pragma once

#include "qv/types.h"

#if defined(_WIN32)
extern "C" {
char16_t* u_strFromUTF8(char16_t* dest, int32_t dest_capacity, int32_t* dest_length,
                        const char* src, int32_t src_length, int* error_code);
char* u_strToUTF8(char* dest, int32_t dest_capacity, int32_t* dest_length, const char16_t* src,
                  int32_t src_length, int* error_code);
}
#else
#define U_SHOW_CPLUSPLUS_API 0
#include <unicode/ustring.h>
#endif

namespace quorven::search_core::icu {

// Error codes of ICU: 0 is success, negative values are warnings, positive ones failures.
inline constexpr int icu_ok = 0;
inline constexpr int icu_buffer_overflow = 15;

enum class conversion { done, ill_formed };

// Converts `count` UTF-8 bytes into `capacity` units at `dest`; with a null `dest` and capacity
// 0 only measures. `length` gets the UTF-16 length either way.
inline conversion utf8_to_utf16(const qv::u8* src, qv::u32 count, qv::u16* dest, qv::u32 capacity,
                                qv::u32* length) {
#if defined(_WIN32)
    int error = icu_ok;
    char16_t* to = reinterpret_cast<char16_t*>(dest);
#else
    UErrorCode error = U_ZERO_ERROR;
    UChar* to = reinterpret_cast<UChar*>(dest);
#endif
    int32_t produced = 0;
    u_strFromUTF8(to, static_cast<int32_t>(capacity), &produced, reinterpret_cast<const char*>(src),
                  static_cast<int32_t>(count), &error);
    int code = static_cast<int>(error);
    bool measured_only = dest == nullptr && code == icu_buffer_overflow;
    if ((code > icu_ok && !measured_only) || produced < 0) {
        return conversion::ill_formed;
    }
    *length = static_cast<qv::u32>(produced);
    return conversion::done;
}

// Converts `count` UTF-16 units into exactly `capacity` bytes at `dest`.
inline conversion utf16_to_utf8(const qv::u16* src, qv::u32 count, qv::u8* dest, qv::u32 capacity,
                                qv::u32* length) {
#if defined(_WIN32)
    int error = icu_ok;
    const char16_t* from = reinterpret_cast<const char16_t*>(src);
#else
    UErrorCode error = U_ZERO_ERROR;
    const UChar* from = reinterpret_cast<const UChar*>(src);
#endif
    int32_t produced = 0;
    u_strToUTF8(reinterpret_cast<char*>(dest), static_cast<int32_t>(capacity), &produced, from,
                static_cast<int32_t>(count), &error);
    if (static_cast<int>(error) > icu_ok || produced < 0) {
        return conversion::ill_formed;
    }
    *length = static_cast<qv::u32>(produced);
    return conversion::done;
}

}  // namespace quorven::search_core::icu
