// Helpers for the query, projection and copy tests: each call with its own buffers, which start
// filled with a marker byte so that a test can tell what the library wrote.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "quorven/search_core.h"
#include "store_fixture.h"

namespace test {

inline constexpr unsigned char untouched_byte = 0xA5;
inline constexpr char16_t untouched_unit = 0xA5A5;

template <typename T>
std::vector<T> marked_buffer(size_t count) {
    std::vector<T> items(count);
    if (count != 0) {
        std::memset(static_cast<void*>(items.data()), untouched_byte, count * sizeof(T));
    }
    return items;
}

template <typename T>
bool all_untouched(const std::vector<T>& items) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(items.data());
    for (size_t i = 0; i < items.size() * sizeof(T); ++i) {
        if (bytes[i] != untouched_byte) {
            return false;
        }
    }
    return true;
}

struct query_call {
    uint32_t status;
    quorven_search_core_query_result_v1 result;
    std::vector<quorven_search_core_hit_v1> hits;  // the whole buffer, hit_capacity elements
};

inline quorven_search_core_query_request_v1 query_request(
    const std::u16string& query, uint32_t max_hits, std::vector<quorven_search_core_hit_v1>& hits) {
    auto r = blank_record<quorven_search_core_query_request_v1>();
    r.query = QUORVEN_SC_PTR_TO_U64(query.data());
    r.query_units = static_cast<uint32_t>(query.size());
    r.max_hits = max_hits;
    r.hits = QUORVEN_SC_PTR_TO_U64(hits.data());
    r.hit_capacity = static_cast<uint32_t>(hits.size());
    return r;
}

inline query_call run_query(quorven_search_core_handle h, const std::u16string& query,
                            uint32_t max_hits) {
    query_call call{0, blank_record<quorven_search_core_query_result_v1>(),
                    marked_buffer<quorven_search_core_hit_v1>(max_hits)};
    auto request = query_request(query, max_hits, call.hits);
    call.status = quorven_search_core_query_v1(h, &request, &call.result);
    EXPECT_EQ(call.status, call.result.status);
    return call;
}

struct project_call {
    uint32_t status;
    quorven_search_core_project_result_v1 result;
    std::vector<quorven_search_core_row_v1> rows;
    std::vector<char16_t> text;

    std::u16string row_text(size_t i) const {
        const auto& row = rows.at(i);
        EXPECT_LE(size_t{row.text_offset} + row.text_length, text.size());
        return std::u16string(text.data() + row.text_offset, row.text_length);
    }
};

inline quorven_search_core_project_request_v1 project_request(
    uint32_t mode, uint32_t max_rows, std::vector<quorven_search_core_row_v1>& rows,
    std::vector<char16_t>& text) {
    auto r = blank_record<quorven_search_core_project_request_v1>();
    r.mode = mode;
    r.max_rows = max_rows;
    r.rows = QUORVEN_SC_PTR_TO_U64(rows.data());
    r.row_capacity = static_cast<uint32_t>(rows.size());
    // A non-null pointer even for a zero capacity.
    r.text = QUORVEN_SC_PTR_TO_U64(text.empty() ? u"" : text.data());
    r.text_capacity = static_cast<uint32_t>(text.size());
    return r;
}

inline project_call run_project(quorven_search_core_handle h, uint32_t mode, uint32_t max_rows,
                                uint32_t text_capacity = 1u << 16) {
    project_call call{0, blank_record<quorven_search_core_project_result_v1>(),
                      marked_buffer<quorven_search_core_row_v1>(max_rows),
                      marked_buffer<char16_t>(text_capacity)};
    auto request = project_request(mode, max_rows, call.rows, call.text);
    call.status = quorven_search_core_project_v1(h, &request, &call.result);
    EXPECT_EQ(call.status, call.result.status);
    return call;
}

struct copy_call {
    uint32_t status;
    quorven_search_core_copy_entries_result_v1 result;
    std::vector<quorven_search_core_entry_row_v1> rows;
    std::vector<char16_t> text;

    std::u16string dir(size_t i) const { return span(rows.at(i).dir_offset, rows[i].dir_length); }
    std::u16string name(size_t i) const {
        return span(rows.at(i).name_offset, rows[i].name_length);
    }

  private:
    std::u16string span(uint32_t offset, uint32_t length) const {
        EXPECT_LE(size_t{offset} + length, text.size());
        return std::u16string(text.data() + offset, length);
    }
};

inline quorven_search_core_copy_entries_request_v1 copy_request(
    const std::vector<uint32_t>& ids, std::vector<quorven_search_core_entry_row_v1>& rows,
    std::vector<char16_t>& text) {
    auto r = blank_record<quorven_search_core_copy_entries_request_v1>();
    r.ids = QUORVEN_SC_PTR_TO_U64(ids.data());
    r.id_count = static_cast<uint32_t>(ids.size());
    r.rows = QUORVEN_SC_PTR_TO_U64(rows.data());
    r.row_capacity = static_cast<uint32_t>(rows.size());
    r.text = QUORVEN_SC_PTR_TO_U64(text.empty() ? u"" : text.data());
    r.text_capacity = static_cast<uint32_t>(text.size());
    return r;
}

