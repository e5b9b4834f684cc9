#include "lib/bmp_uppers.h"

#include "platform/icu/icu_case.h"

namespace quorven::search_core {
namespace {

using qv::u16;
using qv::u32;

enum table_state : int { empty, filling, ready };

// 128 KiB of zeros in the image until the first caller fills them. Written only by the thread
// that moved the state from empty to filling, and read only once the state is ready.
u16 table[0x10000];
int state = empty;

}  // namespace

const u16* bmp_uppers() {
    int seen = __atomic_load_n(&state, __ATOMIC_ACQUIRE);
    if (seen == empty && __atomic_compare_exchange_n(&state, &seen, filling, false,
                                                     __ATOMIC_ACQUIRE, __ATOMIC_ACQUIRE)) {
        for (u32 unit = 0; unit < 0x10000; ++unit) {
            u32 mapped = upper_case_of(unit);
            table[unit] = static_cast<u16>(mapped < 0x10000 ? mapped : unit);
        }
        seen = ready;
        __atomic_store_n(&state, ready, __ATOMIC_RELEASE);
    }
    return seen == ready ? table : nullptr;
}

const u16* bmp_uppers_if_built() {
    return __atomic_load_n(&state, __ATOMIC_ACQUIRE) == ready ? table : nullptr;
}

}  // namespace quorven::search_core
