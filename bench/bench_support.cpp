#include "bench_support.h"

#include "lib/store.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace bench {

double now_seconds(clock_kind kind) {
    timespec t{};
    clock_gettime(kind == clock_kind::thread_cpu ? CLOCK_THREAD_CPUTIME_ID : CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Every live entry's record and every unit of its name, read once.
uint64_t streaming_pass(const quorven::search_core::search_core& core) {
    uint64_t sum = 0;
    const uint16_t* pool = core.name_pool.data();
    for (const auto& entry : core.entries) {
        if (entry.deleted != 0) {
            continue;
        }
        const uint16_t* name = pool + entry.name_offset;
        for (uint32_t i = 0; i < entry.name_length; ++i) {
            sum += name[i];
        }
        sum ^= static_cast<uint64_t>(entry.timestamp);
    }
    return sum;
}

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "benchmark setup failed: %s\n", what);
        std::exit(1);
    }
}

batch_input::batch_input(const std::vector<corpus>& parts) {
    for (const corpus& c : parts) {
        std::vector<uint32_t> dir_offsets;
        for (const auto& dir : c.dirs) {
            dir_offsets.push_back(static_cast<uint32_t>(text.size()));
            text += dir;
        }
        for (const auto& e : c.entries) {
            quorven_search_core_entry_input_v1 r{};
            r.dir_offset = dir_offsets[e.dir];
            r.dir_length = static_cast<uint32_t>(c.dirs[e.dir].size());
            r.name_offset = static_cast<uint32_t>(text.size());
            r.name_length = static_cast<uint32_t>(e.name.size());
            r.timestamp = e.timestamp;
            r.is_folder = e.is_folder;
            text += e.name;
            records.push_back(r);
        }
    }
}

quorven_search_core_handle batch_input::load() const {
    auto create = blank<quorven_search_core_create_request_v1>();
    create.initial_entries = static_cast<uint32_t>(records.size());
    auto created = blank<quorven_search_core_create_result_v1>();
    require(quorven_search_core_create_v1(&create, &created) == 0, "create");
    auto handle = QUORVEN_SC_HANDLE_FROM_U64(created.handle);
    auto add = blank<quorven_search_core_add_batch_request_v1>();
    add.records = QUORVEN_SC_PTR_TO_U64(records.data());
    add.record_count = static_cast<uint32_t>(records.size());
    add.text = QUORVEN_SC_PTR_TO_U64(text.data());
    add.text_units = static_cast<uint32_t>(text.size());
    auto added = blank<quorven_search_core_add_batch_result_v1>();
    require(quorven_search_core_add_batch_v1(handle, &add, &added) == 0, "add_batch");
    return handle;
}

quorven_search_core_handle build_store(const corpus& c) {
    quorven_search_core_handle handle = batch_input({c}).load();
    auto sealed = blank<quorven_search_core_seal_result_v1>();
    require(quorven_search_core_seal_v1(handle, &sealed) == 0, "seal");
    return handle;
}

void report::add(report_row row) {
    std::printf("  %-44s %9.2f %-5s target %s %.2f %s  (%s)\n", row.name.c_str(), row.value,
                row.unit.c_str(), row.kind == bound::at_most ? "<=" : ">=", row.target,
                row.unit.c_str(), row.detail.c_str());
    std::fflush(stdout);
    rows_.push_back(std::move(row));
}

int report::print() const {
    int misses = 0;
    std::printf("\n%zu cases\n", rows_.size());
    for (const auto& row : rows_) {
        bool met = row.kind == bound::at_most ? row.value <= row.target : row.value >= row.target;
        if (!met) {
            std::printf("MISS %s: %.2f %s, target %s %.2f\n", row.name.c_str(), row.value,
                        row.unit.c_str(), row.kind == bound::at_most ? "<=" : ">=", row.target);
            ++misses;
        }
    }
    std::printf("%d of %zu targets missed\n", misses, rows_.size());
    return misses;
}

}  // namespace bench
