// The platform's heap, behind the allocator layer.
#pragma once

#include "qv/types.h"

namespace qv {

void* platform_heap_alloc(usize bytes) noexcept;
void platform_heap_free(void* block) noexcept;

}  // namespace qv
