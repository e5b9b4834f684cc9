// Mutation batches: upsert, remove, remove_tree and sweep on a sealed store, all or nothing.
// Phases 0 to 4 check every record and work out every effect without touching the store's
// contents; room is reserved in one step, so the apply phase cannot fail. Upserts and removes
// find their directories and entries through the store's path index in one probe each; only
// tree items walk the entries.

#include "lib/frame.h"
#include "lib/path_index.h"
#include "lib/path_match.h"
#include "lib/time_binary.h"
#include "qv/sort.h"

namespace quorven::search_core {
namespace {

using qv::u16;
using qv::u32;
using qv::u64;
using qv::u8;
using qv::usize;

constexpr u32 max_batch_records = QUORVEN_SC_MUTATION_BATCH_MAX;

struct upsert_item {
    utf16_span dir;
    utf16_span name;
    u64 timestamp;
    u64 time_binary;
    u32 tag;  // of its full path
    u32 dir_id;
    u32 generation;
    u32 is_folder;
};

struct tree_item {
    utf16_span path;
    u32 is_sweep;
    u32 generation;  // kept by a sweep
};

// An entry the batch removes or replaces, with the tag of its full path where the record that
// found it already knew it (an upsert's or a remove's; a tree item's covers many paths).
struct doomed_entry {
    u32 id;
    u32 tag;
    bool tag_known;
};

// Everything one batch works out before it changes the store.
struct batch_plan {
    qv::array<upsert_item> upserts;
    qv::id_table upserts_by_path;  // positions in `upserts`, by tag
    qv::array<utf16_span> removes;
    qv::array<tree_item> trees;
    pending_dirs pending;
    qv::array<doomed_entry> doomed;  // increasing ids
    upper_cache uppers;
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
    dir_tags tags = tags_of_dir(item.dir, plan.uppers);
    folded_hash path_hash = tags.entries;
    path_hash.feed(item.name, plan.uppers);
    item.tag = path_hash.tag();
    u32 earlier = plan.upserts_by_path.find(item.tag, [&](u32 at) {
        return names_equal_ci(plan.upserts[at].dir, item.dir) &&
               names_equal_ci(plan.upserts[at].name, item.name);
    });
    if (earlier != qv::id_table::no_id) {
        return status_invalid_argument;
    }
    if (u32 status = resolve_dir_after_seal(core, item.dir, tags.dir, text.units, plan.pending,
                                            &item.dir_id)) {
        return status;
    }
    item.timestamp = record.timestamp;
    item.time_binary = record.time_binary;
    item.generation = record.generation;
    item.is_folder = record.is_folder;
    plan.upserts_by_path.insert_reserved(item.tag, static_cast<u32>(plan.upserts.size()));
    plan.upserts.push_back_reserved(item);
    return status_ok;
}

// Phase 1: check every record, first to last, and sort them into the three lists.
u32 collect_records(const search_core& core, const quorven_search_core_mutation_v1* records,
                    u32 count, const batch_text& text, batch_plan& plan) {
    // Each list gets room for the records of its kinds (at least 4 items).
    u32 upserts = 0;
    u32 removes = 0;
    for (u32 i = 0; i < count; ++i) {
        upserts += records[i].kind == QUORVEN_SC_MUTATION_UPSERT ? 1 : 0;
        removes += records[i].kind == QUORVEN_SC_MUTATION_REMOVE ? 1 : 0;
    }
    if (!plan.upserts.reserve(upserts) || !plan.removes.reserve(removes) ||
        !plan.trees.reserve(count - upserts - removes) || !plan.upserts_by_path.reserve(upserts)) {
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

constexpr u8 dir_outside = 1;
constexpr u8 dir_may_be_covered = 2;

// Whether some tree item agrees with the directory over their common length, the first test
// path_covers makes; if none does, no entry of the directory is covered.
bool trees_meet_dir(const batch_plan& plan, utf16_span dir) {
    for (const tree_item& tree : plan.trees) {
        u32 shared = dir.length < tree.path.length ? dir.length : tree.path.length;
        if (units_equal_ci(tree.path.units, dir.units, shared)) {
            return true;
        }
    }
    return false;
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

// The live entries that an upsert replaces or a remove names, found through the path index
// and appended to `doomed` unsorted, possibly more than once; false if the list cannot grow.
bool find_doomed_by_path(const search_core& core, batch_plan& plan) {
    bool grown = true;
    auto add_if = [&](u32 tag, auto matches) {
        for_each_entry(core, tag, [&](u32 id) {
            const entry_record& entry = core.entries[id];
            if (entry.deleted == 0 &&
                matches(dir_text(core, entry.dir_id), name_text(core, entry))) {
                grown = grown && plan.doomed.push_back({id, tag, true});
            }
        });
    };
    for (const upsert_item& upsert : plan.upserts) {
        add_if(upsert.tag, [&](utf16_span dir, utf16_span name) {
            return names_equal_ci(dir, upsert.dir) && names_equal_ci(name, upsert.name);
        });
    }
    for (utf16_span path : plan.removes) {
        add_if(path_tag(path, plan.uppers),
               [&](utf16_span dir, utf16_span name) { return full_path_equals(path, dir, name); });
    }
    return grown;
}

// Phase 3: the live entries that existed before the batch and that it removes or replaces, in
// increasing id order.
u32 find_doomed(const search_core& core, batch_plan& plan) {
    if (!find_doomed_by_path(core, plan)) {
        return status_out_of_memory;
    }
    qv::array<doomed_entry>& doomed = plan.doomed;
    qv::sort(doomed.data(), doomed.size(),
             [](const doomed_entry& a, const doomed_entry& b) { return a.id < b.id; });
    usize unique = 0;
    for (usize i = 0; i < doomed.size(); ++i) {
        if (unique == 0 || doomed[unique - 1].id != doomed[i].id) {
            doomed[unique++] = doomed[i];
        }
    }
    doomed.truncate(unique);
    if (plan.trees.empty()) {
        return status_ok;
    }
    // Tree items test every live entry the paths did not doom; the ids found by path are merged
    // in on the way, keeping the list in id order. A directory that no tree path agrees with
    // over their common length holds no entry any item covers, whatever the names: each
    // directory is judged once, and its entries then cost a byte load.
    qv::array<doomed_entry> by_path = qv::move(doomed);
    usize room = core.entries.size() < core.live_count ? core.entries.size() : core.live_count;
    qv::array<u8> dir_verdicts;  // 0 not judged yet, else dir_outside or dir_may_be_covered
    if (!doomed.reserve(room) || !dir_verdicts.reserve_exact(core.dir_table.size())) {
        return status_out_of_memory;
    }
    for (usize i = 0; i < core.dir_table.size(); ++i) {
        dir_verdicts.push_back_reserved(0);
    }
    usize next = 0;
    for (usize id = 0; id < core.entries.size(); ++id) {
        const entry_record& entry = core.entries[id];
        if (entry.deleted != 0) {
            continue;
        }
        if (next < by_path.size() && by_path[next].id == id) {
            doomed.push_back_reserved(by_path[next++]);
            continue;
        }
        u8& verdict = dir_verdicts[entry.dir_id];
        if (verdict == dir_outside) {
            continue;
        }
        utf16_span dir = dir_text(core, entry.dir_id);
        if (verdict == 0) {
            verdict = trees_meet_dir(plan, dir) ? dir_may_be_covered : dir_outside;
        }
        if (verdict == dir_may_be_covered &&
            tree_matches(plan, entry, dir, name_text(core, entry))) {
            doomed.push_back_reserved({static_cast<u32>(id), 0, false});
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
    for (const dir_span& dir : plan.pending.spans) {
        dir_units = qv::add_saturating(dir_units, u64{dir.length});
    }
    if (qv::add_saturating(u64{core.name_pool.size()}, name_units) > max_pool_units ||
        qv::add_saturating(u64{core.dir_pool.size()}, dir_units) > max_pool_units) {
        return status_invalid_argument;
    }
    if (!core.entries.reserve_more(plan.upserts.size()) ||
        !core.name_pool.reserve_more(name_units) ||
        !core.dir_table.reserve_more(plan.pending.spans.size()) ||
        !core.dir_pool.reserve_more(dir_units) ||
        !reserve_paths(core, plan.pending.spans.size(), plan.upserts.size())) {
        return status_out_of_memory;
    }
    return status_ok;
}

// Phase 5: cannot fail; every append fits in the room reserved above.
void apply(search_core& core, batch_plan& plan, const u16* text) {
    for (usize k = 0; k < plan.pending.spans.size(); ++k) {
        const dir_span& dir = plan.pending.spans[k];
        u32 offset = static_cast<u32>(core.dir_pool.size());
        core.dir_pool.append_reserved(text + dir.offset, dir.length);
        core.dir_table.push_back_reserved({offset, dir.length});
        file_dir(core, plan.pending.tags[k]);
    }
    for (const doomed_entry& doomed : plan.doomed) {
        const entry_record& entry = core.entries[doomed.id];
        u32 tag = doomed.tag_known ? doomed.tag
                                   : full_path_tag(dir_text(core, entry.dir_id),
                                                   name_text(core, entry), plan.uppers);
        unfile_entry(core, doomed.id, tag);
        core.entries[doomed.id].deleted = 1;
    }
    core.live_count -= plan.doomed.size();
    // Each name is appended right after the last; the layout queries rely on holds as long as
    // the last entry's name ended where the pool does.
    if (!core.entries.empty()) {
        const entry_record& last = core.entries[core.entries.size() - 1];
        if (u64{last.name_offset} + last.name_length != core.name_pool.size()) {
            core.names_in_entry_order = 0;
        }
    }
    for (const upsert_item& upsert : plan.upserts) {
        u32 name_offset = static_cast<u32>(core.name_pool.size());
        core.name_pool.append_reserved(upsert.name.units, upsert.name.length);
        core.entries.push_back_reserved({static_cast<qv::i64>(upsert.timestamp), upsert.time_binary,
                                         upsert.dir_id, name_offset, upsert.name.length,
                                         upsert.generation, upsert.is_folder, 0});
        file_entry(core, upsert.tag);
        ++core.live_count;
    }
}

u32 plan_and_apply(search_core& core, const quorven_search_core_mutation_v1* records, u32 count,
                   const batch_text& text) {
    batch_plan plan;
    if (u32 status = collect_records(core, records, count, text, plan)) {
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

u32 mutate_batch(search_core& core, const quorven_search_core_mutation_v1* records, u32 count,
                 const batch_text& text) {
    if (!core.sealed) {
        return status_wrong_state;
    }
    // A store sealed after add_batch or opened from an index file gets its path index on its
    // first batch; later batches keep it in step. A batch that fails leaves the store as it
    // found it, memory included: an index made for it goes again, to be made by the next one.
    bool indexed = paths_indexed(core);
    u32 status = index_paths(core);
    if (status == status_ok) {
        status = plan_and_apply(core, records, count, text);
    }
    if (status != status_ok && !indexed) {
        drop_paths(core);
    }
    return status;
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
