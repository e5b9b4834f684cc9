// Simple upper-case mapping of one code point, from ICU: Debian's libicu on Linux, the system
// icu.dll on Windows (which has no ICU headers in the mingw-w64 tree, so the one prototype we
// use is declared here).
#pragma once

#include "qv/types.h"

#if defined(_WIN32)
extern "C" int32_t u_toupper(int32_t c);
#else
#define U_SHOW_CPLUSPLUS_API 0
#include <unicode/uchar.h>
#endif

namespace quorven::search_core {

inline qv::u32 upper_case_of(qv::u32 code_point) {
    return static_cast<qv::u32>(u_toupper(static_cast<int32_t>(code_point)));
}

}  // namespace quorven::search_core
