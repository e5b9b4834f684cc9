// The Unicode White_Space property, from ICU: Debian's libicu on Linux, the system icu.dll on
// Windows (which ships no ICU headers, so the one prototype used is declared here).
#pragma once

#include "qv/types.h"

#if defined(_WIN32)
extern "C" int8_t u_isUWhiteSpace(int32_t c);
#else
#define U_SHOW_CPLUSPLUS_API 0
#include <unicode/uchar.h>
#endif

namespace quorven::native {

inline bool is_white_space(qv::u32 code_point) {
    return u_isUWhiteSpace(static_cast<int32_t>(code_point)) != 0;
}

}  // namespace quorven::native
