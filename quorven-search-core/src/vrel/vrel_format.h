// The VREL index file, version 1: a 20-byte header, the directory records, the entry count and
// the entry records, all little-endian and packed byte for byte, with nothing after the last
// entry. These constants are the format; the reader and the writer share them.
#pragma once

#include "lib/store.h"
#include "qv/types.h"

namespace quorven::search_core::vrel {

inline constexpr qv::u32 magic = 0x4C455256;  // "VREL"
inline constexpr qv::u32 format_version = 1;
inline constexpr qv::u64 max_file_bytes = 134217728;  // 128 MiB
inline constexpr qv::u32 max_dirs = 300000;
inline constexpr qv::u32 max_text_bytes = 0x100000;  // UTF-8 bytes of one path or name
inline constexpr qv::u32 max_varint_bytes = 5;
// An entry record's bytes besides its name: dir_id (4), name_length (4), is_folder (1) and
// time_binary (8).
inline constexpr qv::usize entry_fixed_bytes = 4 + 4 + 1 + 8;

// Counts are written as u32 but must leave bit 31 clear.
inline constexpr qv::u32 count_limit = 0x80000000u;

// Reads and writes go through buffers of this size, never a field at a time.
inline constexpr qv::usize buffer_bytes = 65536;

// Both operations poll the host's cancel object before every record whose position in its
// loop is a multiple of this.
inline constexpr qv::u64 poll_interval = 256;

}  // namespace quorven::search_core::vrel
