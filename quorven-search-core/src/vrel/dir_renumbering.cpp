#include "vrel/dir_renumbering.h"

#include "lib/status.h"

namespace quorven::search_core::vrel {

using qv::u32;
using qv::usize;

u32 renumber_dirs(const search_core& core, const cancel_poll& poll, dir_renumbering& out) {
    usize dir_count = core.dir_table.size();
    // No more directories can be used than there are live entries.
    usize order_room =
        core.live_count < dir_count ? static_cast<usize>(core.live_count) : dir_count;
    if (!out.remap.reserve_exact(dir_count) || !out.order.reserve_exact(order_room)) {
        return status_out_of_memory;
    }
    for (usize d = 0; d < dir_count; ++d) {
        out.remap.push_back_reserved(unused_dir);
    }
    for (usize i = 0; i < core.entries.size(); ++i) {
        const entry_record& entry = core.entries[i];
        if (entry.deleted != 0) {
            continue;
        }
        if (u32 status = poll.before_record(i)) {
            return status;
        }
        if (entry.dir_id >= dir_count) {
            return status_invalid_data;
        }
        u32& mapped = out.remap[entry.dir_id];
        if (mapped == unused_dir) {
            if (out.order.size() >= qv::u32_max) {
                return status_invalid_argument;
            }
            mapped = static_cast<u32>(out.order.size());
            // Room reserved above unless live_count undercounts the live entries.
            if (!out.order.push_back(entry.dir_id)) {
                return status_out_of_memory;
            }
        }
    }
    return status_ok;
}

}  // namespace quorven::search_core::vrel
