// Internal invariant checks. A failed check means a bug inside the library, never bad input
// from the host, so the process ends instead of returning wrong data.
#pragma once

namespace qv {

[[noreturn]] inline void fatal() {
    __builtin_trap();
}

}  // namespace qv

#define QV_CHECK(condition)                      \
    do {                                         \
        if (__builtin_expect(!(condition), 0)) { \
            ::qv::fatal();                       \
        }                                        \
    } while (0)
