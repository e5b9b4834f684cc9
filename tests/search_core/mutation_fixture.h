// Building mutation batches from readable strings.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "store_fixture.h"

namespace test {

inline constexpr uint64_t utc_kind = uint64_t{1} << 62;

class mutations {
  public:
    quorven_search_core_mutation_v1& upsert(const std::u16string& dir, const std::u16string& name,
                                            uint64_t timestamp = 1, uint32_t generation = 0,
                                            uint32_t is_folder = 0) {
        quorven_search_core_mutation_v1 m{};
        m.kind = QUORVEN_SC_MUTATION_UPSERT;
        m.is_folder = is_folder;
        m.dir_offset = put(dir);
        m.dir_length = static_cast<uint32_t>(dir.size());
        m.name_offset = put(name);
        m.name_length = static_cast<uint32_t>(name.size());
        m.timestamp = timestamp;
        m.time_binary = timestamp | utc_kind;
        m.generation = generation;
        records_.push_back(m);
        return records_.back();
    }
    quorven_search_core_mutation_v1& path_record(uint32_t kind, const std::u16string& path,
                                                 uint32_t generation = 0) {
        quorven_search_core_mutation_v1 m{};
        m.kind = kind;
        m.path_offset = put(path);
        m.path_length = static_cast<uint32_t>(path.size());
        m.generation = generation;
        records_.push_back(m);
        return records_.back();
    }
    quorven_search_core_mutation_v1& remove(const std::u16string& path) {
        return path_record(QUORVEN_SC_MUTATION_REMOVE, path);
    }
    quorven_search_core_mutation_v1& remove_tree(const std::u16string& path) {
        return path_record(QUORVEN_SC_MUTATION_REMOVE_TREE, path);
    }
    quorven_search_core_mutation_v1& sweep(const std::u16string& path, uint32_t generation) {
        return path_record(QUORVEN_SC_MUTATION_SWEEP, path, generation);
    }

    std::vector<quorven_search_core_mutation_v1>& records() { return records_; }
    std::u16string& text() { return text_; }

    quorven_search_core_mutate_batch_request_v1 request() const {
        quorven_search_core_mutate_batch_request_v1 r{};
        r.size = sizeof r;
        r.version = 1;
        r.records = QUORVEN_SC_PTR_TO_U64(records_.data());
        r.record_count = static_cast<uint32_t>(records_.size());
        r.text = QUORVEN_SC_PTR_TO_U64(text_.data());
        r.text_units = static_cast<uint32_t>(text_.size());
        return r;
    }

  private:
    uint32_t put(const std::u16string& s) {
        // Texts are not shared between records, so offsets are distinct and checkable.
        auto offset = static_cast<uint32_t>(text_.size());
        text_ += s;
        return offset;
    }

    std::u16string text_ = u"#";  // never empty: the batch text must hold at least one unit
    std::vector<quorven_search_core_mutation_v1> records_;
};

inline quorven_search_core_mutate_batch_result_v1 mutate(quorven_search_core_handle store,
                                                         const mutations& m) {
    auto request = m.request();
    auto result = blank_record<quorven_search_core_mutate_batch_result_v1>();
    uint32_t status = quorven_search_core_mutate_batch_v1(store, &request, &result);
    EXPECT_EQ(status, result.status);
    return result;
}

// Removes the live entries at the given full paths, as a host does when files go away.
inline void remove_paths(quorven_search_core_handle store,
                         std::initializer_list<std::u16string> paths) {
    mutations m;
    for (const std::u16string& path : paths) {
        m.remove(path);
    }
    auto result = mutate(store, m);
    ASSERT_EQ(result.status, 0u);
}

}  // namespace test
