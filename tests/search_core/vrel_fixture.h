// Helpers of the index-file tests: calling open and save with readable arguments, and crafting
// files byte by byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "quorven/search_core.h"
#include "search_fixture.h"
#include "vrel_host.h"

namespace test::vrel {

constexpr uint64_t utc(uint64_t ticks) {
    return QUORVEN_SC_TIME_BINARY_UTC(ticks);
}

inline quorven_search_core_open_vrel_request_v1 open_request(const std::u16string& path,
                                                             uint32_t max_entries = 300000,
                                                             uint64_t cancel = 0) {
    auto r = blank_record<quorven_search_core_open_vrel_request_v1>();
    r.path = QUORVEN_SC_PTR_TO_U64(path.data());
    r.path_length = static_cast<uint32_t>(path.size());
    r.max_entries = max_entries;
    r.cancel_event = cancel;
    return r;
}

inline quorven_search_core_open_vrel_result_v1 open_file(const std::u16string& path,
                                                         uint32_t max_entries = 300000,
                                                         uint64_t cancel = 0) {
    auto request = open_request(path, max_entries, cancel);
    auto result = blank_record<quorven_search_core_open_vrel_result_v1>();
    uint32_t status = quorven_search_core_open_vrel_v1(&request, &result);
    EXPECT_EQ(status, result.status);
    if (status != 0) {
        EXPECT_TRUE(is_reset_with_status(result, status));
    }
    return result;
}

// The status of opening a file, with any store it made destroyed.
inline uint32_t open_status(const std::u16string& path, uint32_t max_entries = 300000) {
    auto result = open_file(path, max_entries);
    if (result.handle != 0) {
        quorven_search_core_destroy_v1(QUORVEN_SC_HANDLE_FROM_U64(result.handle));
    }
    return result.status;
}

inline quorven_search_core_save_vrel_request_v1 save_request(const std::u16string& path,
                                                             const std::u16string& temp,
                                                             uint64_t cancel = 0) {
    auto r = blank_record<quorven_search_core_save_vrel_request_v1>();
    r.path = QUORVEN_SC_PTR_TO_U64(path.data());
    r.path_length = static_cast<uint32_t>(path.size());
    r.temp_path = QUORVEN_SC_PTR_TO_U64(temp.data());
    r.temp_path_length = static_cast<uint32_t>(temp.size());
    r.cancel_event = cancel;
    return r;
}

inline quorven_search_core_save_vrel_result_v1 save_store(quorven_search_core_handle store,
                                                          const std::u16string& path,
                                                          const std::u16string& temp,
                                                          uint64_t cancel = 0) {
    auto request = save_request(path, temp, cancel);
    auto result = blank_record<quorven_search_core_save_vrel_result_v1>();
    uint32_t status = quorven_search_core_save_vrel_v1(store, &request, &result);
    EXPECT_EQ(status, result.status);
    if (status != 0) {
        EXPECT_TRUE(is_reset_with_status(result, status));
    }
    return result;
}

// A store of `count` entries spread over `dirs` directories.
inline std::vector<entry> many_entries(uint32_t count, uint32_t dirs) {
    std::vector<entry> out;
    for (uint32_t i = 0; i < count; ++i) {
        std::string number = std::to_string(i % dirs);
        out.push_back({u"C:\\d" + std::u16string(number.begin(), number.end()),
                       u"name" + std::u16string(1 + i % 7, u'n'), i, 0});
    }
    return out;
}

// An index file put together field by field, valid or not.
class file_builder {
  public:
    file_builder& u8(uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    file_builder& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    file_builder& u64(uint64_t v) {
        for (int i = 0; i < 8; ++i) {
            bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    file_builder& raw(const std::string& s) {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        return *this;
    }
    file_builder& varint(uint32_t v) {
        while (v >= 0x80) {
            u8(static_cast<uint8_t>(v | 0x80));
            v >>= 7;
        }
        return u8(static_cast<uint8_t>(v));
    }
    file_builder& header(uint32_t dir_count, uint64_t saved_at = 1000) {
        return u32(QUORVEN_SC_VREL_MAGIC).u32(1).u64(saved_at).u32(dir_count);
    }
    // A directory record with its UTF-8 text.
    file_builder& dir(const std::string& utf8) {
        return varint(static_cast<uint32_t>(utf8.size())).raw(utf8);
    }
    file_builder& entry(uint32_t dir_id, const std::string& utf8, uint8_t is_folder = 0,
                        uint64_t time_binary = utc(5)) {
        return u32(dir_id)
            .u32(static_cast<uint32_t>(utf8.size()))
            .raw(utf8)
            .u8(is_folder)
            .u64(time_binary);
    }
    const host::bytes& bytes() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

  private:
    host::bytes bytes_;
};

// A file's bytes with another saved_at in the header: two saves of one store differ in nothing
// else.
inline host::bytes with_saved_at(host::bytes file, uint64_t saved_at) {
    for (size_t i = 0; i < 8 && 8 + i < file.size(); ++i) {
        file[8 + i] = static_cast<uint8_t>(saved_at >> (8 * i));
    }
    return file;
}

// One directory "d" and one entry "n": the smallest useful valid file.
inline host::bytes minimal_file() {
    return file_builder().header(1).dir("d").u32(1).entry(0, "n").bytes();
}

}  // namespace test::vrel
