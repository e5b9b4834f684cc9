// The process heap: blocks are tracked so that tests see leaks, foreign frees and wrong flags.
// New blocks are filled with 0xCD so that code relying on zeroed memory shows up.

#include <stdlib.h>
#include <string.h>

#include <unordered_map>

#include "call_state.h"

using namespace standin::detail;

namespace {

int process_heap_token;

std::unordered_map<void*, SIZE_T>& blocks() {
    static std::unordered_map<void*, SIZE_T> instance;
    return instance;
}

void note_misuse() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    ++state().count.heap_misuse;
}

}  // namespace

extern "C" HANDLE WINAPI GetProcessHeap(void) {
    enter("GetProcessHeap");
    return &process_heap_token;
}

extern "C" LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    auto scripted = enter("HeapAlloc", {flags, static_cast<int64_t>(bytes)});
    if (heap != &process_heap_token || (flags & ~static_cast<DWORD>(HEAP_ZERO_MEMORY)) != 0) {
        note_misuse();
    }
    if (scripted && scripted->hr < 0) {
        return nullptr;
    }
    void* block = malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) {
        return nullptr;
    }
    memset(block, (flags & HEAP_ZERO_MEMORY) != 0 ? 0 : 0xCD, bytes);
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    blocks()[block] = bytes;
    ++state().count.heap_allocations;
    ++state().count.heap_blocks_live;
    return block;
}

extern "C" BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block) {
    enter("HeapFree", {flags});
    if (heap != &process_heap_token || flags != 0) {
        note_misuse();
    }
    if (block == nullptr) {
        return TRUE;
    }
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    auto found = blocks().find(block);
    if (found == blocks().end()) {
        ++state().count.heap_misuse;
        return FALSE;
    }
    blocks().erase(found);
    --state().count.heap_blocks_live;
    free(block);
    return TRUE;
}
