// Any failure while the temporary file is written, or at the rename, deletes the temporary
// file and leaves the target alone; only measuring the target after a successful rename (and,
// on POSIX, syncing its directory) can still fail, and then the new file stays in place.

#include "vrel/index_writer.h"

#include "lib/status.h"
#include "platform/file/file_system.h"
#include "vrel/buffered_writer.h"
#include "vrel/cancel_poll.h"
#include "vrel/dir_renumbering.h"
#include "vrel/text_codec.h"
#include "vrel/vrel_format.h"

namespace quorven::search_core::vrel {
namespace {

using qv::u16;
using qv::u32;
using qv::u64;
using qv::u8;
using qv::usize;

// A text's UTF-8 bytes, after its length written by `put_length`; measured first, for a text
// that may not fit in the buffer at once.
template <typename PutLength>
u32 write_planned_text(buffered_writer& out, utf16_span text, bool empty_refused,
                       PutLength put_length) {
    utf8_plan plan = {};
    if (u32 status = plan_utf8(text, &plan)) {
        return status;
    }
    if (plan.bytes > max_text_bytes || (empty_refused && plan.bytes == 0)) {
        return status_invalid_argument;
    }
    auto bytes = static_cast<u32>(plan.bytes);
    if (u32 status = put_length(bytes)) {
        return status;
    }
    u8* room = nullptr;
    if (u32 status = out.reserve(bytes, &room)) {
        return status;
    }
    if (u32 status = encode_utf8(text, plan, room)) {
        return status;
    }
    return out.commit(bytes);
}

// Whether a text surely fits in the buffer with `fixed` more bytes, and the most bytes it can
// take: 3 a unit. One that may not is measured first instead.
bool fits_in_buffer(utf16_span text, usize fixed, usize* most) {
    u64 bytes = u64{text.length} * 3;
    *most = static_cast<usize>(bytes);
    return bytes + fixed <= buffer_bytes;
}

void put_u32_at(u8* at, u32 value) {
    __builtin_memcpy(at, &value, sizeof value);
}

// A directory record: its path's byte count as a varint, then the bytes. A path that surely
// fits in the buffer is encoded straight into it in one pass, after room for the varint that
// its unit count needs; the bytes move up in the rare case that their count needs more.
u32 write_dir(buffered_writer& out, utf16_span path, const u16* readable_end) {
    usize most = 0;
    if (!fits_in_buffer(path, max_varint_bytes + conversion_padding, &most)) {
        return write_planned_text(out, path, false, [&](u32 n) { return out.put_varint(n); });
    }
    u8* room = nullptr;
    if (u32 status = out.reserve(most + max_varint_bytes + conversion_padding, &room)) {
        return status;
    }
    usize guess = buffered_writer::varint_length(path.length);
    u64 bytes = 0;
    if (u32 status = encode_utf8_unplanned(path, readable_end, room + guess, &bytes)) {
        return status;
    }
    // It fits in the buffer, so far below the limit of a text's bytes.
    auto count = static_cast<u32>(bytes);
    usize needed = buffered_writer::varint_length(count);
    if (needed != guess) {
        __builtin_memmove(room + needed, room + guess, count);
    }
    buffered_writer::encode_varint(count, room);
    return out.commit(needed + count);
}

// An entry record. One whose name surely fits in the buffer is encoded straight into it in one
// pass, its name's byte count filled in afterwards.
u32 write_entry(buffered_writer& out, u32 dir_id, utf16_span name, const u16* readable_end,
                const entry_record& entry) {
    usize most = 0;
    if (!fits_in_buffer(name, entry_fixed_bytes + conversion_padding, &most)) {
        u32 status = out.put_u32(dir_id);
        if (status == status_ok) {
            status = write_planned_text(out, name, true, [&](u32 n) { return out.put_u32(n); });
        }
        if (status == status_ok) {
            status = out.put_u8(static_cast<u8>(entry.is_folder & 1));
        }
        return status == status_ok ? out.put_u64(entry.time_binary) : status;
    }
    u8* room = nullptr;
    if (u32 status = out.reserve(most + entry_fixed_bytes + conversion_padding, &room)) {
        return status;
    }
    u64 bytes = 0;
    if (u32 status = encode_utf8_unplanned(name, readable_end, room + 8, &bytes)) {
        return status;
    }
    if (bytes == 0) {
        return status_invalid_argument;
    }
    auto count = static_cast<usize>(bytes);
    put_u32_at(room, dir_id);
    put_u32_at(room + 4, static_cast<u32>(count));
    room[8 + count] = static_cast<u8>(entry.is_folder & 1);
    __builtin_memcpy(room + 9 + count, &entry.time_binary, sizeof entry.time_binary);
    return out.commit(count + entry_fixed_bytes);
}

u32 write_dirs(buffered_writer& out, const search_core& core, const dir_renumbering& numbering,
               const cancel_poll& poll) {
    usize dir_count = numbering.order.size();
    if (dir_count >= count_limit) {
        return status_invalid_argument;
    }
    if (u32 status = out.put_u32(static_cast<u32>(dir_count))) {
        return status;
    }
    const u16* dir_pool_end = core.dir_pool.data() + core.dir_pool.capacity();
    for (usize i = 0; i < dir_count; ++i) {
        if (u32 status = poll.before_record(i)) {
            return status;
        }
        if (u32 status = write_dir(out, dir_text(core, numbering.order[i]), dir_pool_end)) {
            return status;
        }
    }
    return status_ok;
}

u32 write_entries(buffered_writer& out, const search_core& core, const dir_renumbering& numbering,
                  const cancel_poll& poll) {
    if (core.live_count >= count_limit) {
        return status_invalid_argument;
    }
    if (u32 status = out.put_u32(static_cast<u32>(core.live_count))) {
        return status;
    }
    const u16* name_pool_end = core.name_pool.data() + core.name_pool.capacity();
    u64 written = 0;
    for (const entry_record& entry : core.entries) {
        if (entry.deleted != 0) {
            continue;
        }
        if (u32 status = poll.before_record(written)) {
            return status;
        }
        u32 dir_id = numbering.remap[entry.dir_id];
        if (dir_id >= count_limit) {
            return status_invalid_argument;
        }
        if (u32 status = write_entry(out, dir_id, name_text(core, entry), name_pool_end, entry)) {
            return status;
        }
        ++written;
    }
    return written == core.live_count ? status_ok : status_invalid_data;
}

// Writes the whole temporary file, forces it to disk and closes it.
u32 write_temp(const file::native_path& temp, const search_core& core,
               const dir_renumbering& numbering, u64 saved_at, const cancel_poll& poll) {
    file::file_handle file;
    if (u32 status = file::create_for_writing(temp, file)) {
        return status;
    }
    buffered_writer out(file);
    if (u32 status = out.start()) {
        return status;
    }
    u32 status = out.put_u32(magic);
    if (status == status_ok) {
        status = out.put_u32(format_version);
    }
    if (status == status_ok) {
        status = out.put_u64(saved_at);
    }
    if (status == status_ok) {
        status = write_dirs(out, core, numbering, poll);
    }
    if (status == status_ok) {
        status = write_entries(out, core, numbering, poll);
    }
    if (status == status_ok) {
        status = out.drain();
    }
    if (status == status_ok) {
        status = file::flush_to_disk(file);
    }
    if (status == status_ok) {
        status = poll.now();
    }
    return status;
}

}  // namespace

u32 save_index(const search_core& core, utf16_span target, utf16_span temp, u64 cancel_object,
               save_summary* summary) {
    cancel_poll poll(cancel_object);
    if (u32 status = poll.now()) {
        return status;
    }
    u64 saved_at = 0;
    if (u32 status = file::now_ticks(&saved_at)) {
        return status;
    }
    dir_renumbering numbering;
    if (u32 status = renumber_dirs(core, poll, numbering)) {
        return status;
    }
    file::native_path native_target;
    file::native_path native_temp;
    if (u32 status = file::make_native_path(target, native_target)) {
        return status;
    }
    if (u32 status = file::make_native_path(temp, native_temp)) {
        return status;
    }
    // Another spelling of the target (or a hard link to it) would be emptied by creating the
    // temporary file and deleted on failure: refuse it as the same path is refused, untouched.
    if (file::same_existing_file(native_temp, native_target)) {
        return status_invalid_argument;
    }
    if (u32 status = write_temp(native_temp, core, numbering, saved_at, poll)) {
        file::remove(native_temp);
        return status;
    }
    if (u32 status = file::replace(native_temp, native_target)) {
        file::remove(native_temp);
        return status;
    }
    u64 file_size = 0;
    if (u32 status = file::size_of_path(native_target, &file_size)) {
        return status;
    }
    *summary = {saved_at, file_size, static_cast<u32>(core.live_count),
                static_cast<u32>(numbering.order.size())};
    return status_ok;
}

}  // namespace quorven::search_core::vrel
