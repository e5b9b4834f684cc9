// UTF-8 <-> UTF-16 conversion for names, paths and queries crossing into the search core.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qsearch {

struct Utf16Text {
    std::u16string text;
    // Bytes that were not well-formed UTF-8; each became U+FFFD.
    std::size_t replaced = 0;
};

// Decodes UTF-8; every byte of an ill-formed sequence (overlong forms, encoded surrogates and
// values past U+10FFFF included) becomes one U+FFFD, so the result is always valid UTF-16 that
// the index file can hold.
Utf16Text utf8_to_utf16(std::string_view utf8);

// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view utf16);

bool is_ascii(std::u16string_view text);

}  // namespace qsearch
