// Full paths against a scripted current folder, ordinal string comparison with ICU's simple
// upper-casing, and the thread's last error.

#include <unicode/uchar.h>

#include <string>
#include <utility>
#include <vector>

#include "call_state.h"
#include "win_standin/shell_automation_script.h"

using namespace standin::detail;

namespace {

thread_local DWORD last_error = 0;

// Guarded by state().lock.
struct path_state {
    std::u16string directory = u"C:\\Users\\ada";
    // Changes of the current folder that take effect after a given GetFullPathNameW call.
    std::vector<std::pair<unsigned, std::u16string>> pending;
    unsigned calls = 0;
};

path_state& paths() {
    static path_state instance;
    return instance;
}

std::vector<std::u16string> split(const std::u16string& text) {
    std::vector<std::u16string> parts;
    size_t at = 0;
    while (at <= text.size()) {
        size_t next = text.find(u'\\', at);
        if (next == std::u16string::npos) {
            next = text.size();
        }
        parts.push_back(text.substr(at, next - at));
        at = next + 1;
    }
    return parts;
}

// The full form of `path`, as Windows makes it for drive paths: separators as `\`, relative
// paths against the current folder, `.` and `..` segments and doubled separators removed, a
// trailing separator kept.
std::u16string full_form(std::u16string path, const std::u16string& directory) {
    for (char16_t& unit : path) {
        if (unit == u'/') {
            unit = u'\\';
        }
    }
    bool drive = path.size() >= 2 && path[1] == u':';
    std::u16string root;
    std::u16string rest;
    if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
        root = u"\\\\";
        rest = path.substr(2);
    } else if (drive && path.size() >= 3 && path[2] == u'\\') {
        root = path.substr(0, 3);
        rest = path.substr(3);
    } else if (drive) {
        root = path.substr(0, 2) + u"\\";
        rest = path.substr(2);
    } else if (!path.empty() && path[0] == u'\\') {
        root = directory.substr(0, 3);
        rest = path.substr(1);
    } else {
        root = directory.substr(0, 3);
        rest = directory.substr(3) + u"\\" + path;
    }
    std::vector<std::u16string> kept;
    for (const std::u16string& part : split(rest)) {
        if (part == u"..") {
            if (!kept.empty()) {
                kept.pop_back();
            }
        } else if (!part.empty() && part != u".") {
            kept.push_back(part);
        }
    }
    std::u16string out = root;
    for (size_t i = 0; i < kept.size(); ++i) {
        out += (i == 0 ? u"" : u"\\") + kept[i];
    }
    if (!kept.empty() && path.back() == u'\\') {
        out += u'\\';
    }
    return out;
}

}  // namespace

namespace standin {

void set_current_directory(const std::u16string& directory, unsigned after_call) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    if (after_call == 0) {
        paths().directory = directory;
    } else {
        paths().pending.emplace_back(after_call, directory);
    }
}

namespace detail {

void reset_paths() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    paths() = path_state{};
    last_error = 0;
}

}  // namespace detail
}  // namespace standin

// Arguments logged: the buffer size. A scripted failure returns 0 with the scripted HRESULT as
// the last error.
extern "C" DWORD WINAPI GetFullPathNameW(LPCWSTR name, DWORD buffer_length, LPWSTR buffer,
                                         LPWSTR* file_part) {
    auto scripted = enter("GetFullPathNameW", {buffer_length});
    std::u16string full;
    {
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        unsigned call = ++paths().calls;
        for (const auto& [after, directory] : paths().pending) {
            if (after < call) {
                paths().directory = directory;
            }
        }
        if (scripted && scripted->hr < 0) {
            last_error = static_cast<DWORD>(scripted->hr);
            return 0;
        }
        if (name == nullptr || name[0] == 0) {
            last_error = ERROR_INVALID_NAME;
            return 0;
        }
        full = full_form(name, paths().directory);
    }
    if (file_part != nullptr) {
        *file_part = nullptr;
    }
    DWORD length = static_cast<DWORD>(full.size());
    if (buffer == nullptr || buffer_length <= length) {
        return length + 1;
    }
    full.copy(buffer, full.size());
    buffer[length] = 0;
    return length;
}

// Compares UTF-16 units, upper-cased one by one when case is ignored. -1 counts up to the
// terminator.
extern "C" int WINAPI CompareStringOrdinal(const WCHAR* first, int first_count, const WCHAR* second,
                                           int second_count, BOOL ignore_case) {
    enter("CompareStringOrdinal", {first_count, second_count, ignore_case});
    if (first == nullptr || second == nullptr || first_count < -1 || second_count < -1) {
        last_error = ERROR_INVALID_PARAMETER;
        return 0;
    }
    std::u16string a = first_count < 0 ? std::u16string(first)
                                       : std::u16string(first, static_cast<size_t>(first_count));
    std::u16string b = second_count < 0 ? std::u16string(second)
                                        : std::u16string(second, static_cast<size_t>(second_count));
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        UChar32 x = a[i];
        UChar32 y = b[i];
        if (ignore_case) {
            x = u_toupper(x);
            y = u_toupper(y);
        }
        if (x != y) {
            return x < y ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
        }
    }
    if (a.size() == b.size()) {
        return CSTR_EQUAL;
    }
    return a.size() < b.size() ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}

extern "C" DWORD WINAPI GetLastError(void) {
    enter("GetLastError");
    return last_error;
}

extern "C" void WINAPI SetLastError(DWORD error) {
    enter("SetLastError");
    last_error = error;
}
