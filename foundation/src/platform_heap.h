// The platform's heap, behind the allocator layer.
#pragma once

#include "qv/types.h"

namespace qv {

void* platform_heap_alloc(usize bytes) noexcept;
void platform_heap_free(void* block) noexcept;
// A new size for a live block, in place where the heap can, else moved with its contents; null
// on failure, with the block left as it was.
void* platform_heap_resize(void* block, usize bytes) noexcept;

}  // namespace qv
