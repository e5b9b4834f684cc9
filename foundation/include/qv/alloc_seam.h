// Test seam of the allocator: make the k-th allocation from now fail, and count live blocks.
// Only tests touch it; the shipped libraries never arm it.
#pragma once

#include "qv/types.h"

namespace qv::alloc_seam {

// Allocation number k (1-based, counted from this call) returns null; 0 disarms.
void fail_nth(u64 k) noexcept;
// Allocations attempted since the last fail_nth call.
u64 attempts() noexcept;
// Blocks handed out and not yet freed.
i64 live_blocks() noexcept;

}  // namespace qv::alloc_seam
