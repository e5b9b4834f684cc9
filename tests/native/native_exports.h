// Every operation export of the native library described once, for the harnesses that treat all
// exports alike (the request-record fuzz target, the fault loops): its record sizes and
// versions, the layout of its request's checked fields, and a call that succeeds against the
// stand-in. Adding an export to those harnesses is one entry in native_exports.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win_standin/shell_link_script.h"

namespace native_test {

// A shortcut file with a value in each of its five fields.
standin::link_file sample_link_file();

// A field of a request record whose rule holds for any export.
struct request_field {
    enum class kind {
        required_string,  // quorven_utf16_string: length 1..0x7FFF, pointer set, no 0 unit
        optional_string,  // quorven_utf16_string: pointer null exactly when the length is 0
        buffer,           // quorven_utf16_buffer: pointer null exactly when the capacity is 0
        zero,             // `bytes` bytes that must be zero
        u32_one_of,       // a u32 that must be one of `allowed`
        u32_at_most,      // a u32 that must be at most allowed[0]
    };
    kind what;
    uint32_t offset;
    uint32_t bytes = 0;  // zero
    std::vector<uint32_t> allowed = {};
};

// Storage and records of one call: the request bytes and every text they point at.
struct prepared_call {
    std::vector<uint8_t> request;
    std::vector<uint8_t> result;
    std::vector<std::unique_ptr<std::u16string>> texts;

    // Points the text record at `offset` of the request at a new copy of `text`.
    void put_string(uint32_t offset, const std::u16string& text);
    // Points the buffer record at `offset` of the request at a new buffer of `capacity` units.
    void put_buffer(uint32_t offset, uint32_t capacity);
};

struct native_export {
    const char* name;
    uint32_t request_size;
    uint32_t request_version;
    uint32_t result_size;
    uint32_t result_version;
    std::vector<request_field> fields;
    // Offsets of the result's HRESULT step fields (hr_*).
    std::vector<uint32_t> step_fields;
    // The export itself, over untyped records.
    uint32_t (*call)(const void* request, void* result);
    // Sets up the stand-in (files, environment) and fills a request that succeeds.
    std::function<void(prepared_call&)> prepare_success;
};

const std::vector<native_export>& native_exports();

// Offsets of the fields every result record starts with.
inline constexpr uint32_t result_status_offset = 8;
inline constexpr uint32_t result_hresult_offset = 12;
inline constexpr uint32_t result_steps_offset = 16;

}  // namespace native_test
