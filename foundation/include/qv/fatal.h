// Internal invariant checks. A failed check means a bug inside the library, never bad input
// from the host, so the process ends instead of returning wrong data. The end must be certain:
// on Windows a trap instruction raises an exception that a host's __try or vectored handler
// could swallow and then go on with a broken store, so the check fails fast instead, which no
// handler sees; elsewhere it aborts.
#pragma once

#if defined(_WIN32)
// The compiler's intrinsic (needs -fms-extensions with clang): int 0x29 on x64, brk #0xF003 on
// ARM64, with the code in the first argument register.
extern "C" __declspec(noreturn) void __fastfail(unsigned int code);
#else
#include <stdlib.h>
#endif

namespace qv {

#if defined(_WIN32)
// FAST_FAIL_FATAL_APP_EXIT: the application asked to end at once.
inline constexpr unsigned int fast_fail_code = 7;
#endif

[[noreturn]] inline void fatal() {
#if defined(_WIN32)
    __fastfail(fast_fail_code);
#else
    abort();
#endif
}

}  // namespace qv

#define QV_CHECK(condition)                      \
    do {                                         \
        if (__builtin_expect(!(condition), 0)) { \
            ::qv::fatal();                       \
        }                                        \
    } while (0)
