#include "interrupt.h"

#include <atomic>
#include <csignal>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qsearch {
namespace {

std::atomic<bool> g_interrupted{false};

#if !defined(_WIN32)
int g_pipe_read = -1;
int g_pipe_write = -1;
#endif

extern "C" void on_interrupt(int) {
    g_interrupted.store(true);
#if !defined(_WIN32)
    if (g_pipe_write >= 0) {
        const char byte = 1;
        // Only async-signal-safe calls here; a full pipe already signals.
        [[maybe_unused]] const auto written = write(g_pipe_write, &byte, 1);
    }
#endif
}

}  // namespace

void catch_interrupts() {
#if !defined(_WIN32)
    int fds[2];
    if (pipe(fds) == 0) {
        // Descriptor 0 would read as "no cancel object" to the library.
        if (fds[0] == 0) {
            const int moved = fcntl(fds[0], F_DUPFD_CLOEXEC, 3);
            close(fds[0]);
            fds[0] = moved;
        }
        if (fds[0] > 0) {
            fcntl(fds[0], F_SETFD, FD_CLOEXEC);
            fcntl(fds[1], F_SETFD, FD_CLOEXEC);
            fcntl(fds[1], F_SETFL, O_NONBLOCK);
            g_pipe_read = fds[0];
            g_pipe_write = fds[1];
        }
    }
#endif
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
}

bool interrupted() {
    return g_interrupted.load();
}

std::uint64_t cancel_object() {
#if !defined(_WIN32)
    return g_pipe_read > 0 ? static_cast<std::uint64_t>(g_pipe_read) : 0;
#else
    return 0;
#endif
}

}  // namespace qsearch
