#include "vrel/buffered_reader.h"

#include "lib/status.h"
#include "vrel/text_codec.h"
#include "vrel/vrel_format.h"

namespace quorven::search_core::vrel {

using qv::u32;
using qv::u64;
using qv::u8;
using qv::usize;

// Both buffers end in bytes past their last byte of the file, which a text's conversion (and
// the name batch's copy, from the buffer) may read; they are zeroed so that nothing read is
// left undefined.
u32 buffered_reader::start() {
    if (!buffer_.reserve_exact(buffer_bytes + read_padding)) {
        return status_out_of_memory;
    }
    qv::mem_zero(buffer_.data(), buffer_bytes + read_padding);
    return status_ok;
}

u32 buffered_reader::ensure(usize count) {
    QV_CHECK(count <= buffer_bytes);
    if (available() >= count) {
        return status_ok;
    }
    u8* base = buffer_.data();
    usize kept = available();
    if (kept != 0 && position_ != 0) {
        __builtin_memmove(base, base + position_, kept);
    }
    position_ = 0;
    end_ = kept;
    while (end_ < count && !at_eof_) {
        usize got = 0;
        if (u32 status = file::read(file_, base + end_, buffer_bytes - end_, &got)) {
            return status;
        }
        at_eof_ = end_ + got < buffer_bytes;
        end_ += got;
        from_file_ += got;
    }
    return end_ >= count ? status_ok : status_invalid_data;
}

u32 buffered_reader::read_u8_refilling(u8* value) {
    if (u32 status = ensure(1)) {
        return status;
    }
    return read_u8(value);
}

u32 buffered_reader::read_u32_refilling(u32* value) {
    if (u32 status = ensure(4)) {
        return status;
    }
    return read_u32(value);
}

u32 buffered_reader::read_u64_refilling(u64* value) {
    if (u32 status = ensure(8)) {
        return status;
    }
    return read_u64(value);
}

u32 buffered_reader::read_varint(u32* value) {
    u32 result = 0;
    for (u32 i = 0; i < max_varint_bytes; ++i) {
        u8 byte = 0;
        if (u32 status = read_u8(&byte)) {
            return status;
        }
        if (i == max_varint_bytes - 1) {
            // Only bits 28 to 31 remain.
            if (byte > 0x0F) {
                return status_invalid_data;
            }
            *value = result | u32{byte} << 28;
            return status_ok;
        }
        result |= u32{byte & 0x7Fu} << (7 * i);
        if ((byte & 0x80) == 0) {
            break;
        }
    }
    *value = result;
    return status_ok;
}

u32 buffered_reader::read_bytes_refilling(usize count, const u8** bytes) {
    if (count <= buffer_bytes) {
        if (u32 status = ensure(count)) {
            return status;
        }
        return read_bytes(count, bytes);
    }
    // Longer than the buffer: what is buffered, then the rest straight from the file.
    if (!scratch_.reserve_exact(count + conversion_padding)) {
        return status_out_of_memory;
    }
    scratch_.clear();
    qv::mem_zero(scratch_.data() + count, conversion_padding);
    usize kept = available();
    scratch_.append_reserved(buffer_.data() + position_, kept);
    position_ = end_ = 0;
    usize got = 0;
    if (!at_eof_) {
        if (u32 status = file::read(file_, scratch_.data() + kept, count - kept, &got)) {
            return status;
        }
        from_file_ += got;
    }
    if (kept + got < count) {
        at_eof_ = true;
        return status_invalid_data;
    }
    *bytes = scratch_.data();
    return status_ok;
}

u32 buffered_reader::expect_end() {
    u32 status = ensure(1);
    if (status == status_invalid_data) {
        return status_ok;
    }
    return status == status_ok ? status_invalid_data : status;
}

}  // namespace quorven::search_core::vrel
