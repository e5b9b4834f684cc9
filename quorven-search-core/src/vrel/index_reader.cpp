// The reader's checks follow the file from front to back and stop at the first failure: the
// header, each directory record, the entry count, each entry record, and finally that nothing
// follows the last entry.

#include "vrel/index_reader.h"

#include "lib/status.h"
#include "lib/time_binary.h"
#include "platform/file/file_system.h"
#include "vrel/buffered_reader.h"
#include "vrel/cancel_poll.h"
#include "vrel/name_batch.h"
#include "vrel/text_codec.h"
#include "vrel/vrel_format.h"

namespace quorven::search_core::vrel {
namespace {

using qv::u32;
using qv::u64;
using qv::u8;

u32 read_header(buffered_reader& in, u64* saved_at, u32* dir_count) {
    u32 value = 0;
    if (u32 status = in.read_u32(&value)) {
        return status;
    }
    if (value != magic) {
        return status_unsupported_format;
    }
    if (u32 status = in.read_u32(&value)) {
        return status;
    }
    if (value != format_version) {
        return status_unsupported_format;
    }
    if (u32 status = in.read_u64(saved_at)) {
        return status;
    }
    if (*saved_at > max_ticks) {
        return status_invalid_data;
    }
    if (u32 status = in.read_u32(dir_count)) {
        return status;
    }
    return *dir_count >= count_limit || *dir_count > max_dirs ? status_invalid_data : status_ok;
}

// A text of `count` bytes from the file into a pool.
u32 read_text(buffered_reader& in, u32 count, qv::array<qv::u16>& pool, dir_span* placed) {
    if (count > max_text_bytes) {
        return status_invalid_data;
    }
    const u8* bytes = nullptr;
    if (u32 status = in.read_bytes(count, &bytes)) {
        return status;
    }
    return append_as_utf16(bytes, count, pool, placed);
}

// Room in a pool for every text of a section whose texts take at most `text_bytes` bytes of
// the file, and the padding their conversions may write past the last: a text never takes more
// units than bytes, so the pool never grows while it fills, and the part left unused is given
// back by the trim at the end without a copy. When the room cannot be had, the pool grows text
// by text instead, as it would without this.
void reserve_for_texts(qv::array<qv::u16>& pool, u64 text_bytes) {
    u64 units = text_bytes < max_pool_units ? text_bytes : max_pool_units;
    (void)pool.reserve_exact(units + conversion_padding);
}

// The bytes left in the file after what `in` has read, less `fixed` bytes that cannot be text.
u64 bytes_left(const buffered_reader& in, u64 file_size, u64 fixed) {
    u64 used = qv::add_saturating(in.consumed(), fixed);
    return used < file_size ? file_size - used : 0;
}

u32 read_dirs(buffered_reader& in, u32 dir_count, const cancel_poll& poll, search_core& core) {
    if (!core.dir_table.reserve_exact(dir_count)) {
        return status_out_of_memory;
    }
    for (u32 i = 0; i < dir_count; ++i) {
        if (u32 status = poll.before_record(i)) {
            return status;
        }
        u32 length = 0;
        if (u32 status = in.read_varint(&length)) {
            return status;
        }
        dir_span placed = {};
        if (u32 status = read_text(in, length, core.dir_pool, &placed)) {
            return status;
        }
        core.dir_table.push_back_reserved(placed);
    }
    return status_ok;
}

// The store's record of an entry read from the file, its name already placed in the pool.
entry_record loaded_entry(u32 dir_id, dir_span name, u8 is_folder, u64 time_binary) {
    auto ticks = static_cast<qv::i64>(time_binary & time_ticks_mask);
    return {ticks, time_binary, dir_id, name.offset, name.length, 0, is_folder != 0 ? 1u : 0u, 0};
}

u32 read_entry(buffered_reader& in, u32 dir_count, search_core& core) {
    u32 dir_id = 0;
    if (u32 status = in.read_u32(&dir_id)) {
        return status;
    }
    if (dir_id >= count_limit || dir_id >= dir_count) {
        return status_invalid_data;
    }
    u32 name_length = 0;
    if (u32 status = in.read_u32(&name_length)) {
        return status;
    }
    if (name_length >= count_limit) {
        return status_invalid_data;
    }
    dir_span name = {};
    if (u32 status = read_text(in, name_length, core.name_pool, &name)) {
        return status;
    }
    u8 is_folder = 0;
    if (u32 status = in.read_u8(&is_folder)) {
        return status;
    }
    u64 time_binary = 0;
    if (u32 status = in.read_u64(&time_binary)) {
        return status;
    }
    if (u32 status = check_time_binary(time_binary)) {
        return status;
    }
    core.entries.push_back_reserved(loaded_entry(dir_id, name, is_folder, time_binary));
    return status_ok;
}

// An entry record that lies whole in the reader's buffer, its fields read from there.
struct buffered_record {
    u32 dir_id;
    u32 name_length;
    const u8* name;
    u8 is_folder;
    u64 time_binary;
    qv::usize bytes() const { return entry_fixed_bytes + name_length; }
};

// Whether the record at `at` lies whole in the `left` bytes there, with a dir_id below
// `dir_count`: the records the buffered reads take. Any other is read_entry's to read and report.
bool lies_whole(const u8* at, qv::usize left, u32 dir_count) {
    return left >= entry_fixed_bytes && little_endian_at<u32>(at) < dir_count &&
           little_endian_at<u32>(at + 4) <= left - entry_fixed_bytes;
}

// The fields of a record that lies whole in the buffer.
buffered_record record_at(const u8* at) {
    u32 name_length = little_endian_at<u32>(at + 4);
    const u8* tail = at + 8 + name_length;
    return {little_endian_at<u32>(at), name_length, at + 8, tail[0],
            little_endian_at<u64>(tail + 1)};
}

// The entry records from `*index` on that lie whole in the reader's buffer, read straight from
// it with one bounds check a record rather than one a field; the rest of a file's records are
// only those that cross the end of a buffer. A fault within a record gives the status
// read_entry would.
u32 read_buffered_entries(buffered_reader& in, u32 entry_count, u32 dir_count,
                          const cancel_poll& poll, search_core& core, u32* index) {
    qv::usize left = 0;
    const u8* start = in.unread(&left);
    qv::usize used = 0;
    u32 status = status_ok;
    for (; *index < entry_count && lies_whole(start + used, left - used, dir_count); ++*index) {
        if ((status = poll.before_record(*index)) != status_ok) {
            break;
        }
        buffered_record record = record_at(start + used);
        dir_span name = {};
        if ((status = append_as_utf16(record.name, record.name_length, core.name_pool, &name)) !=
            status_ok) {
            break;
        }
        if ((status = check_time_binary(record.time_binary)) != status_ok) {
            break;
        }
        core.entries.push_back_reserved(
            loaded_entry(record.dir_id, name, record.is_folder, record.time_binary));
        used += record.bytes();
    }
    in.skip(used);
    return status;
}

// The entry records from `*index` on that lie whole in the reader's buffer, their names decoded
// together (name_batch). Takes records up to one that is not whole in the buffer or holds a
// field that read_entry would refuse, and none at all when the batch refuses their names: the
// records it leaves are read one by one, which reports any fault in its place.
u32 read_batched_entries(buffered_reader& in, u32 entry_count, u32 dir_count,
                         const cancel_poll& poll, search_core& core, name_batch& batch,
                         u32* index) {
    qv::usize left = 0;
    const u8* start = in.unread(&left);
    qv::usize used = 0;
    batch.clear();
    for (u32 i = *index; i < entry_count && lies_whole(start + used, left - used, dir_count); ++i) {
        buffered_record record = record_at(start + used);
        if (check_time_binary(record.time_binary) != status_ok) {
            break;
        }
        batch.add(record.name, record.name_length);
        used += record.bytes();
    }
    u32 count = batch.size();
    if (count == 0 || !batch.decode(core.name_pool)) {
        return status_ok;
    }
    used = 0;
    for (u32 k = 0; k < count; ++k) {
        if (u32 status = poll.before_record(*index)) {
            return status;
        }
        buffered_record record = record_at(start + used);
        core.entries.push_back_reserved(
            loaded_entry(record.dir_id, batch.placed(k), record.is_folder, record.time_binary));
        used += record.bytes();
        ++*index;
    }
    in.skip(used);
    return status_ok;
}

u32 read_entries(buffered_reader& in, u32 max_entries, u64 file_size, const cancel_poll& poll,
                 search_core& core) {
    u32 entry_count = 0;
    if (u32 status = in.read_u32(&entry_count)) {
        return status;
    }
    if (entry_count >= count_limit || entry_count > max_entries || entry_count == 0) {
        return status_invalid_data;
    }
    if (!core.entries.reserve_exact(entry_count)) {
        return status_out_of_memory;
    }
    reserve_for_texts(core.name_pool,
                      bytes_left(in, file_size, u64{entry_count} * entry_fixed_bytes));
    auto dir_count = static_cast<u32>(core.dir_table.size());
    // Without the batch's room the names are decoded one by one, as they are where it refuses.
    name_batch batch;
    bool batching = batch.start();
    u32 i = 0;
    while (i < entry_count) {
        if (batching) {
            if (u32 status =
                    read_batched_entries(in, entry_count, dir_count, poll, core, batch, &i)) {
                return status;
            }
        }
        if (u32 status = read_buffered_entries(in, entry_count, dir_count, poll, core, &i)) {
            return status;
        }
        if (i == entry_count) {
            break;
        }
        if (u32 status = poll.before_record(i)) {
            return status;
        }
        if (u32 status = read_entry(in, dir_count, core)) {
            return status;
        }
        ++i;
    }
    return status_ok;
}

}  // namespace

u32 open_index(utf16_span path, u32 max_entries, u64 cancel_object, search_core& core,
               open_summary* summary) {
    cancel_poll poll(cancel_object);
    if (u32 status = poll.now()) {
        return status;
    }
    file::native_path native;
    if (u32 status = file::make_native_path(path, native)) {
        return status;
    }
    file::file_handle file;
    if (u32 status = file::open_for_reading(native, file)) {
        return status;
    }
    u64 file_size = 0;
    if (u32 status = file::size_of(file, &file_size)) {
        return status;
    }
    if (file_size == 0 || file_size > max_file_bytes) {
        return status_invalid_data;
    }
    buffered_reader in(file);
    if (u32 status = in.start()) {
        return status;
    }
    u64 saved_at = 0;
    u32 dir_count = 0;
    if (u32 status = read_header(in, &saved_at, &dir_count)) {
        return status;
    }
    // After the directory texts come at least a length byte each and the entry count.
    reserve_for_texts(core.dir_pool, bytes_left(in, file_size, u64{dir_count} + 4));
    if (u32 status = read_dirs(in, dir_count, poll, core)) {
        return status;
    }
    // The directory pool's unused room goes back before the names take theirs, so that the two
    // estimates are never held at once.
    (void)core.dir_pool.shrink_to_fit();
    if (u32 status = read_entries(in, max_entries, file_size, poll, core)) {
        return status;
    }
    if (u32 status = poll.now()) {
        return status;
    }
    if (u32 status = in.expect_end()) {
        return status;
    }
    // A trim that cannot get its smaller block keeps the larger one; nothing is lost.
    (void)core.entries.shrink_to_fit();
    (void)core.dir_table.shrink_to_fit();
    (void)core.dir_pool.shrink_to_fit();
    (void)core.name_pool.shrink_to_fit();
    core.live_count = core.entries.size();
    core.sealed = 1;
    *summary = {saved_at, file_size};
    return status_ok;
}

}  // namespace quorven::search_core::vrel
