// Opening a process for the limited query, reading its image path into a zero-filled buffer of
// the longest path the system reports, and keeping the executable's name. The buffer is freed
// and the handle closed before the next session, in that order.

#include "music_volume/process_image.h"

#include "platform/core_audio.h"
#include "qv/unique.h"

namespace quorven::native {

namespace {

// Longest image path, in units: 64 KiB.
constexpr DWORD path_units = 32768;

struct process_handle_traits {
    using handle_type = HANDLE;
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE handle) { CloseHandle(handle); }
};
using process_handle = qv::unique_resource<process_handle_traits>;

class path_buffer {
  public:
    path_buffer()
        : units_(static_cast<WCHAR*>(
              HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, path_units * sizeof(WCHAR)))) {}
    ~path_buffer() {
        if (units_ != nullptr) {
            HeapFree(GetProcessHeap(), 0, units_);
        }
    }
    path_buffer(const path_buffer&) = delete;
    path_buffer& operator=(const path_buffer&) = delete;

    WCHAR* get() const { return units_; }

  private:
    WCHAR* units_;
};

}  // namespace

bool read_executable_key(DWORD process_id, name_key& key) {
    key.clear();
    if (process_id == 0) {
        return true;
    }
    process_handle process(OpenProcess(flags::query_limited_information, FALSE, process_id));
    if (!process.valid()) {
        return true;
    }
    path_buffer path;
    if (path.get() == nullptr) {
        return false;
    }
    DWORD length = path_units;
    if (!QueryFullProcessImageNameW(process.get(), 0, path.get(), &length) ||
        length >= path_units) {
        return true;
    }
    const u16* units = reinterpret_cast<const u16*>(path.get());
    u32 first = 0;
    u32 count = 0;
    executable_name(units, length, first, count);
    return key.assign(units + first, count, ill_formed_text::replace);
}

}  // namespace quorven::native
