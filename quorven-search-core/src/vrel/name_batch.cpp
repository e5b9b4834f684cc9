#include "vrel/name_batch.h"

#include "vrel/buffered_reader.h"
#include "vrel/text_codec.h"
#include "vrel/utf_transcode.h"
#include "vrel/vrel_format.h"

namespace quorven::search_core::vrel {

using qv::u16;
using qv::u32;
using qv::u8;
using qv::usize;

namespace {

// Names of at most this many bytes are copied whole with one fixed copy, which the compiler
// makes four vector moves; the longer few take a copy of their own length.
constexpr u32 fixed_copy_bytes = 64;

// A buffer holds at most this many entry records, and names of at most its size in all.
constexpr usize most_names = buffer_bytes / entry_fixed_bytes + 1;
constexpr usize most_blocks = (buffer_bytes + byte_vector_lanes - 1) / byte_vector_lanes + 1;

// The decoder's notes of each block of the stream.
struct stream_marks {
    u16* starts;
    u32* units;
    void note(u32 block, u32 units_before, u32 begin) {
        starts[block] = static_cast<u16>(begin);
        units[block] = units_before;
    }
};

}  // namespace

bool name_batch::start() {
    usize stream_room = buffer_bytes + fixed_copy_bytes + transcode_padding;
    if (!stream_.reserve_exact(stream_room) || !name_at_.reserve_exact(most_names) ||
        !placed_.reserve_exact(most_names) || !block_starts_.reserve_exact(most_blocks) ||
        !block_units_.reserve_exact(most_blocks)) {
        return false;
    }
    // The decoder reads past the last name's end; what it reads there is zeros, not undefined.
    qv::mem_zero(stream_.data(), stream_room);
    return true;
}

void name_batch::add(const u8* bytes, u32 count) {
    name_at_.push_back_reserved(static_cast<u32>(stream_.size()));
    u8* to = stream_.extend_reserved(count);
    if (count <= fixed_copy_bytes) {
        // What lies past the name is overwritten by the next one, or is padding after the last.
        __builtin_memcpy(to, bytes, fixed_copy_bytes);
    } else {
        qv::mem_copy(to, bytes, count);
    }
}

bool name_batch::decode(qv::array<u16>& pool) {
    auto total = static_cast<u32>(stream_.size());
    auto base = static_cast<u32>(pool.size());
    if (pool.capacity() - pool.size() < usize{total} + conversion_padding) {
        return false;
    }
    u16* room = pool.extend_reserved(total);
    stream_marks marks = {block_starts_.data(), block_units_.data()};
    u32 units = 0;
    if (!decode_utf8_blocks(stream_.data(), total, room, &units, marks) ||
        pool_overflows(base, units)) {
        pool.truncate(base);
        return false;
    }
    // Each name's first unit: the units before its block, and those its block begins before it.
    auto unit_at = [&](u32 at) -> u32 {
        if (at == total) {
            return units;
        }
        u32 block = at / byte_vector_lanes;
        u32 before = block_starts_.data()[block] & ((1u << (at % byte_vector_lanes)) - 1);
        return block_units_.data()[block] + lane_packing_table.kept[before & 0xFF] +
               lane_packing_table.kept[before >> 8];
    };
    u32 count = size();
    const u32* name_at = name_at_.data();
    placed_.clear();
    dir_span* placed = placed_.extend_reserved(count);
    u32 begins = unit_at(name_at[0]);
    for (u32 k = 0; k < count; ++k) {
        u32 at = name_at[k];
        u32 end = k + 1 < count ? name_at[k + 1] : total;
        if (end != at &&
            (block_starts_.data()[at / byte_vector_lanes] >> (at % byte_vector_lanes) & 1) == 0) {
            pool.truncate(base);
            return false;
        }
        u32 ends = unit_at(end);
        placed[k] = {base + begins, ends - begins};
        begins = ends;
    }
    pool.truncate(base + units);
    return true;
}

}  // namespace quorven::search_core::vrel
