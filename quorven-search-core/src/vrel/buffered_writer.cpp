#include "vrel/buffered_writer.h"

#include "lib/status.h"
#include "vrel/vrel_format.h"

namespace quorven::search_core::vrel {

using qv::u32;
using qv::u64;
using qv::u8;
using qv::usize;

u32 buffered_writer::start() {
    if (!buffer_.reserve_exact(block_bytes + buffer_bytes)) {
        return status_out_of_memory;
    }
    return status_ok;
}

namespace {

constexpr u64 flush_ahead_bytes = u64{4} * block_bytes;  // 1 MiB

}  // namespace

u32 buffered_writer::write_block() {
    u32 status = file::write_all(file_, buffer(), block_bytes);
    used_ -= block_bytes;
    __builtin_memmove(buffer(), buffer() + block_bytes, used_);
    written_ += block_bytes;
    if (status == status_ok && written_ % flush_ahead_bytes == 0) {
        ahead_.start(written_);
    }
    return status;
}

u32 buffered_writer::drain() {
    usize count = used_;
    used_ = 0;
    u32 status = count == 0 ? status_ok : file::write_all(file_, buffer(), count);
    u32 flushed = ahead_.finish();
    return status != status_ok ? status : flushed;
}

u32 buffered_writer::reserve_scratch(usize count, u8** room) {
    if (!scratch_.reserve_exact(count)) {
        return status_out_of_memory;
    }
    in_scratch_ = true;
    *room = scratch_.data();
    return status_ok;
}

u32 buffered_writer::commit_scratch(usize count) {
    in_scratch_ = false;
    for (usize done = 0; done < count;) {
        usize piece = count - done < buffer_bytes ? count - done : buffer_bytes;
        qv::mem_copy(buffer() + used_, scratch_.data() + done, piece);
        used_ += piece;
        done += piece;
        if (used_ >= block_bytes) {
            if (u32 status = write_block()) {
                return status;
            }
        }
    }
    return status_ok;
}

usize buffered_writer::encode_varint(u32 value, u8* to) {
    usize count = 0;
    while (value >= 0x80) {
        to[count++] = static_cast<u8>(value | 0x80);
        value >>= 7;
    }
    to[count++] = static_cast<u8>(value);
    return count;
}

usize buffered_writer::varint_length(u32 value) {
    usize count = 1;
    for (; value >= 0x80; value >>= 7) {
        ++count;
    }
    return count;
}

u32 buffered_writer::put_varint(u32 value) {
    u8* room = nullptr;
    if (u32 status = reserve(max_varint_bytes, &room)) {
        return status;
    }
    return commit(encode_varint(value, room));
}

}  // namespace quorven::search_core::vrel
