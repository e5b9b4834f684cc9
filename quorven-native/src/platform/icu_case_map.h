// ICU's full lower-case mapping and the character properties that name keys keep: Debian's
// libicu on Linux, the system icu.dll on Windows (which ships no ICU headers, so the prototypes
// used are declared here).
#pragma once

#include "qv/types.h"

#if defined(_WIN32)
extern "C" {
int32_t u_strToLower(char16_t* dest, int32_t dest_capacity, const char16_t* src, int32_t src_length,
                     const char* locale, int* error_code);
int8_t u_isUAlphabetic(int32_t c);
int8_t u_charType(int32_t c);
}
#else
#define U_SHOW_CPLUSPLUS_API 0
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#endif

namespace quorven::native::icu {

// Error codes of ICU: 0 is success, negative values are warnings, positive ones failures.
inline constexpr int icu_ok = 0;
inline constexpr int icu_buffer_overflow = 15;

// General categories of numbers: decimal digits, letter numbers and other numbers.
inline constexpr int category_nd = 9;
inline constexpr int category_nl = 10;
inline constexpr int category_no = 11;

enum class mapping { done, too_small, failed };

// The full lower-case mapping of `count` units at `src` in the root locale, so independent of
// the machine's language, into `capacity` units at `dest` (null when capacity is 0). `length`
// gets the mapped length when the result is done or too_small.
inline mapping to_lower(const qv::u16* src, qv::u32 count, qv::u16* dest, qv::u32 capacity,
                        qv::u32& length) {
#if defined(_WIN32)
    int error = icu_ok;
#else
    UErrorCode error = U_ZERO_ERROR;
#endif
    int32_t produced = u_strToLower(
        reinterpret_cast<char16_t*>(dest), static_cast<int32_t>(capacity),
        reinterpret_cast<const char16_t*>(src), static_cast<int32_t>(count), "", &error);
    int code = static_cast<int>(error);
    if (produced < 0 || (code > icu_ok && code != icu_buffer_overflow)) {
        return mapping::failed;
    }
    length = static_cast<qv::u32>(produced);
    return code == icu_buffer_overflow ? mapping::too_small : mapping::done;
}

inline bool is_alphabetic(qv::u32 code_point) {
    return u_isUAlphabetic(static_cast<int32_t>(code_point)) != 0;
}

inline bool is_number(qv::u32 code_point) {
    int category = static_cast<int>(u_charType(static_cast<int32_t>(code_point)));
    return category == category_nd || category == category_nl || category == category_no;
}

}  // namespace quorven::native::icu
