// Reading an index file through one 64 KiB buffer. Fields are decoded from the buffer; the
// file is read only to refill it. A text longer than the buffer is gathered in a scratch array.
#pragma once

#include "lib/status.h"
#include "platform/file/file_system.h"
#include "qv/array.h"
#include "qv/types.h"
#include "vrel/text_codec.h"

namespace quorven::search_core::vrel {

// Bytes that may be read past the unread bytes of the buffer (unread): a text's conversion
// reads conversion_padding past its end, and the name batch copies 64 bytes from where a name
// begins.
inline constexpr qv::usize read_padding = 64;
static_assert(read_padding >= conversion_padding);

// A field of the file at `at`. Every machine the library is built for is little-endian, as the
// file is.
template <typename T>
T little_endian_at(const qv::u8* at) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
    T value;
    __builtin_memcpy(&value, at, sizeof value);
    return value;
}

class buffered_reader {
  public:
    explicit buffered_reader(const file::file_handle& file) : file_(file) {}

    // The buffer itself; out_of_memory when it cannot be allocated.
    qv::u32 start();

    // Each read gives 0, invalid_data (9) when the file ends before the bytes are complete,
    // io_error (7) when reading fails, or out_of_memory (6) for a scratch array. Fields that
    // lie whole in the buffer are decoded inline; only a refill leaves the caller.
    qv::u32 read_u8(qv::u8* value) {
        if (available() < 1) {
            return read_u8_refilling(value);
        }
        *value = buffer_.data()[position_++];
        return status_ok;
    }
    qv::u32 read_u32(qv::u32* value) {
        if (available() < 4) {
            return read_u32_refilling(value);
        }
        *value = little_endian_at<qv::u32>(buffer_.data() + position_);
        position_ += 4;
        return status_ok;
    }
    qv::u32 read_u64(qv::u64* value) {
        if (available() < 8) {
            return read_u64_refilling(value);
        }
        *value = little_endian_at<qv::u64>(buffer_.data() + position_);
        position_ += 8;
        return status_ok;
    }
    // Unsigned LEB128 of at most five bytes; a fifth byte above 0x0F is invalid_data.
    qv::u32 read_varint(qv::u32* value);
    // `count` contiguous bytes, valid until the next read, followed by `conversion_padding`
    // bytes that may be read.
    qv::u32 read_bytes(qv::usize count, const qv::u8** bytes) {
        if (available() < count) {
            return read_bytes_refilling(count, bytes);
        }
        *bytes = buffer_.data() + position_;
        position_ += count;
        return status_ok;
    }

    // The unread bytes in the buffer, `*count` of them, followed by `read_padding` more that
    // may be read; valid until the next read. `skip` takes the first `count` as read.
    const qv::u8* unread(qv::usize* count) const {
        *count = available();
        return buffer_.data() + position_;
    }
    void skip(qv::usize count) { position_ += count; }

    // Bytes of the file taken by the reads so far.
    qv::u64 consumed() const { return from_file_ - available(); }

    // 0 when the file has ended, invalid_data when another byte follows, or io_error.
    qv::u32 expect_end();

  private:
    qv::u32 read_u8_refilling(qv::u8* value);
    qv::u32 read_u32_refilling(qv::u32* value);
    qv::u32 read_u64_refilling(qv::u64* value);
    qv::u32 read_bytes_refilling(qv::usize count, const qv::u8** bytes);
    qv::usize available() const { return end_ - position_; }
    // At least `count` (at most the buffer size) unread bytes in the buffer.
    qv::u32 ensure(qv::usize count);

    const file::file_handle& file_;
    qv::array<qv::u8> buffer_;
    qv::array<qv::u8> scratch_;
    qv::usize position_ = 0;
    qv::usize end_ = 0;
    qv::u64 from_file_ = 0;  // bytes read from the file so far
    bool at_eof_ = false;
};

}  // namespace quorven::search_core::vrel
