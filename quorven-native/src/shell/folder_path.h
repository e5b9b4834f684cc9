// Full paths and folder comparison, shared by the Recycle Bin and Quick Access: a path made
// absolute by GetFullPathNameW (relative ones against the process's current folder), and two
// folders compared ignoring letter case and trailing separators.
#pragma once

#include "frame.h"
#include "platform/shell_api.h"

namespace quorven::native {

// Owner of one normalised path, a zero-filled process-heap buffer.
class full_path {
  public:
    full_path() = default;
    ~full_path() { release(); }
    full_path(const full_path&) = delete;
    full_path& operator=(const full_path&) = delete;

    // Normalises the terminated `path`: asks for the size, then for the text, and once more
    // when the size grew in between. On failure `error` holds the thread's last error as an
    // HRESULT (which is 0 when the system left no error code).
    bool assign(const WCHAR* path, i32& error);
    const WCHAR* units() const { return units_; }
    u32 length() const { return length_; }

  private:
    bool reserve(DWORD units);
    void release();

    WCHAR* units_ = nullptr;
    u32 length_ = 0;
};

// Whether two folders are the same: every trailing `\` and `/` stripped from both, then
// CompareStringOrdinal ignoring case.
bool same_folder(const WCHAR* a, u32 a_length, const WCHAR* b, u32 b_length);

}  // namespace quorven::native
