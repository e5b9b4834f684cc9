// What only a test linked to the library's code can see of a store: the arrays and counters
// behind the handle. Tests that use it live in *_internal_test.cpp files, which only the Linux
// program compiles; every other test sees stores through the exports alone.
#pragma once

#ifdef QUORVEN_TEST_THROUGH_EXPORTS_ONLY
#error "store_internals.h reaches behind the handle: include it from *_internal_test.cpp only"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "lib/store.h"
#include "quorven/search_core.h"

namespace test {

namespace sc = quorven::search_core;

inline sc::search_core& internals(quorven_search_core_handle h) {
    return *reinterpret_cast<sc::search_core*>(h);
}

inline std::u16string text_of(sc::utf16_span span) {
    return std::u16string(reinterpret_cast<const char16_t*>(span.units), span.length);
}

// Marks one entry deleted, as a mutation batch would: unlike a remove, it leaves other entries
// at the same path alone.
inline void mark_deleted(quorven_search_core_handle h, uint32_t id) {
    sc::search_core& core = internals(h);
    ASSERT_EQ(core.entries[id].deleted, 0u);
    core.entries[id].deleted = 1;
    --core.live_count;
}

// One entry as the store holds it, texts resolved.
struct stored_entry {
    std::u16string dir;
    std::u16string name;
    int64_t timestamp;
    uint64_t time_binary;
    uint32_t dir_id;
    uint32_t generation;
    uint32_t is_folder;
    uint32_t deleted;
    bool operator==(const stored_entry&) const = default;
};

inline std::vector<stored_entry> entries_of(quorven_search_core_handle h) {
    const sc::search_core& core = internals(h);
    std::vector<stored_entry> out;
    for (const sc::entry_record& e : core.entries) {
        out.push_back({text_of(sc::dir_text(core, e.dir_id)), text_of(sc::name_text(core, e)),
                       e.timestamp, e.time_binary, e.dir_id, e.generation, e.is_folder, e.deleted});
    }
    return out;
}

inline std::vector<std::u16string> dirs_of(quorven_search_core_handle h) {
    const sc::search_core& core = internals(h);
    std::vector<std::u16string> out;
    for (uint32_t id = 0; id < core.dir_table.size(); ++id) {
        out.push_back(text_of(sc::dir_text(core, id)));
    }
    return out;
}

// Every element of the store's arrays (lengths, not capacities) and its counters: equal
// snapshots mean that not even a pool grew behind the exports' back.
struct store_snapshot {
    std::vector<uint8_t> entries;
    std::vector<sc::dir_span> dirs;
    std::u16string dir_pool;
    std::u16string name_pool;
    uint64_t live_count = 0;
    uint8_t sealed = 0;

    bool operator==(const store_snapshot& o) const {
        return entries == o.entries && dir_pool == o.dir_pool && name_pool == o.name_pool &&
               live_count == o.live_count && sealed == o.sealed && dirs.size() == o.dirs.size() &&
               std::equal(dirs.begin(), dirs.end(), o.dirs.begin(), [](auto& a, auto& b) {
                   return a.offset == b.offset && a.length == b.length;
               });
    }
};

inline store_snapshot snapshot(quorven_search_core_handle handle) {
    const sc::search_core& core = internals(handle);
    store_snapshot s;
    const auto* e = reinterpret_cast<const uint8_t*>(core.entries.data());
    s.entries.assign(e, e + core.entries.size() * sizeof(sc::entry_record));
    s.dirs.assign(core.dir_table.begin(), core.dir_table.end());
    s.dir_pool.assign(reinterpret_cast<const char16_t*>(core.dir_pool.data()),
                      core.dir_pool.size());
    s.name_pool.assign(reinterpret_cast<const char16_t*>(core.name_pool.data()),
                       core.name_pool.size());
    s.live_count = core.live_count;
    s.sealed = core.sealed;
    return s;
}

}  // namespace test
