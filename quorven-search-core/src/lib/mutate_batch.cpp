// Mutation batches: upsert, remove, remove_tree and sweep on a sealed store, all or nothing.
// Phases 0 to 4 check every record and work out every effect without touching the store; room
// is reserved in one step, so the apply phase cannot fail.

#include "lib/frame.h"
#include "lib/path_match.h"
#include "lib/time_binary.h"

namespace quorven::search_core {
namespace {

using qv::u16;
using qv::u32;
using qv::u64;
using qv::usize;

constexpr u32 max_batch_records = QUORVEN_SC_MUTATION_BATCH_MAX;

struct upsert_item {
    utf16_span dir;
    utf16_span name;
    u64 timestamp;
    u64 time_binary;
    u64 key;  // candidate key of its full path
    u32 dir_id;
    u32 generation;
    u32 is_folder;
};

struct tree_item {
    utf16_span path;
    u32 is_sweep;
    u32 generation;  // kept by a sweep
};

struct candidate {
    u32 is_upsert;
    u32 index;  // into the upsert list or the remove list
};
using candidate_list = qv::array<candidate>;

// Everything one batch works out before it changes the store.
struct batch_plan {
    qv::array<upsert_item> upserts;
    qv::array<utf16_span> removes;
    qv::array<tree_item> trees;
    qv::array<dir_span> pending;  // offsets count from the start of the batch text
    qv::u64_map<candidate_list> candidates;
    qv::array<u32> doomed;
};

struct batch_text {
    const u16* units;
    u32 length;

