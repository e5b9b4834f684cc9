// Test seam of the file layer: make the k-th file operation fail as the disk would, and watch
// the cancellation polls. Both implementations of the layer consult it, so the same tests run
// against either; the shipped libraries never arm it.
#pragma once

#include "qv/types.h"

namespace quorven::search_core::file_seam {

// File operation number k (1-based, counted from this call) fails with io_error without
// touching the disk; 0 disarms. Counted: opening, creating, measuring, each read and write
// call, flushing, replacing, deleting, and reading the clock.
void fail_nth(qv::u64 k) noexcept;
// File operations attempted since the last fail_nth call.
qv::u64 operations() noexcept;
// Every flush that runs ahead of a save's last one (file::flush_ahead) fails as the disk would,
// without touching it; false disarms. Not counted among the operations: when such a flush runs
// depends on timing.
void fail_flushes_ahead(bool fail) noexcept;

// Called at every poll of a cancel object, before the wait, with the poll's number counted
// from 0 since the observer was set; null stops observing.
using poll_observer = void (*)(void* context, qv::u64 poll_number);
void observe_polls(poll_observer observer, void* context) noexcept;

// For the file layer: counts one operation and tells whether it must fail.
bool operation_fails() noexcept;
// For the thread that flushes ahead: whether its flush must fail.
bool flush_ahead_fails() noexcept;
// For the cancellation poll: tells the observer, if any.
void note_poll() noexcept;

}  // namespace quorven::search_core::file_seam
