// C heap on POSIX systems. Large blocks start on a huge-page boundary and are offered to the
// kernel's transparent huge pages: a store's arrays are filled once, front to back, right after
// they are allocated, and one fault for 2 MiB costs a small part of 512 faults for 4 KiB each.
// A large block that grows in place or moves keeps the offer for the whole huge pages inside it.
// Where huge pages are off or unavailable, the advice is ignored and nothing else changes.

#include <stdlib.h>
#include <sys/mman.h>

#include "platform_heap.h"

namespace qv {
namespace {

constexpr usize huge_page_bytes = usize{2} << 20;
// Below this the 4 KiB pages left over at a block's end would outweigh the huge ones.
constexpr usize huge_block_bytes = 2 * huge_page_bytes;

// Only whole huge pages inside the block; the advice is a hint whose failure changes nothing
// but speed.
void offer_huge_pages(void* block, usize bytes) noexcept {
#if defined(MADV_HUGEPAGE)
    const usize first = reinterpret_cast<usize>(block);
    const usize start = (first + huge_page_bytes - 1) & ~(huge_page_bytes - 1);
    const usize end = (first + bytes) & ~(huge_page_bytes - 1);
    if (end > start) {
        (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    }
#else
    (void)block;
    (void)bytes;
#endif
}

}  // namespace

void* platform_heap_alloc(usize bytes) noexcept {
    if (bytes < huge_block_bytes) {
        return malloc(bytes);
    }
    void* block = nullptr;
    if (posix_memalign(&block, huge_page_bytes, bytes) != 0) {
        return nullptr;
    }
    offer_huge_pages(block, bytes);
    return block;
}
void platform_heap_free(void* block) noexcept {
    free(block);
}
void* platform_heap_resize(void* block, usize bytes) noexcept {
    void* resized = realloc(block, bytes);
    if (resized != nullptr && bytes >= huge_block_bytes) {
        offer_huge_pages(resized, bytes);
    }
    return resized;
}

}  // namespace qv
