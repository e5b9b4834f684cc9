// COM serves an apartment-threaded object (the shell's) to a multithreaded caller from a host
// thread of its own, which is told to quit when the caller's apartment goes and is not waited for.
// A test program that ends while that thread is still uninitialising can crash inside Wine's
// process exit: the program ends with 139 (SIGSEGV) after every test passed. A test that calls
// the exports on a multithreaded thread notes the host threads that appeared during its calls and
// waits for them to end after leaving the apartment.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace wine_native_test {

class com_host_threads {
  public:
    com_host_threads() = default;
    com_host_threads(const com_host_threads&) = delete;
    com_host_threads& operator=(const com_host_threads&) = delete;
    ~com_host_threads() {
        for (HANDLE thread : handles_) {
            CloseHandle(thread);
        }
    }

    // On the multithreaded thread: before its first call, then again before it leaves the
    // apartment. The threads that own an apartment window the second time but not the first are
    // the host threads of its calls.
    void note_before_calls() { before_ = apartment_threads(); }
    void note_after_calls() {
        for (DWORD id : apartment_threads()) {
            if (std::find(before_.begin(), before_.end(), id) == before_.end()) {
                if (HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id)) {
                    handles_.push_back(thread);
                }
            }
        }
    }

    // After the multithreaded thread has left its apartment: true once every host thread ended.
    bool all_ended(DWORD timeout_ms = 30000) const {
        for (HANDLE thread : handles_) {
            if (WaitForSingleObject(thread, timeout_ms) != WAIT_OBJECT_0) {
                return false;
            }
        }
        return true;
    }

  private:
    // The threads of this process that own a COM apartment's message-only window.
    static std::vector<DWORD> apartment_threads() {
        std::vector<DWORD> ids;
        HWND window = nullptr;
        while ((window = FindWindowExW(HWND_MESSAGE, window, L"OleMainThreadWndClass", nullptr)) !=
               nullptr) {
            DWORD process = 0;
            DWORD thread = GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId()) {
                ids.push_back(thread);
            }
        }
        return ids;
    }

    std::vector<DWORD> before_;
    std::vector<HANDLE> handles_;
};

}  // namespace wine_native_test
