// GetFullPathNameW with its size protocol, and the folder comparison.

#include "shell/folder_path.h"

#include "platform/shell_ids.h"
#include "qv/fatal.h"

namespace quorven::native {

namespace {

// The thread's last error as an HRESULT: codes of 0 or below unchanged, positive ones in the
// Win32 facility.
i32 last_error_result() {
    DWORD error = GetLastError();
    i32 code = static_cast<i32>(error);
    if (code <= 0) {
        return code;
    }
    return static_cast<i32>(0x80070000u | (error & 0xFFFFu));
}

bool failure(i32& error, i32 code) {
    error = code;
    return false;
}

u32 without_trailing_separators(const WCHAR* units, u32 length) {
    while (length > 0 && (units[length - 1] == '\\' || units[length - 1] == '/')) {
        --length;
    }
    return length;
}

}  // namespace

bool full_path::reserve(DWORD units) {
    release();
    units_ = static_cast<WCHAR*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY,
                                           static_cast<qv::usize>(units) * sizeof(WCHAR)));
    return units_ != nullptr;
}

void full_path::release() {
    if (units_ != nullptr) {
        HeapFree(GetProcessHeap(), 0, units_);
        units_ = nullptr;
    }
    length_ = 0;
}

bool full_path::assign(const WCHAR* path, i32& error) {
    QV_CHECK(units_ == nullptr);
    DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (needed == 0) {
        return failure(error, last_error_result());
    }
    if (!reserve(needed)) {
        return failure(error, hr_out_of_memory);
    }
    DWORD written = GetFullPathNameW(path, needed, units_, nullptr);
    if (written == 0) {
        return failure(error, last_error_result());
    }
    if (written >= needed) {
        // The size grew in between (the current folder changed): one more try with room to
        // spare. Only a result that fits the new buffer with its terminator is a path.
        if (written == 0xFFFFFFFFu) {
            return failure(error, last_error_result());
        }
        needed = written + 1;
        if (!reserve(needed)) {
            return failure(error, hr_out_of_memory);
        }
        written = GetFullPathNameW(path, needed, units_, nullptr);
        if (written == 0 || written >= needed) {
            return failure(error, last_error_result());
        }
    }
    length_ = written;
    return true;
}

bool same_folder(const WCHAR* a, u32 a_length, const WCHAR* b, u32 b_length) {
    a_length = without_trailing_separators(a, a_length);
    b_length = without_trailing_separators(b, b_length);
    return CompareStringOrdinal(a, static_cast<int>(a_length), b, static_cast<int>(b_length),
                                TRUE) == flags::compare_equal;
}

}  // namespace quorven::native