    // The span, if it lies inside the text and holds no NUL unit.
    bool span(u32 offset, u32 span_length, utf16_span* out) const {
        if (u64{offset} + span_length > length) {
            return false;
        }
        for (u32 i = 0; i < span_length; ++i) {
            if (units[offset + i] == 0) {
                return false;
            }
        }
        *out = {units + offset, span_length};
        return true;
    }
};

u32 collect_path_record(const quorven_search_core_mutation_v1& record, const batch_text& text,
                        batch_plan& plan) {
    bool sweep = record.kind == QUORVEN_SC_MUTATION_SWEEP;
    utf16_span path{};
    if (record.is_folder != 0 || record.path_length == 0 || record.dir_offset != 0 ||
        record.dir_length != 0 || record.name_offset != 0 || record.name_length != 0 ||
        record.timestamp != 0 || record.time_binary != 0 || (!sweep && record.generation != 0) ||
        !text.span(record.path_offset, record.path_length, &path)) {
        return status_invalid_argument;
    }
    if (record.kind == QUORVEN_SC_MUTATION_REMOVE) {
        plan.removes.push_back_reserved(path);
    } else {
        plan.trees.push_back_reserved({path, sweep ? 1u : 0u, record.generation});
    }
    return status_ok;
}

u32 collect_upsert(const search_core& core, const quorven_search_core_mutation_v1& record,
                   const batch_text& text, batch_plan& plan) {
    if (record.is_folder > 1 || record.path_offset != 0 || record.path_length != 0 ||
        record.name_length == 0 || record.timestamp > max_ticks) {
        return status_invalid_argument;
    }
    if (u32 status = check_time_binary(record.time_binary)) {
        return status;
    }
    upsert_item item{};
    if ((record.time_binary & time_ticks_mask) != record.timestamp ||
        !text.span(record.dir_offset, record.dir_length, &item.dir) ||
        !text.span(record.name_offset, record.name_length, &item.name)) {
        return status_invalid_argument;
    }
    item.key = candidate_key(item.dir, item.name);
    for (const upsert_item& earlier : plan.upserts) {
        if (earlier.key == item.key && names_equal_ci(earlier.dir, item.dir) &&
            names_equal_ci(earlier.name, item.name)) {
            return status_invalid_argument;
        }
    }
    if (u32 status =
            resolve_dir_after_seal(core, item.dir, text.units, plan.pending, &item.dir_id)) {
        return status;
    }
    item.timestamp = record.timestamp;
    item.time_binary = record.time_binary;
    item.generation = record.generation;
    item.is_folder = record.is_folder;
    plan.upserts.push_back_reserved(item);
    return status_ok;
}

// Phase 1: check every record, first to last, and sort them into the three lists.
u32 collect_records(const search_core& core, const quorven_search_core_mutation_v1* records,
                    u32 count, const batch_text& text, batch_plan& plan) {
    if (!plan.upserts.reserve(count) || !plan.removes.reserve(count) ||
        !plan.trees.reserve(count)) {
        return status_out_of_memory;
    }
    for (u32 i = 0; i < count; ++i) {
        const quorven_search_core_mutation_v1& record = records[i];
        if (record.reserved != 0) {
            return status_invalid_argument;
        }
        u32 status = status_invalid_argument;
        switch (record.kind) {
            case QUORVEN_SC_MUTATION_UPSERT:
                status = collect_upsert(core, record, text, plan);
                break;
            case QUORVEN_SC_MUTATION_REMOVE:
            case QUORVEN_SC_MUTATION_REMOVE_TREE:
            case QUORVEN_SC_MUTATION_SWEEP:
                status = collect_path_record(record, text, plan);
                break;
            default:
                break;
        }
        if (status != status_ok) {
            return status;
        }
    }
    return status_ok;
}

bool add_candidate(batch_plan& plan, u64 key, candidate c) {
    candidate_list* list = plan.candidates.find_or_insert(key);
    return list != nullptr && list->push_back(c);
}

// Phase 2: the upserts and removes, keyed by the full paths they name.
u32 build_candidate_map(batch_plan& plan) {
    if (!plan.candidates.reserve(plan.upserts.size() + plan.removes.size())) {
        return status_out_of_memory;
    }
    for (usize i = 0; i < plan.upserts.size(); ++i) {
        if (!add_candidate(plan, plan.upserts[i].key, {1, static_cast<u32>(i)})) {
            return status_out_of_memory;
        }
    }
    for (usize j = 0; j < plan.removes.size(); ++j) {
        if (!add_candidate(plan, candidate_key(plan.removes[j]), {0, static_cast<u32>(j)})) {
            return status_out_of_memory;
        }
    }
    return status_ok;
}

bool candidate_matches(const batch_plan& plan, candidate c, utf16_span dir, utf16_span name) {
    if (c.is_upsert != 0) {
        const upsert_item& upsert = plan.upserts[c.index];
        return names_equal_ci(dir, upsert.dir) && names_equal_ci(name, upsert.name);
    }
    return full_path_equals(plan.removes[c.index], dir, name);
}

bool tree_matches(const batch_plan& plan, const entry_record& entry, utf16_span dir,
                  utf16_span name) {
    for (const tree_item& tree : plan.trees) {
        if (tree.is_sweep != 0 && tree.generation == entry.generation) {
            continue;
        }
        if (path_covers(tree.path, dir, name)) {
            return true;
        }
    }
    return false;
}

// Phase 3: the live entries that existed before the batch and that it removes or replaces.
u32 find_doomed(const search_core& core, batch_plan& plan) {
    usize room = core.entries.size() < core.live_count ? core.entries.size() : core.live_count;
    if (!plan.doomed.reserve(room)) {
        return status_out_of_memory;
    }
    bool keyed = plan.candidates.size() != 0;
    for (usize id = 0; id < core.entries.size(); ++id) {
        const entry_record& entry = core.entries[id];
        if (entry.deleted != 0) {
            continue;
        }
        utf16_span dir = dir_text(core, entry.dir_id);
        utf16_span name = name_text(core, entry);
        bool doomed = false;
        if (keyed) {
            if (const candidate_list* list = plan.candidates.find(candidate_key(dir, name))) {
                for (candidate c : *list) {
                    if (candidate_matches(plan, c, dir, name)) {
                        doomed = true;
                        break;
                    }
                }
            }
        }
        if (doomed || tree_matches(plan, entry, dir, name)) {
            plan.doomed.push_back_reserved(static_cast<u32>(id));
        }
    }
    return status_ok;
}

// Phase 4: the store's limits, then room for everything the apply phase appends.
u32 reserve_room(search_core& core, const batch_plan& plan) {
    u64 doomed = plan.doomed.size();
    u64 surviving = core.live_count > doomed ? core.live_count - doomed : 0;
    if (surviving + plan.upserts.size() > max_entries) {
        return status_invalid_argument;
    }
    u64 name_units = 0;
    for (const upsert_item& upsert : plan.upserts) {
        name_units = qv::add_saturating(name_units, u64{upsert.name.length});
    }
    u64 dir_units = 0;
    for (const dir_span& dir : plan.pending) {
        dir_units = qv::add_saturating(dir_units, u64{dir.length});
    }
    if (qv::add_saturating(u64{core.name_pool.size()}, name_units) > max_pool_units ||
        qv::add_saturating(u64{core.dir_pool.size()}, dir_units) > max_pool_units) {
        return status_invalid_argument;
    }
    if (!core.entries.reserve_more(plan.upserts.size()) ||
        !core.name_pool.reserve_more(name_units) ||
        !core.dir_table.reserve_more(plan.pending.size()) ||
        !core.dir_pool.reserve_more(dir_units)) {
        return status_out_of_memory;
    }
    return status_ok;
}

// Phase 5: cannot fail; every append fits in the room reserved above.
void apply(search_core& core, const batch_plan& plan, const u16* text) {
    for (const dir_span& dir : plan.pending) {
        u32 offset = static_cast<u32>(core.dir_pool.size());
        core.dir_pool.append_reserved(text + dir.offset, dir.length);
        core.dir_table.push_back_reserved({offset, dir.length});
    }
    for (u32 id : plan.doomed) {
        core.entries[id].deleted = 1;
    }
    core.live_count -= plan.doomed.size();
    for (const upsert_item& upsert : plan.upserts) {
        u32 name_offset = static_cast<u32>(core.name_pool.size());
        core.name_pool.append_reserved(upsert.name.units, upsert.name.length);
        core.entries.push_back_reserved({static_cast<qv::i64>(upsert.timestamp), upsert.time_binary,
                                         upsert.dir_id, name_offset, upsert.name.length,
                                         upsert.generation, upsert.is_folder, 0});
        ++core.live_count;
    }
}

u32 mutate_batch(search_core& core, const quorven_search_core_mutation_v1* records, u32 count,
                 const batch_text& text) {
    if (!core.sealed) {
        return status_wrong_state;
    }
    batch_plan plan;
    if (u32 status = collect_records(core, records, count, text, plan)) {
        return status;
    }
    if (u32 status = build_candidate_map(plan)) {
        return status;
    }
    if (u32 status = find_doomed(core, plan)) {
        return status;
    }
    if (u32 status = reserve_room(core, plan)) {
        return status;
    }
    apply(core, plan, text.units);
    return status_ok;
}

}  // namespace
}  // namespace quorven::search_core

using namespace quorven::search_core;

extern "C" QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_mutate_batch_v1(
    quorven_search_core_handle handle, const quorven_search_core_mutate_batch_request_v1* request,
    quorven_search_core_mutate_batch_result_v1* result) {
    if (qv::u32 status = check_records(request, result)) {
        return status;
    }
    if (handle == nullptr || request->record_count < 1 ||
        request->record_count > max_batch_records || request->text_units < 1 ||
        request->text_units > max_pool_units || request->records == 0 || request->text == 0 ||
        request->reserved0 != 0 || request->reserved1 != 0 ||
        !all_zero(request->reserved, sizeof request->reserved)) {
        return finish(*result, status_invalid_argument);
    }
    search_core& core = *core_of(handle);
    qv::u32 status = mutate_batch(
        core, host_pointer<quorven_search_core_mutation_v1>(request->records),
        request->record_count, {host_pointer<qv::u16>(request->text), request->text_units});
    result->live_count = static_cast<qv::u32>(core.live_count);
    result->deleted_count = static_cast<qv::u32>(core.entries.size() - core.live_count);
    result->dir_count = static_cast<qv::u32>(core.dir_table.size());
    if (status == status_ok) {
        result->applied = request->record_count;
    }
    return finish(*result, status);
}
