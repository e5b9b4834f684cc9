// The few file services the index file needs, behind one interface with a Win32 and a POSIX
// implementation chosen at build time. Every call reports a status of the library: 0, or
// io_error (7) for a failed operation; out_of_memory (6) only where a path must be copied.
#pragma once

#include "lib/text.h"
#include "qv/array.h"
#include "qv/types.h"
#include "qv/unique.h"

namespace quorven::search_core::file {

// A path in the platform's own form, NUL-terminated: UTF-16 on Windows (with the long-path
// form where the classic limit would refuse it), generalised UTF-8 on POSIX (lone surrogates
// kept, so that every UTF-16 path still names exactly one file).
#if defined(_WIN32)
using native_unit = wchar_t;
#else
using native_unit = char;
#endif

class native_path {
  public:
    const native_unit* c_str() const { return units_.data(); }
    // Units before the terminating NUL.
    qv::usize length() const { return units_.size() - 1; }
    qv::array<native_unit>& storage() { return units_; }

  private:
    qv::array<native_unit> units_;
};

// Converts the host's path (no NUL unit within it). 6 when the copy cannot be allocated.
qv::u32 make_native_path(utf16_span path, native_path& out);

// An open file. The value is a POSIX descriptor or a Windows HANDLE; -1 is the empty value on
// both (INVALID_HANDLE_VALUE on Windows).
struct file_traits {
    using handle_type = qv::i64;
    static constexpr handle_type invalid() { return -1; }
    static void close(handle_type handle);
};
using file_handle = qv::unique_resource<file_traits>;

// An existing file, for reading, shared with other readers and writers.
qv::u32 open_for_reading(const native_path& path, file_handle& out);
// A file for writing, created if missing and cut to length 0 if present.
qv::u32 create_for_writing(const native_path& path, file_handle& out);
qv::u32 size_of(const file_handle& file, qv::u64* bytes);
// Reads until `count` bytes have come or the file ends; `got` tells how many came.
qv::u32 read(const file_handle& file, qv::u8* into, qv::usize count, qv::usize* got);
qv::u32 write_all(const file_handle& file, const qv::u8* from, qv::usize count);
// Forces the file's data to the disk.
qv::u32 flush_to_disk(const file_handle& file);
// Flushes of a file while it is still being written. Each one forces everything written so far
// to the disk while the caller goes on, so that the final flush_to_disk waits only for what
// came after the last of them: a flush costs about as long as the data it finds unflushed, and
// here that time overlaps with producing the rest. On POSIX a thread of the owner's runs them;
// Windows has none. Going out of scope waits for them as finish does.
class flush_ahead {
  public:
    explicit flush_ahead(const file_handle& file);
    ~flush_ahead();
    flush_ahead(const flush_ahead&) = delete;
    flush_ahead& operator=(const flush_ahead&) = delete;

    // Asks for the `written` bytes written so far to go to the disk: a flush that begins once
    // the last one has ended or, where no thread can be had, a start of their writing out on
    // Linux. A hint: nothing fails.
    void start(qv::u64 written);
    // Waits until every flush asked for has run; io_error when any of them failed. The system
    // reports a failed flush once, to whichever flush comes first, so the final one may not.
    qv::u32 finish();

    struct flusher;  // the thread and what it shares with the owner

  private:
    // Windows, which starts nothing, uses none of these.
    [[maybe_unused]] const file_handle& file_;
    qv::owned<flusher> flusher_;
    [[maybe_unused]] bool refused_ = false;  // no thread could be had
    [[maybe_unused]] qv::u64 sent_ = 0;      // bytes whose writing out was started without one
};

// Renames `from` over `to`, replacing it, and makes the rename durable before returning. On
// POSIX the directory is synced after the rename, so a failure there leaves the new file in
// place.
qv::u32 replace(const native_path& from, const native_path& to);
// Deletes a file; a failure is not reported, since every caller goes on regardless.
void remove(const native_path& path);
// The size of the file a path names.
qv::u32 size_of_path(const native_path& path, qv::u64* bytes);
// Whether two paths name one existing file (another spelling, or a hard link). Paths that name
// no file, or that cannot be looked at, count as different.
bool same_existing_file(const native_path& a, const native_path& b);

// Zero-timeout wait on the host's cancel object: 0 go on, cancelled (5) when it is signalled,
// invalid_argument (1) when it cannot be waited on.
qv::u32 poll_cancel(qv::u64 cancel_object);

// Current UTC time in 100 ns ticks since 0001-01-01; io_error when the clock reads before the
// Unix epoch or beyond the last representable tick.
qv::u32 now_ticks(qv::u64* ticks);

}  // namespace quorven::search_core::file