inline copy_call run_copy(quorven_search_core_handle h, const std::vector<uint32_t>& ids,
                          uint32_t text_capacity = 1u << 16) {
    copy_call call{0, blank_record<quorven_search_core_copy_entries_result_v1>(),
                   marked_buffer<quorven_search_core_entry_row_v1>(ids.size()),
                   marked_buffer<char16_t>(text_capacity)};
    auto request = copy_request(ids, call.rows, call.text);
    call.status = quorven_search_core_copy_entries_v1(h, &request, &call.result);
    EXPECT_EQ(call.status, call.result.status);
    return call;
}

// A sealed store holding `entries` in order.
inline quorven_search_core_handle sealed_store(const std::vector<entry>& entries) {
    quorven_search_core_handle h = create_store();
    if (!entries.empty()) {
        EXPECT_EQ(add(h, batch(entries)).status, 0u);
    }
    EXPECT_EQ(seal(h).status, 0u);
    return h;
}

// A sealed store of `count` files named "f" with timestamps 0, 1, ..., all in one directory of
// `dir_units` units. The records all name one span of the batch text, so the directory is
// interned once however long it is.
inline quorven_search_core_handle one_directory_store(uint32_t count, uint32_t dir_units) {
    quorven_search_core_handle h = create_store(count);
    batch b;
    b.text() = std::u16string(dir_units, u'd') + u"f";
    b.records().assign(count, {0, dir_units, dir_units, 1, 0, 0, 0});
    for (uint32_t i = 0; i < count; ++i) {
        b.records()[i].timestamp = i;
    }
    EXPECT_EQ(add(h, b).status, 0u);
    EXPECT_EQ(seal(h).status, 0u);
    return h;
}

// A sealed store's counts, deleted entries included: a second seal reports them and changes
// nothing.
inline quorven_search_core_seal_result_v1 counts(quorven_search_core_handle h) {
    EXPECT_EQ(stats(h).sealed, 1u) << "counts are read from sealed stores only";
    auto again = seal(h);
    EXPECT_EQ(again.status, 4u);
    return again;
}

// One entry as copy_entries shows it.
struct copied_entry {
    std::u16string dir;
    std::u16string name;
    int64_t timestamp = 0;
    uint32_t is_folder = 0;
    bool operator==(const copied_entry&) const = default;
};

inline std::vector<copied_entry> copy_of(quorven_search_core_handle h,
                                         const std::vector<uint32_t>& ids) {
    std::vector<copied_entry> out;
    auto sized = run_copy(h, ids, 0);
    if (sized.status != 3) {
        EXPECT_EQ(sized.status, 0u);  // only an empty text fits in no text
        return out;
    }
    auto call = run_copy(h, ids, sized.result.text_units);
    EXPECT_EQ(call.status, 0u);
    for (size_t i = 0; i < call.result.row_count; ++i) {
        out.push_back({call.dir(i), call.name(i), call.rows[i].timestamp, call.rows[i].is_folder});
    }
    return out;
}

// Every entry of a sealed store by id, as copy_entries shows it; an entry that copy refuses
// (a deleted one) as nullopt.
inline std::vector<std::optional<copied_entry>> copied_entries(quorven_search_core_handle h) {
    std::vector<uint32_t> ids(counts(h).entry_count);
    std::iota(ids.begin(), ids.end(), 0u);
    std::vector<std::optional<copied_entry>> out(ids.size());
    if (ids.empty()) {
        return out;
    }
    if (run_copy(h, ids, 0).status != 1) {
        auto all = copy_of(h, ids);
        std::copy(all.begin(), all.end(), out.begin());
        return out;
    }
    for (uint32_t id : ids) {
        if (run_copy(h, {id}, 0).status != 1) {
            out[id] = copy_of(h, {id}).at(0);
        }
    }
    return out;
}

// The live entries of a sealed store in id order.
inline std::vector<copied_entry> live_entries(quorven_search_core_handle h) {
    std::vector<copied_entry> out;
    for (const auto& e : copied_entries(h)) {
        if (e) {
            out.push_back(*e);
        }
    }
    return out;
}

// All that the exports show of a sealed store: its figures, its counts and every entry.
struct visible_state {
    std::vector<unsigned char> figures;
    uint32_t entry_count = 0;
    uint32_t dir_count = 0;
    std::vector<std::optional<copied_entry>> entries;
    bool operator==(const visible_state&) const = default;
};

inline visible_state visible(quorven_search_core_handle h) {
    visible_state v;
    v.figures = bytes_of(stats(h));
    auto c = counts(h);
    v.entry_count = c.entry_count;
    v.dir_count = c.dir_count;
    v.entries = copied_entries(h);
    return v;
}

}  // namespace test
