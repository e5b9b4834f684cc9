#include "model_check.h"

#include <cstdio>
#include <cstdlib>

#include "blank_record.h"

namespace fuzz {
namespace {

using test::blank_record;

// Cuts `s` at a unit boundary chosen by the input; a lone half of a pair may remain.
std::u16string raw_units(input& in, uint32_t max_units) {
    std::u16string out(in.below(max_units + 1), u'\0');
    for (char16_t& unit : out) {
        unit = in.u16();
    }
    return out;
}

}  // namespace

void fail(const char* what) {
    std::fprintf(stderr, "model check failed: %s\n", what);
    std::abort();
}

const std::vector<std::u16string>& pieces() {
    static const std::vector<std::u16string> all = {
        u"a",          u"A",          u"k",          u"K",      u"s",      u"S",      u"i",
        u"I",          u"z",          u"Z",          u"@",      u"[",      u"`",      u"{",
        u".",          u"\\",         u"/",          u"1",      u"\u00e9", u"\u00c9", u"\u00df",
        u"\u00ff",     u"\u0178",     u"\u017f",     u"\u0131", u"\u0130", u"\u03c3", u"\u03c2",
        u"\u03a3",     u"\u0436",     u"\u0416",     u"\u212a", u"\u2126", u"\u03c9", u"\U00010428",
        u"\U00010400", u"\U0001e922", u"\U0001e900", u"\xd801", u"\xdc28", u"\xdbff", u"\x0000",
        u"\uffff"};
    return all;
}

std::u16string text(input& in, uint32_t max_pieces) {
    if (in.chance(16)) {
        return raw_units(in, max_pieces);
    }
    std::u16string out;
    for (uint32_t n = in.below(max_pieces + 1); n > 0; --n) {
        out += in.pick(pieces());
    }
    return out;
}

std::u16string window_of(input& in, const std::u16string& s) {
    if (s.empty()) {
        return s;
    }
    uint32_t start = in.below(static_cast<uint32_t>(s.size()));
    uint32_t length = 1 + in.below(static_cast<uint32_t>(s.size() - start));
    std::u16string out = s.substr(start, length);
    for (char16_t& unit : out) {
        if (((unit | 0x20) >= u'a' && (unit | 0x20) <= u'z') && in.chance(128)) {
            unit ^= 0x20;
        }
    }
    return out;
}

quorven_search_core_handle new_store() {
    auto request = blank_record<quorven_search_core_create_request_v1>();
    auto result = blank_record<quorven_search_core_create_result_v1>();
    check(quorven_search_core_create_v1(&request, &result) == 0, "create failed");
    return QUORVEN_SC_HANDLE_FROM_U64(result.handle);
}

uint32_t seal(quorven_search_core_handle store) {
    auto result = blank_record<quorven_search_core_seal_result_v1>();
    uint32_t status = quorven_search_core_seal_v1(store, &result);
    check(status == result.status, "seal's status differs from its result's");
    return status;
}

quorven_search_core_stats_result_v1 stats(quorven_search_core_handle store) {
    auto result = blank_record<quorven_search_core_stats_result_v1>();
    check(quorven_search_core_stats_v1(store, &result) == 0, "stats failed");
    return result;
}

void check_counts(quorven_search_core_handle store, const reference::model& model) {
    auto s = stats(store);
    check(s.live_count == model.live_count(), "live count differs from the model's");
    check(s.dir_count == model.dirs().size(), "directory count differs from the model's");
}

void check_query(quorven_search_core_handle store, const reference::model& model,
                 const std::u16string& query, uint32_t max_hits) {
    if (query.empty() || query.size() > QUORVEN_SC_MAX_QUERY_UNITS) {
        return;
    }
    std::vector<quorven_search_core_hit_v1> hits(max_hits);
    auto request = blank_record<quorven_search_core_query_request_v1>();
    request.query = QUORVEN_SC_PTR_TO_U64(query.data());
    request.query_units = static_cast<uint32_t>(query.size());
    request.max_hits = max_hits;
    request.hits = QUORVEN_SC_PTR_TO_U64(hits.data());
    request.hit_capacity = max_hits;
    auto result = blank_record<quorven_search_core_query_result_v1>();
    check(quorven_search_core_query_v1(store, &request, &result) == 0, "query failed");
    reference::query_answer expected = model.query(query, max_hits);
    check(result.scanned == expected.scanned, "query: scanned differs");
    check(result.matched == expected.matched, "query: matched differs");
    check(result.hit_count == expected.hits.size(), "query: hit count differs");
    check(result.hit_text_units == expected.text_units, "query: text units differ");
    for (size_t i = 0; i < expected.hits.size(); ++i) {
        const auto& h = hits[i];
        check(reference::hit{h.id, h.score, h.timestamp, h.is_folder} == expected.hits[i],
              "query: a hit differs");
    }
}

void check_a_query(input& in, quorven_search_core_handle store, const reference::model& model,
                   uint32_t max_hits) {
    std::u16string query = !model.entries().empty() && in.chance(200)
                               ? window_of(in, in.pick(model.entries()).name)
                               : text(in, 3);
    check_query(store, model, query, 1 + in.below(max_hits));
}

void check_projections(quorven_search_core_handle store, const reference::model& model,
                       uint32_t max_rows) {
    for (uint32_t mode : {QUORVEN_SC_PROJECT_RECENT_FILES, QUORVEN_SC_PROJECT_FOLDERS}) {
        std::vector<reference::row> expected = model.project(mode, max_rows);
        std::u16string all;
        for (const auto& row : expected) {
            all += row.text;
        }
        std::vector<quorven_search_core_row_v1> rows(max_rows);
        std::u16string text(all.size(), u'\0');
        auto request = blank_record<quorven_search_core_project_request_v1>();
        request.mode = mode;
        request.max_rows = max_rows;
        request.rows = QUORVEN_SC_PTR_TO_U64(rows.data());
        request.row_capacity = max_rows;
        request.text = QUORVEN_SC_PTR_TO_U64(text.data());
        request.text_capacity = static_cast<uint32_t>(text.size());
        auto result = blank_record<quorven_search_core_project_result_v1>();
        check(quorven_search_core_project_v1(store, &request, &result) == 0, "project failed");
        check(result.row_count == expected.size(), "project: row count differs");
        check(result.live_count == model.live_count(), "project: live count differs");
        check(text == all, "project: the rows' text differs");
        for (size_t i = 0; i < expected.size(); ++i) {
            const auto& r = rows[i];
            check(reference::row{text.substr(r.text_offset, r.text_length), r.file_count, r.tag,
                                 r.timestamp} == expected[i],
                  "project: a row differs");
        }
    }
}

}  // namespace fuzz
