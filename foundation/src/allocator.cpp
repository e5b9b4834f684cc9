// The allocator layer over the platform heap, with the test seam in front of it.

#include "platform_heap.h"
#include "qv/alloc_seam.h"
#include "qv/memory.h"

namespace qv {
namespace {

// Atomic because a test may allocate from two threads; the shipped libraries never arm it.
u64 seam_fail_at = 0;
u64 seam_attempts = 0;
i64 seam_live = 0;

}  // namespace

void* mem_alloc(usize bytes) noexcept {
    u64 attempt = __atomic_add_fetch(&seam_attempts, 1, __ATOMIC_RELAXED);
    if (attempt == __atomic_load_n(&seam_fail_at, __ATOMIC_RELAXED)) {
        return nullptr;
    }
    void* block = platform_heap_alloc(bytes == 0 ? 1 : bytes);
    if (block != nullptr) {
        __atomic_add_fetch(&seam_live, 1, __ATOMIC_RELAXED);
    }
    return block;
}

void mem_free(void* block) noexcept {
    if (block != nullptr) {
        __atomic_sub_fetch(&seam_live, 1, __ATOMIC_RELAXED);
        platform_heap_free(block);
    }
}

void* mem_resize(void* block, usize bytes) noexcept {
    u64 attempt = __atomic_add_fetch(&seam_attempts, 1, __ATOMIC_RELAXED);
    if (attempt == __atomic_load_n(&seam_fail_at, __ATOMIC_RELAXED)) {
        return nullptr;
    }
    return platform_heap_resize(block, bytes == 0 ? 1 : bytes);
}

namespace alloc_seam {

void fail_nth(u64 k) noexcept {
    __atomic_store_n(&seam_attempts, 0, __ATOMIC_RELAXED);
    __atomic_store_n(&seam_fail_at, k, __ATOMIC_RELAXED);
}
u64 attempts() noexcept {
    return __atomic_load_n(&seam_attempts, __ATOMIC_RELAXED);
}
i64 live_blocks() noexcept {
    return __atomic_load_n(&seam_live, __ATOMIC_RELAXED);
}

}  // namespace alloc_seam
}  // namespace qv
