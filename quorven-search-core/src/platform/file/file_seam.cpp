// State of the file layer's test seam. Atomic because a test may signal from a second thread.

#include "platform/file/file_seam.h"

namespace quorven::search_core::file_seam {
namespace {

qv::u64 fail_at = 0;
qv::u64 attempts = 0;
poll_observer observer_fn = nullptr;
void* observer_context = nullptr;
qv::u64 polls = 0;
bool flushes_ahead_fail = false;

}  // namespace

void fail_nth(qv::u64 k) noexcept {
    __atomic_store_n(&attempts, 0, __ATOMIC_RELAXED);
    __atomic_store_n(&fail_at, k, __ATOMIC_RELAXED);
}

qv::u64 operations() noexcept {
    return __atomic_load_n(&attempts, __ATOMIC_RELAXED);
}

void fail_flushes_ahead(bool fail) noexcept {
    __atomic_store_n(&flushes_ahead_fail, fail, __ATOMIC_RELAXED);
}

bool flush_ahead_fails() noexcept {
    return __atomic_load_n(&flushes_ahead_fail, __ATOMIC_RELAXED);
}

void observe_polls(poll_observer observer, void* context) noexcept {
    observer_context = context;
    polls = 0;
    __atomic_store_n(&observer_fn, observer, __ATOMIC_RELEASE);
}

bool operation_fails() noexcept {
    qv::u64 attempt = __atomic_add_fetch(&attempts, 1, __ATOMIC_RELAXED);
    return attempt == __atomic_load_n(&fail_at, __ATOMIC_RELAXED);
}

void note_poll() noexcept {
    if (poll_observer observer = __atomic_load_n(&observer_fn, __ATOMIC_ACQUIRE)) {
        observer(observer_context, polls++);
    }
}

}  // namespace quorven::search_core::file_seam
