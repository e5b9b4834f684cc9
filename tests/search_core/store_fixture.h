// Helpers shared by the search core tests: building batches from readable strings, and a store
// owned for the length of a test, all driven through the library's C exports.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "blank_record.h"
#include "quorven/search_core.h"

namespace test {

struct entry {
    std::u16string dir;
    std::u16string name;
    uint64_t timestamp = 0;
    uint32_t is_folder = 0;
};

// One add_batch request with its own text and records.
class batch {
  public:
    batch() = default;
    explicit batch(const std::vector<entry>& entries) {
        for (const entry& e : entries) {
            add(e);
        }
    }
    batch(std::initializer_list<entry> entries) : batch(std::vector<entry>(entries)) {}
    quorven_search_core_entry_input_v1& add(const entry& e) {
        quorven_search_core_entry_input_v1 input{};
        input.dir_offset = static_cast<uint32_t>(text_.size());
        input.dir_length = static_cast<uint32_t>(e.dir.size());
        text_ += e.dir;
        input.name_offset = static_cast<uint32_t>(text_.size());
        input.name_length = static_cast<uint32_t>(e.name.size());
        text_ += e.name;
        input.timestamp = e.timestamp;
        input.is_folder = e.is_folder;
        records_.push_back(input);
        return records_.back();
    }
    std::vector<quorven_search_core_entry_input_v1>& records() { return records_; }
    std::u16string& text() { return text_; }

    quorven_search_core_add_batch_request_v1 request() const {
        quorven_search_core_add_batch_request_v1 r{};
        r.size = sizeof r;
        r.version = 1;
        r.records = QUORVEN_SC_PTR_TO_U64(records_.data());
        r.record_count = static_cast<uint32_t>(records_.size());
        // A non-null pointer even for an empty text.
        r.text = QUORVEN_SC_PTR_TO_U64(text_.empty() ? u"" : text_.data());
        r.text_units = static_cast<uint32_t>(text_.size());
        return r;
    }

  private:
    std::u16string text_;
    std::vector<quorven_search_core_entry_input_v1> records_;
};

inline quorven_search_core_handle create_store(uint32_t initial_entries = 0,
                                               uint32_t initial_name_units = 0) {
    auto request = blank_record<quorven_search_core_create_request_v1>();
    request.initial_entries = initial_entries;
    request.initial_name_units = initial_name_units;
    auto result = blank_record<quorven_search_core_create_result_v1>();
    EXPECT_EQ(quorven_search_core_create_v1(&request, &result), 0u);
    return QUORVEN_SC_HANDLE_FROM_U64(result.handle);
}

inline quorven_search_core_add_batch_result_v1 add(quorven_search_core_handle store,
                                                   const batch& b) {
    auto request = b.request();
    auto result = blank_record<quorven_search_core_add_batch_result_v1>();
    uint32_t status = quorven_search_core_add_batch_v1(store, &request, &result);
    EXPECT_EQ(status, result.status);
    return result;
}

inline quorven_search_core_seal_result_v1 seal(quorven_search_core_handle store) {
    auto result = blank_record<quorven_search_core_seal_result_v1>();
    uint32_t status = quorven_search_core_seal_v1(store, &result);
    EXPECT_EQ(status, result.status);
    return result;
}

inline quorven_search_core_stats_result_v1 stats(quorven_search_core_handle store) {
    auto result = blank_record<quorven_search_core_stats_result_v1>();
    EXPECT_EQ(quorven_search_core_stats_v1(store, &result), 0u);
    return result;
}

// A store destroyed at the end of the test.
class store {
  public:
    explicit store(quorven_search_core_handle handle = create_store()) : handle_(handle) {}
    ~store() {
        if (handle_ != nullptr) {
            quorven_search_core_destroy_v1(handle_);
        }
    }
    store(const store&) = delete;
    store& operator=(const store&) = delete;
    quorven_search_core_handle get() const { return handle_; }
    operator quorven_search_core_handle() const { return handle_; }

  private:
    quorven_search_core_handle handle_;
};

template <typename Record>
std::vector<unsigned char> bytes_of(const Record& r) {
    const auto* p = reinterpret_cast<const unsigned char*>(&r);
    return std::vector<unsigned char>(p, p + sizeof r);
}

template <typename Record>
void fill(Record& r, unsigned char byte) {
    std::memset(&r, byte, sizeof r);
}

// The record as the reset leaves it: header, status 1, everything else zero.
template <typename Record>
bool is_reset_with_status(const Record& r, uint32_t status) {
    auto bytes = bytes_of(r);
    for (size_t i = 12; i < bytes.size(); ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return r.size == sizeof r && r.version == 1 && r.status == status;
}

}  // namespace test
