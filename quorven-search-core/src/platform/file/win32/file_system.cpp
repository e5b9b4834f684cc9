// The file layer on Windows, over the kernel's file calls. A path longer than the classic
// limit is made absolute and given the \\?\ form for every call that names a file, the rename
// included; shorter paths reach the kernel exactly as the host gave them.

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

// The absolute form of a long path with the \\?\ prefix (\\?\UNC\ for a share).
u32 make_long_form(const qv::array<wchar_t>& given, qv::array<wchar_t>& out) {
    DWORD needed = GetFullPathNameW(given.data(), 0, nullptr, nullptr);
    if (needed == 0) {
        return status_io_error;
    }
    qv::array<wchar_t> full;
    if (!full.reserve_exact(needed)) {
        return status_out_of_memory;
    }
    DWORD written = GetFullPathNameW(given.data(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) {
        return status_io_error;
    }
    const wchar_t* f = full.data();
    bool unc = written >= 2 && f[0] == L'\\' && f[1] == L'\\';
    const wchar_t* prefix = unc ? L"\\\\?\\UNC" : L"\\\\?\\";
    usize prefix_length = unc ? 7 : 4;
    usize skip = unc ? 1 : 0;  // \\server\share becomes \\?\UNC\server\share
    if (!out.reserve_exact(prefix_length + written - skip + 1)) {
        return status_out_of_memory;
    }
    out.clear();
    out.append_reserved(prefix, prefix_length);
    out.append_reserved(f + skip, written - skip);
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
    if (path.length < classic_limit || already_long) {
        out.storage() = qv::move(given);
        return status_ok;
    }
    return make_long_form(given, out.storage());
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

// Volume and file index of an existing file, read through an attributes-only handle.
bool identify(const native_path& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, share_all, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    file_handle file;
    adopt(h, file);
    return GetFileInformationByHandle(h, &info) != 0;
}

}  // namespace

bool same_existing_file(const native_path& a, const native_path& b) {
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    return identify(a, first) && identify(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
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
