// The file layer on Windows, over the kernel's file calls. A path that is, or once made
// absolute becomes, longer than the classic limit is given in its absolute \\?\ form to every
// call that names a file, the rename included; other paths reach the kernel exactly as the
// host gave them.

#define WIN32_LEAN_AND_MEAN
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#include <windows.h>

#include "lib/status.h"
#include "platform/file/clock_ticks.h"
#include "platform/file/file_seam.h"
#include "platform/file/file_system.h"

namespace quorven::search_core::file {
namespace {

using qv::u32;
using qv::u64;
using qv::usize;

static_assert(sizeof(wchar_t) == sizeof(qv::u16));

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;  // 7
constexpr DWORD replace_flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;  // 9
// Paths of this many units or more need the long form (MAX_PATH counts the NUL).
constexpr u32 classic_limit = MAX_PATH;
// 100 ns intervals from 1601-01-01 (FILETIME's origin) to 1970-01-01.
constexpr u64 filetime_unix_epoch = 116444736000000000ull;

HANDLE as_handle(const file_handle& file) {
    return reinterpret_cast<HANDLE>(file.get());
}

void adopt(HANDLE handle, file_handle& out) {
    out.reset(reinterpret_cast<qv::i64>(handle));
}

bool starts_with(const wchar_t* text, usize length, const wchar_t* prefix, usize prefix_length) {
    if (length < prefix_length) {
        return false;
    }
    for (usize i = 0; i < prefix_length; ++i) {
        if (text[i] != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool copy_as_given(utf16_span path, qv::array<wchar_t>& out) {
    if (!out.reserve_exact(usize{path.length} + 1)) {
        return false;
    }
    out.clear();
    for (u32 i = 0; i < path.length; ++i) {
        out.push_back_reserved(static_cast<wchar_t>(path.units[i]));
    }
    out.push_back_reserved(L'\0');
    return true;
}

// The absolute form of a path as GetFullPathNameW gives it, and its length in units.
u32 make_absolute(const qv::array<wchar_t>& given, qv::array<wchar_t>& full, DWORD* length) {
    DWORD needed = GetFullPathNameW(given.data(), 0, nullptr, nullptr);
    if (needed == 0) {
        return status_io_error;
    }
    if (!full.reserve_exact(needed)) {
        return status_out_of_memory;
    }
    DWORD written = GetFullPathNameW(given.data(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) {
        return status_io_error;
    }
    *length = written;
    return status_ok;
}

// An absolute path with the \\?\ prefix (\\?\UNC\ for a share).
u32 make_long_form(const wchar_t* full, DWORD length, qv::array<wchar_t>& out) {
    bool unc = length >= 2 && full[0] == L'\\' && full[1] == L'\\';
    const wchar_t* prefix = unc ? L"\\\\?\\UNC" : L"\\\\?\\";
    usize prefix_length = unc ? 7 : 4;
    usize skip = unc ? 1 : 0;  // \\server\share becomes \\?\UNC\server\share
    if (!out.reserve_exact(prefix_length + length - skip + 1)) {
        return status_out_of_memory;
    }
    out.clear();
    out.append_reserved(prefix, prefix_length);
    out.append_reserved(full + skip, length - skip);
    out.push_back_reserved(L'\0');
    return status_ok;
}

}  // namespace

void file_traits::close(handle_type handle) {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

u32 make_native_path(utf16_span path, native_path& out) {
    qv::array<wchar_t> given;
    if (!copy_as_given(path, given)) {
        return status_out_of_memory;
    }
    bool already_long = starts_with(given.data(), path.length, L"\\\\?\\", 4) ||
                        starts_with(given.data(), path.length, L"\\\\.\\", 4);
    if (already_long) {
        out.storage() = qv::move(given);
        return status_ok;
    }
    // The limit applies to the path the kernel resolves: a short relative path below a deep
    // current directory needs the long form as much as a long path does.
    qv::array<wchar_t> full;
    DWORD full_length = 0;
    u32 status = make_absolute(given, full, &full_length);
    if (status == status_out_of_memory) {
        return status;
    }
    bool long_when_absolute = status == status_ok && full_length >= classic_limit;
    if (path.length < classic_limit && !long_when_absolute) {
        // Where the full form cannot be had, the call that uses the path says what is wrong.
        out.storage() = qv::move(given);
        return status_ok;
    }
    if (status != status_ok) {
        return status;
    }
    return make_long_form(full.data(), full_length, out.storage());
}

u32 open_for_reading(const native_path& path, file_handle& out) {
    if (file_seam::operation_fails()) {
        return status_io_error;
    }
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_READ, share_all, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return status_io_error;
    }
    adopt(h, out);
    return status_ok;
}

u32 create_for_writing(const native_path& path, file_handle& out) {
    if (file_seam::operation_fails()) {
        return status_io_error;
    }
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, share_all, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return status_io_error;
    }
    bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    adopt(h, out);
    if (existed) {
        // Cutting the allocation to 0 empties the file; where that is refused, the end of file.
        FILE_ALLOCATION_INFO allocation = {};
        if (!SetFileInformationByHandle(h, FileAllocationInfo, &allocation, sizeof allocation)) {
            FILE_END_OF_FILE_INFO end = {};
            if (!SetFileInformationByHandle(h, FileEndOfFileInfo, &end, sizeof end)) {
                out.reset();
                return status_io_error;
            }
        }
    }
    return status_ok;
}

u32 size_of(const file_handle& file, u64* bytes) {
    BY_HANDLE_FILE_INFORMATION info;
    if (file_seam::operation_fails() || !GetFileInformationByHandle(as_handle(file), &info)) {
        return status_io_error;
    }
    *bytes = (u64{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    return status_ok;
}

u32 read(const file_handle& file, qv::u8* into, usize count, usize* got) {
    *got = 0;
    if (file_seam::operation_fails()) {
        return status_io_error;
    }
    while (*got < count) {
        usize left = count - *got;
        DWORD want = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!ReadFile(as_handle(file), into + *got, want, &n, nullptr)) {
            return status_io_error;
        }
        if (n == 0) {
            break;
        }
        *got += n;
    }
    return status_ok;
}

u32 write_all(const file_handle& file, const qv::u8* from, usize count) {
    if (file_seam::operation_fails()) {
        return status_io_error;
    }
    usize done = 0;
    while (done < count) {
        usize left = count - done;
        DWORD want = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!WriteFile(as_handle(file), from + done, want, &n, nullptr) || n == 0) {
            return status_io_error;
        }
        done += n;
    }
    return status_ok;
}

u32 flush_to_disk(const file_handle& file) {
    if (file_seam::operation_fails() || !FlushFileBuffers(as_handle(file))) {
        return status_io_error;
    }
    return status_ok;
}

// Windows writes a file's cached data out by itself, and FlushFileBuffers is the only call that
// waits for it: no flush is started ahead of the last one.
struct flush_ahead::flusher {};

flush_ahead::flush_ahead(const file_handle& file) : file_(file) {}

flush_ahead::~flush_ahead() = default;

void flush_ahead::start(u64) {}

u32 flush_ahead::finish() {
    return file_seam::operation_fails() ? status_io_error : status_ok;
}

u32 replace(const native_path& from, const native_path& to) {
    if (file_seam::operation_fails() || !MoveFileExW(from.c_str(), to.c_str(), replace_flags)) {
        return status_io_error;
    }
    return status_ok;
}

void remove(const native_path& path) {
    if (!file_seam::operation_fails()) {
        DeleteFileW(path.c_str());
    }
}

u32 size_of_path(const native_path& path, u64* bytes) {
    if (file_seam::operation_fails()) {
        return status_io_error;
    }
    // Attribute access is enough to measure, and works where reading would be refused.
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, share_all, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return status_io_error;
    }
    file_handle file;
    adopt(h, file);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) {
        return status_io_error;
    }
    *bytes = (u64{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    return status_ok;
}

namespace {

// What tells one existing file from another: the volume and the 128-bit file id, which stays
// unique on ReFS; where the file system cannot give that id, the volume serial and the 64-bit
// file index.
struct file_identity {
    bool has_id = false;
    bool has_index = false;
    FILE_ID_INFO id = {};
    BY_HANDLE_FILE_INFORMATION index = {};
};

// Reads the identity of an existing file through an attributes-only handle. Both forms are
// read, so that two files on file systems of different kinds compare in the form both give.
bool identify(const native_path& path, file_identity& out) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, share_all, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    file_handle file;
    adopt(h, file);
    out.has_id = GetFileInformationByHandleEx(h, FileIdInfo, &out.id, sizeof out.id) != 0;
    out.has_index = GetFileInformationByHandle(h, &out.index) != 0;
    return out.has_id || out.has_index;
}

}  // namespace

bool same_existing_file(const native_path& a, const native_path& b) {
    file_identity first;
    file_identity second;
    if (!identify(a, first) || !identify(b, second)) {
        return false;
    }
    if (first.has_id && second.has_id) {
        return first.id.VolumeSerialNumber == second.id.VolumeSerialNumber &&
               __builtin_memcmp(&first.id.FileId, &second.id.FileId, sizeof first.id.FileId) == 0;
    }
    return first.has_index && second.has_index &&
           first.index.dwVolumeSerialNumber == second.index.dwVolumeSerialNumber &&
           first.index.nFileIndexHigh == second.index.nFileIndexHigh &&
           first.index.nFileIndexLow == second.index.nFileIndexLow;
}

u32 poll_cancel(u64 cancel_object) {
    DWORD rc = WaitForSingleObject(reinterpret_cast<HANDLE>(static_cast<usize>(cancel_object)), 0);
    if (rc == WAIT_OBJECT_0) {
        return status_cancelled;
    }
    return rc == WAIT_TIMEOUT ? status_ok : status_invalid_argument;
}

u32 now_ticks(u64* ticks) {
    if (file_seam::operation_fails()) {
        return status_io_error;
    }
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    u64 since_1601 = (u64{now.dwHighDateTime} << 32) | now.dwLowDateTime;
    if (since_1601 < filetime_unix_epoch) {
        return status_io_error;
    }
    u64 since_epoch = since_1601 - filetime_unix_epoch;
    bool in_range =
        ticks_from_unix(since_epoch / ticks_per_second, since_epoch % ticks_per_second, ticks);
    return in_range ? status_ok : status_io_error;
}

}  // namespace quorven::search_core::file
