// Writing an index file through 256 KiB blocks: fields are encoded into a buffer that holds one
// block and room for one more field or text, and each block is written as soon as it is full,
// so that every write but the last covers exactly the block at its own block boundary of the
// file (a write that splits pages of the file costs its flush to disk far more; fewer, larger
// writes cost the system less). Every `flush_ahead_bytes` written, the system is asked to take
// what has been written to the disk while the rest is produced (file::flush_ahead), so that the
// final flush waits only for the last of it.
#pragma once

#include "lib/status.h"
#include "platform/file/file_system.h"
#include "qv/array.h"
#include "qv/fatal.h"
#include "qv/types.h"
#include "vrel/vrel_format.h"

namespace quorven::search_core::vrel {

// What each write gives the file. Past the block the buffer has room for one field or text of
// up to buffer_bytes, the file format's own buffer size.
inline constexpr qv::usize block_bytes = 4 * buffer_bytes;

class buffered_writer {
  public:
    explicit buffered_writer(const file::file_handle& file) : file_(file), ahead_(file) {}

    // The buffer itself; out_of_memory when it cannot be allocated.
    qv::u32 start();

    // Each put gives 0 or io_error (7) when a full block could not be written out. Fields are
    // encoded inline; only writing a block out leaves the caller.
    qv::u32 put_u8(qv::u8 value) { return put_little_endian(value); }
    qv::u32 put_u32(qv::u32 value) { return put_little_endian(value); }
    qv::u32 put_u64(qv::u64 value) { return put_little_endian(value); }
    // Unsigned LEB128: low 7 bits first, 0x80 on every byte but the last.
    qv::u32 put_varint(qv::u32 value);
    // The same into `to`; returns the bytes written, varint_length(value).
    static qv::usize encode_varint(qv::u32 value, qv::u8* to);
    static qv::usize varint_length(qv::u32 value);

    // Room for `count` bytes, written by the caller and then committed; for runs longer than
    // buffer_bytes, a scratch array that commit passes through the blocks. Room in the buffer
    // (less than a block is held, and it holds buffer_bytes more) is given inline.
    qv::u32 reserve(qv::usize count, qv::u8** room) {
        if (count > buffer_bytes) {
            return reserve_scratch(count, room);
        }
        in_scratch_ = false;
        *room = buffer() + used_;
        return status_ok;
    }
    qv::u32 commit(qv::usize count) {
        if (in_scratch_) {
            return commit_scratch(count);
        }
        QV_CHECK(count <= buffer_bytes);
        used_ += count;
        return used_ < block_bytes ? status_ok : write_block();
    }

    // Writes out whatever the buffer still holds, the last block, and waits for the flushes
    // started on the way: io_error if one of them failed.
    qv::u32 drain();

  private:
    template <typename T>
    qv::u32 put_little_endian(T value) {
        // Every machine the library is built for is little-endian, as the file is.
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
        __builtin_memcpy(buffer() + used_, &value, sizeof value);
        used_ += sizeof(T);
        return used_ < block_bytes ? status_ok : write_block();
    }

    // Writes the full block at the front and moves what follows it to the front.
    qv::u32 write_block();
    qv::u32 reserve_scratch(qv::usize count, qv::u8** room);
    qv::u32 commit_scratch(qv::usize count);

    qv::u8* buffer() { return buffer_.data(); }

    const file::file_handle& file_;
    file::flush_ahead ahead_;
    qv::array<qv::u8> buffer_;
    qv::array<qv::u8> scratch_;
    qv::usize used_ = 0;   // below block_bytes between calls
    qv::u64 written_ = 0;  // bytes written to the file
    bool in_scratch_ = false;
};

}  // namespace quorven::search_core::vrel
