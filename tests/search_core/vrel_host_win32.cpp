// The index-file tests' machine services on Windows, over the Win32 calls. Every path reaches
// the kernel in its absolute \\?\ form, so that paths of any length the library accepts work
// here too, whatever the library itself does with them.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <stdexcept>
#include <string>

#include "vrel_host.h"

namespace test::host {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring wide(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
}

std::u16string from_wide(const wchar_t* s, size_t length) {
    return std::u16string(s, s + length);
}

// The absolute \\?\ form of a path, for the kernel.
std::wstring kernel_path(const std::u16string& path) {
    std::wstring given = wide(path);
    if (given.rfind(L"\\\\?\\", 0) == 0) {
        return given;
    }
    DWORD needed = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return given;  // the call that uses it fails and says so
    }
    std::wstring full(needed, L'\0');
    DWORD written = GetFullPathNameW(given.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) {
        return given;
    }
    full.resize(written);
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

class handle_owner {
  public:
    explicit handle_owner(HANDLE h) : h_(h) {}
    ~handle_owner() {
        if (h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
    }
    handle_owner(const handle_owner&) = delete;
    handle_owner& operator=(const handle_owner&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE h_;
};

// Names in a directory given in kernel form, "." and ".." left out, with their attributes.
std::vector<WIN32_FIND_DATAW> entries_in(const std::wstring& dir) {
    std::vector<WIN32_FIND_DATAW> out;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return out;
    }
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            out.push_back(data);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return out;
}

void remove_tree(const std::wstring& dir) {
    for (const WIN32_FIND_DATAW& e : entries_in(dir)) {
        std::wstring path = dir + L"\\" + e.cFileName;
        bool is_dir = (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool is_link = (e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (is_dir && !is_link) {
            remove_tree(path);
        } else if (is_dir) {
            RemoveDirectoryW(path.c_str());
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(dir.c_str());
}

}  // namespace

char16_t separator() {
    return u'\\';
}

std::u16string join(const std::u16string& dir, std::u16string_view name) {
    return dir + u'\\' + std::u16string(name);
}

bool names_ignore_case() {
    return true;
}

size_t classic_path_limit() {
    return MAX_PATH;
}

bool takes_every_path() {
    // Wine's ntdll exports its version; Windows' does not.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

std::u16string longest_form(const std::u16string& absolute_path) {
    return u"\\\\?\\" + absolute_path;
}

temp_dir::temp_dir() {
    wchar_t base[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, base);
    if (length == 0 || length > MAX_PATH) {
        throw std::runtime_error("GetTempPathW failed");
    }
    std::u16string parent = from_wide(base, length);
    while (!parent.empty() && parent.back() == u'\\') {
        parent.pop_back();
    }
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string leaf = "quorven-vrel-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(counter++) + "-" + std::to_string(GetTickCount64());
        std::u16string candidate = join(parent, std::u16string(leaf.begin(), leaf.end()));
        if (CreateDirectoryW(kernel_path(candidate).c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    throw std::runtime_error("CreateDirectoryW failed for the temporary directory");
}

temp_dir::~temp_dir() {
    remove_tree(kernel_path(path_));
}

bool write_file(const std::u16string& path, const bytes& content) {
    handle_owner file(CreateFileW(kernel_path(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    size_t done = 0;
    while (done < content.size()) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        DWORD n = 0;
        if (!WriteFile(file.get(), content.data() + done, want, &n, nullptr) || n == 0) {
            return false;
        }
        done += n;
    }
    return true;
}

std::optional<bytes> read_file(const std::u16string& path) {
    handle_owner file(CreateFileW(kernel_path(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) {
        return std::nullopt;
    }
    bytes out;
    uint8_t chunk[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr)) {
            return std::nullopt;
        }
        if (n == 0) {
            return out;
        }
        out.insert(out.end(), chunk, chunk + n);
    }
}

bool exists(const std::u16string& path) {
    return GetFileAttributesW(kernel_path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::u16string> list_dir(const std::u16string& dir) {
    std::vector<std::u16string> names;
    for (const WIN32_FIND_DATAW& e : entries_in(kernel_path(dir))) {
        names.push_back(from_wide(e.cFileName, wcslen(e.cFileName)));
    }
    return names;
}

bool make_dir(const std::u16string& path) {
    return CreateDirectoryW(kernel_path(path).c_str(), nullptr) != 0;
}

std::u16string make_deep_dirs(const std::u16string& base, int levels, int name_units,
                              char16_t fill) {
    std::u16string path = base;
    for (int i = 0; i < levels; ++i) {
        path = join(path, std::u16string(static_cast<size_t>(name_units), fill));
        if (!make_dir(path)) {
            throw std::runtime_error("CreateDirectoryW failed, error " +
                                     std::to_string(GetLastError()));
        }
    }
    return path;
}

held_file::held_file(const std::u16string& path) {
    HANDLE h =
        CreateFileW(kernel_path(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("CreateFileW failed, error " + std::to_string(GetLastError()));
    }
    handle_ = static_cast<int64_t>(reinterpret_cast<intptr_t>(h));
}

held_file::~held_file() {
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle_)));
}

bool held_files_lock_others_out() {
    return true;
}

current_dir::current_dir(const std::u16string& path) {
    wchar_t previous[MAX_PATH + 1];
    DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, previous);
    if (length == 0 || length > MAX_PATH) {
        throw std::runtime_error("GetCurrentDirectoryW failed");
    }
    previous_ = from_wide(previous, length);
    if (!SetCurrentDirectoryW(wide(path).c_str())) {
        throw std::runtime_error("SetCurrentDirectoryW failed, error " +
                                 std::to_string(GetLastError()));
    }
}

current_dir::~current_dir() {
    if (!SetCurrentDirectoryW(wide(previous_).c_str())) {
        std::abort();
    }
}

cancel_object::cancel_object() {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) {
        throw std::runtime_error("CreateEventW failed");
    }
    value_ = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(event));
}

cancel_object::~cancel_object() {
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value_)));
}

void cancel_object::signal() {
    if (!SetEvent(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value_)))) {
        throw std::runtime_error("SetEvent failed");
    }
}

uint64_t invalid_cancel_object() {
    // Far above any handle a process can hold (its table stops at 2^24 handles), and not one of
    // the pseudo handles, which count down from -1.
    return 0x7FFFFFF8u;
}

}  // namespace test::host
