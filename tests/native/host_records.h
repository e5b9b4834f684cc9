// What a host hands the native library for its strings, shared by the Linux tests (UTF-16 as
// char16_t) and the Windows tests (as wchar_t): an input string record, and an output buffer
// pre-filled with a marker so that a buffer the library left alone shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quorven/native.h"

namespace native_records {

template <typename Char>
quorven_utf16_string string_of(const std::basic_string<Char>& text) {
    static_assert(sizeof(Char) == 2, "the library takes UTF-16 units");
    quorven_utf16_string out{};
    out.pointer = text.empty() ? 0 : QUORVEN_NATIVE_PTR_TO_U64(text.data());
    out.length = static_cast<uint32_t>(text.size());
    return out;
}

template <typename Char>
struct host_buffer {
    static constexpr Char marker = static_cast<Char>('#');

    explicit host_buffer(uint32_t capacity) : units(capacity, marker) {}
    quorven_utf16_buffer record() {
        quorven_utf16_buffer out{};
        out.pointer = units.empty() ? 0 : QUORVEN_NATIVE_PTR_TO_U64(units.data());
        out.capacity = static_cast<uint32_t>(units.size());
        return out;
    }
    // The terminated value written into the buffer.
    std::basic_string<Char> value() const { return std::basic_string<Char>(units.data()); }
    bool untouched() const {
        for (Char unit : units) {
            if (unit != marker) {
                return false;
            }
        }
        return true;
    }
    std::vector<Char> units;
};

}  // namespace native_records
