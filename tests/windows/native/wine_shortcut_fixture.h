// Scaffolding for the shortcut tests that run against the real shell link object: a scratch
// folder in the prefix's temp folder, removed with everything in it after each test, and
// builders for the records a host fills.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_records.h"
#include "quorven/native.h"

namespace wine_native_test {

inline quorven_utf16_string string_of(const std::wstring& text) {
    return native_records::string_of(text);
}
using host_buffer = native_records::host_buffer<wchar_t>;

// The flags the resolve with UI passes to the shell, written out rather than taken from the
// header, so that a wrong value in the header cannot agree with itself: SLR_UPDATE (0x4) |
// SLR_NOSEARCH (0x10) | SLR_OFFER_DELETE_WITHOUT_FILE (0x200).
constexpr uint32_t resolve_ui_flags = 0x214u;

// The five values of a shortcut and its icon index.
struct link_values {
    std::wstring target;
    std::wstring description;
    std::wstring arguments;
    std::wstring working_directory;
    std::wstring icon_path;
    int32_t icon_index = 0;
};

struct write_request {
    write_request(const std::wstring& link, const link_values& written)
        : path(link), values(written) {
        record.size = QUORVEN_SHORTCUT_REQUEST_V2_SIZE;
        record.version = QUORVEN_SHORTCUT_RECORD_VERSION;
        record.mode = QUORVEN_SHORTCUT_MODE_WRITE;
        record.icon_index = values.icon_index;
        record.link_path = string_of(path);
        record.target.string = string_of(values.target);
        record.description.string = string_of(values.description);
        record.arguments.string = string_of(values.arguments);
        record.working_directory.string = string_of(values.working_directory);
        record.icon_path.string = string_of(values.icon_path);
    }
    write_request(const write_request&) = delete;
    write_request& operator=(const write_request&) = delete;

    std::wstring path;
    link_values values;
    quorven_shortcut_request_v2 record{};
};

struct read_request {
    read_request(const std::wstring& link, uint32_t mode, uint32_t capacity = 1024)
        : path(link),
          target(capacity),
          description(capacity),
          arguments(capacity),
          working_directory(capacity),
          icon_path(capacity) {
        record.size = QUORVEN_SHORTCUT_REQUEST_V2_SIZE;
        record.version = QUORVEN_SHORTCUT_RECORD_VERSION;
        record.mode = mode;
        record.link_path = string_of(path);
        record.target.buffer = target.record();
        record.description.buffer = description.record();
        record.arguments.buffer = arguments.record();
        record.working_directory.buffer = working_directory.record();
        record.icon_path.buffer = icon_path.record();
    }
    read_request(const read_request&) = delete;
    read_request& operator=(const read_request&) = delete;

    bool all_untouched() const {
        return target.untouched() && description.untouched() && arguments.untouched() &&
               working_directory.untouched() && icon_path.untouched();
    }

    std::wstring path;
    host_buffer target, description, arguments, working_directory, icon_path;
    quorven_shortcut_request_v2 record{};
};

// A result record full of garbage with a valid header, as a careless host might hand it in.
template <typename Result>
Result fresh_result(uint32_t version = QUORVEN_SHORTCUT_RECORD_VERSION) {
    Result result;
    std::memset(&result, 0xAB, sizeof result);
    result.size = sizeof(Result);
    result.version = version;
    return result;
}

inline quorven_shortcut_write_result_v2 write_link(const write_request& request) {
    auto result = fresh_result<quorven_shortcut_write_result_v2>();
    EXPECT_EQ(quorven_shortcut_write_v2(&request.record, &result), result.status);
    return result;
}

inline quorven_shortcut_read_result_v2 read_link(const read_request& request) {
    auto result = fresh_result<quorven_shortcut_read_result_v2>();
    EXPECT_EQ(quorven_shortcut_read_v2(&request.record, &result), result.status);
    return result;
}

inline quorven_shortcut_read_result_v2 resolve_link_no_ui(const read_request& request,
                                                          uint32_t timeout_ms = 5000) {
    quorven_shortcut_resolve_request_v2 record{};
    record.size = QUORVEN_SHORTCUT_RESOLVE_REQUEST_V2_SIZE;
    record.version = QUORVEN_SHORTCUT_RECORD_VERSION;
    record.timeout_ms = timeout_ms;
    record.shortcut = request.record;
    auto result = fresh_result<quorven_shortcut_read_result_v2>();
    EXPECT_EQ(quorven_shortcut_resolve_no_ui_v2(&record, &result), result.status);
    return result;
}

inline quorven_shortcut_resolve_ui_result_v2 resolve_link_with_ui(const std::wstring& link) {
    quorven_shortcut_resolve_ui_request_v2 record{};
    record.size = QUORVEN_SHORTCUT_RESOLVE_UI_REQUEST_V2_SIZE;
    record.version = QUORVEN_SHORTCUT_RECORD_VERSION;
    record.link_path = string_of(link);
    auto result = fresh_result<quorven_shortcut_resolve_ui_result_v2>();
    EXPECT_EQ(quorven_shortcut_resolve_with_ui_v2(&record, &result), result.status);
    return result;
}

// The five values of a full read, as the host got them.
inline link_values values_read(const read_request& request,
                               const quorven_shortcut_read_result_v2& result) {
    return link_values{request.target.value(),    request.description.value(),
                       request.arguments.value(), request.working_directory.value(),
                       request.icon_path.value(), result.icon_index};
}

inline void expect_same_values(const link_values& got, const link_values& want) {
    EXPECT_EQ(got.target, want.target);
    EXPECT_EQ(got.description, want.description);
    EXPECT_EQ(got.arguments, want.arguments);
    EXPECT_EQ(got.working_directory, want.working_directory);
    EXPECT_EQ(got.icon_path, want.icon_path);
    EXPECT_EQ(got.icon_index, want.icon_index);
}

// Each test works in its own folder under the prefix's temp folder. Tests run in parallel
// processes, hence the process id in the name.
class wine_shortcut : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        ASSERT_GT(length, 0u);
        ASSERT_LE(length, static_cast<DWORD>(MAX_PATH));
        folder_ = std::wstring(temp, length) + L"quorven-native-" +
                  std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial_);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr)) << GetLastError();
    }

    void TearDown() override {
        if (folder_.empty()) {
            return;
        }
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name != L"." && name != L"..") {
                    EXPECT_TRUE(DeleteFileW(in_folder(name).c_str())) << GetLastError();
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        EXPECT_TRUE(RemoveDirectoryW(folder_.c_str())) << GetLastError();
    }

    std::wstring in_folder(const std::wstring& name) const { return folder_ + L"\\" + name; }

    // An empty file, so that the shell finds the target it is given.
    std::wstring make_file(const std::wstring& name) const {
        std::wstring path = in_folder(name);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        CloseHandle(file);
        return path;
    }

    static bool file_exists(const std::wstring& path) {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::wstring folder_;

  private:
    static inline unsigned serial_ = 0;
};

}  // namespace wine_native_test
