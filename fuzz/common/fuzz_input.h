// The fuzzer's bytes read as a stream of choices. Once the bytes run out every choice is 0, so
// that any input, the empty one included, decodes to something, and a short input stays short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

class input {
  public:
    input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }

    uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(u8() | u8() << 8); }
    uint32_t u32() { return static_cast<uint32_t>(u16() | uint32_t{u16()} << 16); }
    uint64_t u64() { return u32() | uint64_t{u32()} << 32; }

    // A number in 0..n-1; one byte for n up to 256, two above.
    uint32_t below(uint32_t n) {
        if (n == 0) {
            return 0;
        }
        return (n <= 256 ? u8() : u16()) % n;
    }
    // True for about `in_256` of the 256 byte values.
    bool chance(uint32_t in_256) { return u8() < in_256; }

    template <typename T>
    const T& pick(const std::vector<T>& items) {
        return items[below(static_cast<uint32_t>(items.size()))];
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace fuzz
