// Process heap on Windows.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform_heap.h"

namespace qv {

void* platform_heap_alloc(usize bytes) noexcept {
    return HeapAlloc(GetProcessHeap(), 0, bytes);
}
void platform_heap_free(void* block) noexcept {
    HeapFree(GetProcessHeap(), 0, block);
}
void* platform_heap_resize(void* block, usize bytes) noexcept {
    return HeapReAlloc(GetProcessHeap(), 0, block, bytes);
}

}  // namespace qv
