// Shared test scaffolding: a fixture that resets the stand-in and checks, after every export
// call, that the call left nothing behind; builders for the request records.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_records.h"
#include "native_exports.h"
#include "quorven/native.h"
#include "win_standin/script.h"
#include "win_standin/shell_link_script.h"

namespace native_test {

inline const std::u16string link_path = u"C:\\Users\\ada\\Desktop\\Editor.lnk";

inline quorven_utf16_string string_of(const std::u16string& text) {
    return native_records::string_of(text);
}
using host_buffer = native_records::host_buffer<char16_t>;

// A read request with its five buffers.
struct read_request {
    explicit read_request(uint32_t mode, uint32_t capacity = 600)
        : target(capacity),
          description(capacity),
          arguments(capacity),
          working_directory(capacity),
          icon_path(capacity) {
        record.size = QUORVEN_SHORTCUT_REQUEST_V2_SIZE;
        record.version = QUORVEN_SHORTCUT_RECORD_VERSION;
        record.mode = mode;
        record.link_path = string_of(path);
        bind();
    }
    // Points the record at the buffers again, after a test replaced one.
    void bind() {
        record.target.buffer = target.record();
        record.description.buffer = description.record();
        record.arguments.buffer = arguments.record();
        record.working_directory.buffer = working_directory.record();
        record.icon_path.buffer = icon_path.record();
    }
    std::u16string path = link_path;
    host_buffer target, description, arguments, working_directory, icon_path;
    quorven_shortcut_request_v2 record{};
};

// A write request; the strings live in the struct.
struct write_request {
    write_request() {
        record.size = QUORVEN_SHORTCUT_REQUEST_V2_SIZE;
        record.version = QUORVEN_SHORTCUT_RECORD_VERSION;
        bind();
    }
    void bind() {
        record.link_path = string_of(path);
        record.target.string = string_of(target);
        record.description.string = string_of(description);
        record.arguments.string = string_of(arguments);
        record.working_directory.string = string_of(working_directory);
        record.icon_path.string = string_of(icon_path);
    }
    std::u16string path = link_path;
    std::u16string target = u"C:\\Tools\\editor.exe";
    std::u16string description;
    std::u16string arguments;
    std::u16string working_directory;
    std::u16string icon_path;
    quorven_shortcut_request_v2 record{};
};

template <typename Result>
Result fresh_result(uint32_t version = QUORVEN_SHORTCUT_RECORD_VERSION) {
    Result result;
    std::memset(&result, 0xAB, sizeof result);
    result.size = sizeof(Result);
    result.version = version;
    return result;
}

inline const int32_t pending = QUORVEN_NATIVE_HR_PENDING;
inline const int32_t invalid_arg = QUORVEN_NATIVE_HR_INVALID_ARG;

class native_fixture : public ::testing::Test {
  protected:
    void SetUp() override {
        standin::reset();
        depth_before_ = standin::apartment_depth();
    }
    void TearDown() override { expect_nothing_left_behind(); }

    // What every export call must leave: all COM objects released, the thread's apartment as it
    // was, every heap copy and BSTR freed, each failing call's error object fetched.
    void expect_nothing_left_behind() {
        standin::counters c = standin::snapshot();
        EXPECT_EQ(c.objects_live, 0) << "COM objects not released";
        EXPECT_EQ(c.heap_blocks_live, 0) << "heap copies not freed";
        EXPECT_EQ(c.bstrs_live, 0) << "BSTRs not freed";
        EXPECT_EQ(c.variants_live, 0) << "VARIANTs not cleared";
        EXPECT_EQ(c.prop_variants_live, 0) << "PROPVARIANTs not cleared";
        EXPECT_EQ(c.heap_misuse, 0);
        EXPECT_EQ(c.unbalanced_uninitialize, 0);
        EXPECT_EQ(c.stale_error_objects, 0) << "error object not fetched right after a failure";
        EXPECT_EQ(c.error_objects_fetched, c.error_objects_set);
        EXPECT_FALSE(standin::error_object_pending());
        EXPECT_EQ(standin::apartment_depth(), depth_before_) << "apartment not balanced";
    }

    static void put_link(const standin::link_file& file, const std::u16string& path = link_path) {
        standin::put_link_file(path, file);
    }

    static standin::link_file sample_link() { return sample_link_file(); }

    int depth_before_ = 0;
};

// The log without the heap and error bookkeeping, to check the order of COM calls.
inline std::vector<std::string> com_calls() {
    std::vector<std::string> out;
    for (const std::string& call : standin::call_log()) {
        if (call != "GetProcessHeap" && call != "HeapAlloc" && call != "HeapFree") {
            out.push_back(call);
        }
    }
    return out;
}

}  // namespace native_test
