// One byte written and read by different threads, over the compiler's atomic builtins
// (no <atomic> in the freestanding build).
#pragma once

#include "qv/types.h"

namespace qv {

class atomic_byte {
  public:
    constexpr atomic_byte() = default;
    atomic_byte(const atomic_byte&) = delete;
    atomic_byte& operator=(const atomic_byte&) = delete;

    void store_release(u8 value) noexcept { __atomic_store_n(&value_, value, __ATOMIC_RELEASE); }
    u8 load_relaxed() const noexcept { return __atomic_load_n(&value_, __ATOMIC_RELAXED); }
    u8 load_acquire() const noexcept { return __atomic_load_n(&value_, __ATOMIC_ACQUIRE); }

  private:
    u8 value_ = 0;
};

}  // namespace qv
