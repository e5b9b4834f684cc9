// The process queries over the scripted sessions: a process id that some session reports with
// an image path can be opened, and its handle reports that path.

#include <string.h>

#include "audio_store.h"
#include "call_state.h"
#include "win_standin/process.h"

using namespace standin::detail;

namespace {

bool all_zero(const WCHAR* units, DWORD count) {
    for (DWORD i = 0; i < count; ++i) {
        if (units[i] != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

// Arguments logged: the access mask, the inherit flag and the process id.
extern "C" HANDLE WINAPI OpenProcess(DWORD access, BOOL inherit, DWORD process_id) {
    auto scripted = enter("OpenProcess", {access, inherit, process_id});
    if (replaces_work(scripted)) {
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    for (const standin::audio_session& session : audio().sessions) {
        if (session.process_id == process_id && process_id != 0 && !session.image_path.empty()) {
            audio().next_handle += 4;
            HANDLE handle = reinterpret_cast<HANDLE>(audio().next_handle);
            audio().process_handles[handle] = session.image_path;
            return handle;
        }
    }
    return nullptr;
}

// Arguments logged: the flags, the size passed in, and 1 when the buffer came zero-filled.
extern "C" BOOL WINAPI QueryFullProcessImageNameW(HANDLE process, DWORD flags, LPWSTR name,
                                                  PDWORD size) {
    int64_t zeroed = name != nullptr && size != nullptr && all_zero(name, *size);
    auto scripted = enter("QueryFullProcessImageNameW",
                          {flags, size != nullptr ? static_cast<int64_t>(*size) : -1, zeroed});
    if (replaces_work(scripted) || name == nullptr || size == nullptr) {
        return FALSE;
    }
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    auto found = audio().process_handles.find(process);
    if (found == audio().process_handles.end() || found->second.size() >= *size) {
        return FALSE;
    }
    memcpy(name, found->second.data(), found->second.size() * sizeof(WCHAR));
    name[found->second.size()] = 0;
    *size = static_cast<DWORD>(found->second.size());
    return TRUE;
}

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
    enter("CloseHandle");
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    auto found = audio().process_handles.find(handle);
    if (found == audio().process_handles.end()) {
        ++state().count.heap_misuse;
        return FALSE;
    }
    audio().process_handles.erase(found);
    return TRUE;
}
