// C heap on POSIX systems.

#include <stdlib.h>

#include "platform_heap.h"

namespace qv {

void* platform_heap_alloc(usize bytes) noexcept {
    return malloc(bytes);
}
void platform_heap_free(void* block) noexcept {
    free(block);
}
void* platform_heap_resize(void* block, usize bytes) noexcept {
    return realloc(block, bytes);
}

}  // namespace qv
