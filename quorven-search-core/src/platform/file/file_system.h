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
// Asks the system to start writing `count` bytes from `offset` to the disk now, without waiting,
// so that the disk works while the rest of the file is produced and flush_to_disk has less left
// to wait for. A hint: where the system has no such call, or it fails, nothing changes.
void start_writeback(const file_handle& file, qv::u64 offset, qv::u64 count);
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
