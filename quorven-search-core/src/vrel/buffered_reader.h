// Reading an index file through one 64 KiB buffer. Fields are decoded from the buffer; the
// file is read only to refill it. A text longer than the buffer is gathered in a scratch array.
#pragma once

#include "platform/file/file_system.h"
#include "qv/array.h"
#include "qv/types.h"

namespace quorven::search_core::vrel {

class buffered_reader {
  public:
    explicit buffered_reader(const file::file_handle& file) : file_(file) {}

    // The buffer itself; out_of_memory when it cannot be allocated.
    qv::u32 start();

    // Each read gives 0, invalid_data (9) when the file ends before the bytes are complete,
    // io_error (7) when reading fails, or out_of_memory (6) for a scratch array.
    qv::u32 read_u8(qv::u8* value);
    qv::u32 read_u32(qv::u32* value);
    qv::u32 read_u64(qv::u64* value);
    // Unsigned LEB128 of at most five bytes; a fifth byte above 0x0F is invalid_data.
    qv::u32 read_varint(qv::u32* value);
    // `count` contiguous bytes, valid until the next read.
    qv::u32 read_bytes(qv::usize count, const qv::u8** bytes);

    // 0 when the file has ended, invalid_data when another byte follows, or io_error.
    qv::u32 expect_end();

  private:
    qv::usize available() const { return end_ - position_; }
    // At least `count` (at most the buffer size) unread bytes in the buffer.
    qv::u32 ensure(qv::usize count);

    const file::file_handle& file_;
    qv::array<qv::u8> buffer_;
    qv::array<qv::u8> scratch_;
    qv::usize position_ = 0;
    qv::usize end_ = 0;
    bool at_eof_ = false;
};

}  // namespace quorven::search_core::vrel
