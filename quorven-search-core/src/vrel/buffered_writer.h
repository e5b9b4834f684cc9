// Writing an index file through one 64 KiB buffer: fields are encoded into the buffer, and the
// file is written only when it is full and once at the end.
#pragma once

#include "platform/file/file_system.h"
#include "qv/array.h"
#include "qv/types.h"

namespace quorven::search_core::vrel {

class buffered_writer {
  public:
    explicit buffered_writer(const file::file_handle& file) : file_(file) {}

    // The buffer itself; out_of_memory when it cannot be allocated.
    qv::u32 start();

    // Each put gives 0 or io_error (7) when a full buffer could not be written out.
    qv::u32 put_u8(qv::u8 value);
    qv::u32 put_u32(qv::u32 value);
    qv::u32 put_u64(qv::u64 value);
    // Unsigned LEB128: low 7 bits first, 0x80 on every byte but the last.
    qv::u32 put_varint(qv::u32 value);

    // Room for `count` bytes, written by the caller and then committed; for runs longer than
    // the buffer, a scratch array that commit writes straight to the file.
    qv::u32 reserve(qv::usize count, qv::u8** room);
    qv::u32 commit(qv::usize count);

    // Writes out whatever the buffer still holds.
    qv::u32 drain();

  private:
    qv::u8* buffer() { return buffer_.data(); }

    const file::file_handle& file_;
    qv::array<qv::u8> buffer_;
    qv::array<qv::u8> scratch_;
    qv::usize used_ = 0;
    bool in_scratch_ = false;
};

}  // namespace quorven::search_core::vrel
