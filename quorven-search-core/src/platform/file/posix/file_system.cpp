// The file layer on POSIX systems. Paths arrive as generalised UTF-8; a path too long for the
// kernel's limit is reached by opening its directories one by one and naming the last
// component relative to its parent, the counterpart of the long-path form on Windows. A replace
// syncs the target's directory after the rename, the durability write-through gives on Windows.

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "lib/status.h"
#include "platform/file/clock_ticks.h"
#include "platform/file/file_seam.h"
#include "platform/file/file_system.h"

namespace quorven::search_core::file {
namespace {

using qv::u16;
using qv::u32;
using qv::u64;
using qv::usize;

struct descriptor_traits {
    using handle_type = int;
    static constexpr int invalid() { return -1; }
    static void close(int fd) { ::close(fd); }
};
using descriptor = qv::unique_resource<descriptor_traits>;

constexpr int directory_flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

int as_fd(const file_handle& file) {
    return static_cast<int>(file.get());
}

int open_retrying(int dir, const char* name, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::openat(dir, name, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool is_regular(int fd) {
    struct stat info;
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// Where a path's last component lives: a directory descriptor (or the working directory) and
// the component's name relative to it.
struct location {
    descriptor parent;
    int dir = AT_FDCWD;
    const char* leaf = nullptr;
};

// Opens every directory of the path in turn, so that no single call sees more than one
// component and the path's total length does not matter.
bool walk_to_parent(const native_path& path, location& out) {
    const char* p = path.c_str();
    usize end = path.length();
    usize leaf_start = end;
    while (leaf_start > 0 && p[leaf_start - 1] != '/') {
        --leaf_start;
    }
    usize i = 0;
    int fd;
    if (p[0] == '/') {
        fd = open_retrying(AT_FDCWD, "/", directory_flags);
        i = 1;
    } else {
        fd = open_retrying(AT_FDCWD, ".", directory_flags);
    }
    descriptor dir(fd);
    if (!dir.valid()) {
        return false;
    }
    char component[NAME_MAX + 1];
    while (i < leaf_start) {
        if (p[i] == '/') {
            ++i;
            continue;
        }
        usize j = i;
        while (j < leaf_start && p[j] != '/') {
            ++j;
        }
        if (j - i > NAME_MAX) {
            return false;
        }
        qv::mem_copy(component, p + i, j - i);
        component[j - i] = '\0';
        descriptor next(open_retrying(dir.get(), component, directory_flags));
        if (!next.valid()) {
            return false;
        }
        dir = qv::move(next);
        i = j;
    }
    out.dir = dir.get();
    out.parent = qv::move(dir);
    out.leaf = p + leaf_start;
    return true;
}

// Short paths go to the kernel as given; long ones, or any path whose directory the caller
// needs, are walked.
bool locate(const native_path& path, location& out, bool need_parent = false) {
    if (!need_parent && path.length() < PATH_MAX) {
        out.dir = AT_FDCWD;
        out.leaf = path.c_str();
        return true;
    }
    return walk_to_parent(path, out);
}

constexpr bool is_high_surrogate(u32 unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool is_low_surrogate(u32 unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

void file_traits::close(handle_type handle) {
    ::close(static_cast<int>(handle));
}

u32 make_native_path(utf16_span path, native_path& out) {
    qv::array<char>& bytes = out.storage();
    if (!bytes.reserve_exact(usize{path.length} * 3 + 1)) {
        return status_out_of_memory;
    }
    bytes.clear();
    auto put = [&](u32 byte) { bytes.push_back_reserved(static_cast<char>(byte)); };
    for (u32 i = 0; i < path.length; ++i) {
        u32 unit = path.units[i];
        if (unit < 0x80) {
            put(unit);
        } else if (unit < 0x800) {
            put(0xC0 | (unit >> 6));
            put(0x80 | (unit & 0x3F));
        } else if (is_high_surrogate(unit) && i + 1 < path.length &&
                   is_low_surrogate(path.units[i + 1])) {
            u32 cp = 0x10000 + ((unit - 0xD800) << 10) + (path.units[i + 1] - 0xDC00u);
            put(0xF0 | (cp >> 18));
            put(0x80 | ((cp >> 12) & 0x3F));
            put(0x80 | ((cp >> 6) & 0x3F));
            put(0x80 | (cp & 0x3F));
            ++i;
        } else {
            // Three bytes, a lone surrogate included: it keeps its own distinct name.
            put(0xE0 | (unit >> 12));
            put(0x80 | ((unit >> 6) & 0x3F));
            put(0x80 | (unit & 0x3F));
        }
    }
    put(0);
    return status_ok;
}

u32 open_for_reading(const native_path& path, file_handle& out) {
    location where;
    if (file_seam::operation_fails() || !locate(path, where)) {
        return status_io_error;
    }
    // Non-blocking so that a FIFO cannot stall the call; only regular files are accepted.
    descriptor fd(
        open_retrying(where.dir, where.leaf, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid() || !is_regular(fd.get())) {
        return status_io_error;
    }
    out.reset(fd.release());
    return status_ok;
}

u32 create_for_writing(const native_path& path, file_handle& out) {
    location where;
    if (file_seam::operation_fails() || !locate(path, where)) {
        return status_io_error;
    }
    descriptor fd(open_retrying(where.dir, where.leaf,
                                O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                                0666));
    if (!fd.valid() || !is_regular(fd.get())) {
        return status_io_error;
    }
    out.reset(fd.release());
    return status_ok;
}

u32 size_of(const file_handle& file, u64* bytes) {
    struct stat info;
    if (file_seam::operation_fails() || ::fstat(as_fd(file), &info) != 0 || info.st_size < 0) {
        return status_io_error;
    }
    *bytes = static_cast<u64>(info.st_size);
    return status_ok;
}

u32 read(const file_handle& file, qv::u8* into, usize count, usize* got) {
    *got = 0;
    if (file_seam::operation_fails()) {
        return status_io_error;
    }
    while (*got < count) {
        ssize_t n = ::read(as_fd(file), into + *got, count - *got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return status_io_error;
        }
        if (n == 0) {
            break;
        }
        *got += static_cast<usize>(n);
    }
    return status_ok;
}

u32 write_all(const file_handle& file, const qv::u8* from, usize count) {
    if (file_seam::operation_fails()) {
        return status_io_error;
    }
    usize done = 0;
    while (done < count) {
        ssize_t n = ::write(as_fd(file), from + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return status_io_error;
        }
        done += static_cast<usize>(n);
    }
    return status_ok;
}

u32 flush_to_disk(const file_handle& file) {
    if (file_seam::operation_fails()) {
        return status_io_error;
    }
    int rc;
    do {
        rc = ::fsync(as_fd(file));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? status_ok : status_io_error;
}

// The flushing thread asks only for the descriptor, which its owner keeps open until the
// thread has been joined. It takes no signal of the host's: they all stay blocked in it.
struct flush_ahead::flusher {
    explicit flusher(int file) : fd(file) {}
    flusher(const flusher&) = delete;
    flusher& operator=(const flusher&) = delete;
    ~flusher() {
        stop();
        ::pthread_cond_destroy(&wake);
        ::pthread_mutex_destroy(&lock);
    }

    bool begin() {
        sigset_t all;
        sigset_t before;
        ::sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, &before);
        running = ::pthread_create(&thread, nullptr, &flusher::run, this) == 0;
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return running;
    }

    void ask() {
        ::pthread_mutex_lock(&lock);
        wanted = true;
        ::pthread_cond_signal(&wake);
        ::pthread_mutex_unlock(&lock);
    }

    // Ends the thread once the flushes asked for have run; whether any of them failed.
    bool stop() {
        if (running) {
            ::pthread_mutex_lock(&lock);
            ending = true;
            ::pthread_cond_signal(&wake);
            ::pthread_mutex_unlock(&lock);
            ::pthread_join(thread, nullptr);
            running = false;
        }
        return failed;
    }

    static void* run(void* self) {
        static_cast<flusher*>(self)->serve();
        return nullptr;
    }

    void serve() {
        ::pthread_mutex_lock(&lock);
        for (;;) {
            while (!wanted && !ending) {
                ::pthread_cond_wait(&wake, &lock);
            }
            // A flush asked for still runs at the end, so that every one asked for has run.
            if (!wanted) {
                break;
            }
            wanted = false;
            ::pthread_mutex_unlock(&lock);
            bool flushed = !file_seam::flush_ahead_fails();
            while (flushed && ::fdatasync(fd) != 0) {
                flushed = errno == EINTR;  // an interrupted flush is tried again
            }
            ::pthread_mutex_lock(&lock);
            failed = failed || !flushed;
        }
        ::pthread_mutex_unlock(&lock);
    }

    const int fd;
    pthread_t thread = {};
    bool running = false;  // the thread exists and has not been joined
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t wake = PTHREAD_COND_INITIALIZER;
    bool wanted = false;  // a flush asked for and not yet begun
    bool ending = false;
    bool failed = false;
};

flush_ahead::flush_ahead(const file_handle& file) : file_(file) {}

flush_ahead::~flush_ahead() = default;

void flush_ahead::start(u64 written) {
    if (!flusher_ && !refused_) {
        flusher_ = qv::make_owned<flusher>(as_fd(file_));
        if (flusher_ && !flusher_->begin()) {
            flusher_.reset();
        }
        refused_ = !flusher_;
    }
    if (flusher_) {
        flusher_->ask();
        return;
    }
#if defined(__linux__)
    (void)::sync_file_range(as_fd(file_), static_cast<off_t>(sent_),
                            static_cast<off_t>(written - sent_), SYNC_FILE_RANGE_WRITE);
#endif
    sent_ = written;
}

u32 flush_ahead::finish() {
    bool failed = flusher_ && flusher_->stop();
    flusher_.reset();
    return file_seam::operation_fails() || failed ? status_io_error : status_ok;
}

u32 replace(const native_path& from, const native_path& to) {
    location source;
    location target;
    if (file_seam::operation_fails() || !locate(from, source) || !locate(to, target, true)) {
        return status_io_error;
    }
    if (::renameat(source.dir, source.leaf, target.dir, target.leaf) != 0) {
        return status_io_error;
    }
    // The new name is durable only once its directory is.
    int rc;
    do {
        rc = ::fsync(target.dir);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? status_ok : status_io_error;
}

void remove(const native_path& path) {
    location where;
    if (!file_seam::operation_fails() && locate(path, where)) {
        ::unlinkat(where.dir, where.leaf, 0);
    }
}

u32 size_of_path(const native_path& path, u64* bytes) {
    location where;
    struct stat info;
    if (file_seam::operation_fails() || !locate(path, where) ||
        ::fstatat(where.dir, where.leaf, &info, 0) != 0 || info.st_size < 0) {
        return status_io_error;
    }
    *bytes = static_cast<u64>(info.st_size);
    return status_ok;
}

namespace {

bool identify(const native_path& path, struct stat& info) {
    location where;
    return locate(path, where) && ::fstatat(where.dir, where.leaf, &info, 0) == 0;
}

}  // namespace

bool same_existing_file(const native_path& a, const native_path& b) {
    struct stat first;
    struct stat second;
    return identify(a, first) && identify(b, second) && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

u32 poll_cancel(u64 cancel_object) {
    if (cancel_object > static_cast<u64>(INT_MAX)) {
        return status_invalid_argument;
    }
    struct pollfd watch = {static_cast<int>(cancel_object), POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&watch, 1, 0);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0 || (watch.revents & (POLLNVAL | POLLERR)) != 0) {
        return status_invalid_argument;
    }
    // A pipe whose writer has gone reads as end of file at once: signalled too.
    if (rc > 0 && (watch.revents & (POLLIN | POLLHUP)) != 0) {
        return status_cancelled;
    }
    return status_ok;
}

u32 now_ticks(u64* ticks) {
    struct timespec now;
    if (file_seam::operation_fails() || ::clock_gettime(CLOCK_REALTIME, &now) != 0 ||
        now.tv_sec < 0 || now.tv_nsec < 0) {
        return status_io_error;
    }
    bool in_range =
        ticks_from_unix(static_cast<u64>(now.tv_sec), static_cast<u64>(now.tv_nsec) / 100, ticks);
    return in_range ? status_ok : status_io_error;
}

}  // namespace quorven::search_core::file
