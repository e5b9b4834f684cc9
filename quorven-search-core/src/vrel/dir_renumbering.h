// The directory numbering of a saved file: dense, in the order in which live entries first
// use a directory, so that directories no live entry uses are dropped.
#pragma once

#include "lib/store.h"
#include "qv/array.h"
#include "qv/types.h"
#include "vrel/cancel_poll.h"

namespace quorven::search_core::vrel {

inline constexpr qv::u32 unused_dir = 0xFFFFFFFFu;

struct dir_renumbering {
    qv::array<qv::u32> remap;  // store dir id -> file dir id, or unused_dir
    qv::array<qv::u32> order;  // file dir id -> store dir id
};

// out_of_memory (6) when the tables cannot be allocated, invalid_data (9) for an entry whose
// directory does not exist, or the poll's status.
qv::u32 renumber_dirs(const search_core& core, const cancel_poll& poll, dir_renumbering& out);

}  // namespace quorven::search_core::vrel
