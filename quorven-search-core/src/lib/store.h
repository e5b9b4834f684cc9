// The store behind a handle: fixed-size entry records, directories stored once each, and all
// text in two UTF-16 pools, so that entries hold offsets and never pointers.
#pragma once

#include "lib/text.h"
#include "qv/array.h"
#include "qv/atomic_byte.h"
#include "qv/hash_map.h"
#include "qv/id_table.h"
#include "qv/types.h"
#include "qv/unique.h"

namespace quorven::search_core {

inline constexpr qv::u32 max_entries = 300000;
inline constexpr qv::u32 max_pool_units = 0x4000000;
inline constexpr qv::u64 max_ticks = 0x2BCA2875F4373FFFull;

// Top two bits of `time_binary`; entries added in batches carry kind 01.
inline constexpr qv::u64 time_kind_shift = 62;
inline constexpr qv::u64 time_ticks_mask = (qv::u64{1} << time_kind_shift) - 1;
inline constexpr qv::u64 time_kind_batch = qv::u64{1} << time_kind_shift;

struct dir_span {
    qv::u32 offset;
    qv::u32 length;
};
static_assert(sizeof(dir_span) == 8);

struct entry_record {
    qv::i64 timestamp;    // 100 ns ticks since 0001-01-01, at most max_ticks
    qv::u64 time_binary;  // the ticks with a 2-bit kind in bits 62..63
    qv::u32 dir_id;       // index into dir_table
    qv::u32 name_offset;  // first unit in name_pool
    qv::u32 name_length;  // units
    qv::u32 generation;   // scan generation of the mutation that last wrote it; 0 otherwise
    qv::u32 is_folder;    // 0 file, 1 folder
    qv::u32 deleted;      // nonzero once removed by a mutation
};
static_assert(sizeof(entry_record) == 40);

// Directory ids of one dir_key, in the order they were added.
using dir_id_list = qv::array<qv::u32>;
using dir_lookup_map = qv::u64_map<dir_id_list>;

// Directories and live entries by the folded hash of their paths (folded_hash), so that
// finding a directory or the entries at a path costs one probe and not a walk. Built on the
// first mutation batch for what the store got before it (everything add_batch or an index file
// brought) and kept in step by every batch after; see path_index.h. While the store loads,
// intern_dir files its non-ASCII directories here ahead of the rest.
struct path_index {
    qv::id_table dirs;  // the lowest id of each case-insensitive spelling, by dir tag
    // Live entries by the tag of their full path: the table holds the first entry of each tag,
    // and the links chain the others (a store may hold many entries at one path), so filing
    // and unfiling cost the same however many share a tag.
    qv::id_table entries;
    qv::array<qv::u32> next_same_tag;      // per entry id; id_table::no_id ends a chain
    qv::array<qv::u32> previous_same_tag;  // per entry id; no_id for the first of a chain
    qv::usize dirs_covered = 0;            // every directory below this id is filed
    qv::usize entries_covered = 0;         // every live entry below this id is filed
};

struct search_core {
    qv::array<entry_record> entries;
    qv::array<dir_span> dir_table;
    qv::array<qv::u16> dir_pool;
    qv::array<qv::u16> name_pool;
    qv::owned<dir_lookup_map> dir_lookup;  // present only until the store is sealed
    qv::u64 live_count = 0;
    qv::u8 sealed = 0;
    // Set once a query, walking every entry, found each name starting in name_pool where the
    // previous entry's ends (the first at 0) and live_count counting the live entries: later
    // queries may then scan the pool as one text and find each place's entry by its offset.
    // Appending an entry whose name follows on keeps it; mutate_batch clears it otherwise.
    qv::u8 names_in_entry_order = 0;
    qv::atomic_byte cancel_requested;
    path_index paths;
};

// Directories a mutation batch needs and the store lacks, in the order first named.
struct pending_dirs {
    qv::array<dir_span> spans;  // offsets count from the start of the batch text
    qv::array<qv::u32> tags;    // dir tag of each
    qv::id_table index;         // positions in `spans`, by dir tag
};

// The id of a directory path, added if new. Before sealing only. `key` and `ascii` are the
// path's dir_key and whether it is all ASCII.
qv::u32 intern_dir(search_core& core, utf16_span path, qv::u64 key, bool ascii, upper_cache& uppers,
                   qv::u32* id);

// The id a directory path of a mutation batch will have: an existing directory, one already
// pending in this batch, or a new pending one (whose offset counts from `batch_text`). `tag` is
// the path's dir tag; the store's directories must be indexed (index_paths).
qv::u32 resolve_dir_after_seal(const search_core& core, utf16_span path, qv::u32 tag,
                               const qv::u16* batch_text, pending_dirs& pending, qv::u32* id);

// The text of a directory or of an entry's name, checked against its pool.
utf16_span dir_text(const search_core& core, qv::u32 dir_id);
utf16_span name_text(const search_core& core, const entry_record& entry);

}  // namespace quorven::search_core
