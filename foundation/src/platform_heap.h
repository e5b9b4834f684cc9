// The platform's heap, behind the allocator layer.
#pragma once

#include "qv/types.h"

namespace qv {

void* platform_heap_alloc(usize bytes) noexcept;
void platform_heap_free(void* block) noexcept;
// A smaller size for a live block, in place where the heap can; null on failure.
void* platform_heap_shrink(void* block, usize bytes) noexcept;

}  // namespace qv
