// Fuzz target of mutate_batch: a small sealed store, then a few structured batches of all four
// kinds. Paths are mostly those of stored entries, recased, with either separator, cut to an
// ancestor or made of pieces with surrogates and NULs; times come in every kind; now and then a
// field is overwritten with raw bytes. Each record is classified by the record rules, the batch
// goes to the library and to the reference model, and the two must agree on the status, the
// counts, a query and both projections. A refused batch must leave the store exactly as it was,
// which the same comparisons show, since the model is all or nothing by construction.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model_check.h"

namespace {

using fuzz::check;
using reference::mutation;

constexpr uint64_t max_ticks = QUORVEN_SC_MAX_TICKS;
constexpr uint64_t ticks_mask = QUORVEN_SC_TIME_TICKS_MASK;

const std::vector<std::u16string> dirs = {
    u"",       u"C:\\",         u"C:\\Users",    u"c:/users",   u"C:\\USERS\\",
    u"/",      u"/home/\u00e9", u"/HOME/\u00c9", u"D:\\\u0394", u"D:\\\u03b4",
    u"D:\\x/", u"\U00010428"};

// The status the time rules give an upsert's time_binary: 0, 8 or 9.
uint32_t time_status(uint64_t v) {
    uint64_t kind = v >> QUORVEN_SC_TIME_KIND_SHIFT;
    if (kind == QUORVEN_SC_TIME_KIND_UNSPECIFIED) {
        return v == 0 ? 0 : 8;
    }
    if ((v & ticks_mask) > max_ticks) {
        return kind == QUORVEN_SC_TIME_KIND_UTC ? 9 : 8;
    }
    return 0;
}

bool inside(uint32_t offset, uint32_t length, const std::u16string& text) {
    return uint64_t{offset} + length <= text.size();
}

// The record as the model sees it; `reserved` marks a record that a record rule refuses with 1
// before anything the model itself checks.
mutation classify(const quorven_search_core_mutation_v1& r, const std::u16string& text) {
    mutation m{};
    m.kind = mutation::remove;
    m.reserved = true;
    if (r.reserved != 0) {
        return m;
    }
    if (r.kind == QUORVEN_SC_MUTATION_UPSERT) {
        m.kind = mutation::upsert;
        if (r.is_folder > 1 || r.path_offset != 0 || r.path_length != 0 || r.name_length == 0 ||
            r.timestamp > max_ticks) {
            return m;
        }
        m.timestamp = static_cast<int64_t>(r.timestamp);
        m.time_binary = r.time_binary;
        m.is_folder = r.is_folder;
        m.generation = r.generation;
        bool spans_inside =
            inside(r.dir_offset, r.dir_length, text) && inside(r.name_offset, r.name_length, text);
        if (time_status(r.time_binary) == 0 &&
            ((r.time_binary & ticks_mask) != r.timestamp || !spans_inside)) {
            return m;
        }
        if (spans_inside) {
            m.dir = text.substr(r.dir_offset, r.dir_length);
            m.name = text.substr(r.name_offset, r.name_length);
        }
        m.reserved = false;
        return m;
    }
    if (r.kind < QUORVEN_SC_MUTATION_REMOVE || r.kind > QUORVEN_SC_MUTATION_SWEEP) {
        return m;
    }
    m.kind = static_cast<mutation::kind_t>(r.kind);
    bool other_fields_zero = r.is_folder == 0 && r.dir_offset == 0 && r.dir_length == 0 &&
                             r.name_offset == 0 && r.name_length == 0 && r.timestamp == 0 &&
                             r.time_binary == 0 &&
                             (r.generation == 0 || r.kind == QUORVEN_SC_MUTATION_SWEEP);
    if (!other_fields_zero || r.path_length == 0 || !inside(r.path_offset, r.path_length, text)) {
        return m;
    }
    m.path = text.substr(r.path_offset, r.path_length);
    m.generation = r.generation;
    m.reserved = false;
    return m;
}

class batch_maker {
  public:
    batch_maker(fuzz::input& in, const reference::model& model) : in_(in), model_(model) {}

    void add_record() {
        quorven_search_core_mutation_v1 r{};
        r.kind = 1 + in_.below(4);
        if (in_.chance(6)) {
            r.kind = in_.u32();
        }
        const reference::entry* e = some_entry();
        if (r.kind == QUORVEN_SC_MUTATION_UPSERT) {
            bool same = e != nullptr && in_.chance(100);
            put(same              ? recased(e->dir)
                : in_.chance(128) ? in_.pick(dirs)
                                  : fuzz::text(in_, 4),
                r.dir_offset, r.dir_length);
            put(same ? recased(e->name) : fuzz::text(in_, 4), r.name_offset, r.name_length);
            r.is_folder = in_.below(2);
            r.timestamp = in_.chance(200) ? in_.below(8) : max_ticks - in_.below(2);
            uint64_t kind = in_.chance(200) ? QUORVEN_SC_TIME_KIND_UTC : in_.below(4);
            r.time_binary = kind << QUORVEN_SC_TIME_KIND_SHIFT | r.timestamp;
            if (in_.chance(12)) {
                r.time_binary = in_.u64();
            }
            r.generation = in_.below(4);
        } else {
            std::u16string path;
            if (e != nullptr && in_.chance(200)) {
                path = path_of(*e);
                if (r.kind != QUORVEN_SC_MUTATION_REMOVE || in_.chance(24)) {
                    path.resize(1 + in_.below(static_cast<uint32_t>(path.size())));
                }
            } else {
                path = in_.chance(128) ? in_.pick(dirs) : fuzz::text(in_, 4);
            }
            put(path, r.path_offset, r.path_length);
            r.generation = r.kind == QUORVEN_SC_MUTATION_SWEEP ? in_.below(4) : 0;
        }
        if (in_.chance(10)) {
            overwrite_a_field(r);
        }
        records_.push_back(r);
    }

    std::vector<quorven_search_core_mutation_v1>& records() { return records_; }
    const std::u16string& text() const { return text_; }

  private:
    const reference::entry* some_entry() {
        const auto& entries = model_.entries();
        return entries.empty() ? nullptr
                               : &entries[in_.below(static_cast<uint32_t>(entries.size()))];
    }

    std::u16string recased(std::u16string s) {
        for (char16_t& unit : s) {
            if ((unit | 0x20) >= u'a' && (unit | 0x20) <= u'z' && in_.chance(128)) {
                unit ^= 0x20;
            }
        }
        return s;
    }

    // An entry's full path as a host might write it: any ASCII case, either separator at the
    // one the full path adds.
    std::u16string path_of(const reference::entry& e) {
        std::u16string path = recased(reference::full_path(e.dir, e.name));
        bool added = !e.dir.empty() && e.dir.back() != u'/' && e.dir.back() != u'\\';
        if (added && in_.chance(128)) {
            path[e.dir.size()] = u'/';
        }
        return path;
    }

    void put(const std::u16string& s, uint32_t& offset, uint32_t& length) {
        offset = static_cast<uint32_t>(text_.size());
        length = static_cast<uint32_t>(s.size());
        text_ += s;
    }

    // One of the record's 32-bit words, time fields included, replaced with raw bytes.
    void overwrite_a_field(quorven_search_core_mutation_v1& r) {
        uint32_t words[sizeof r / 4];
        std::memcpy(words, &r, sizeof r);
        words[in_.below(sizeof r / 4)] = in_.chance(128) ? in_.below(4) : in_.u32();
        std::memcpy(&r, words, sizeof r);
    }

    fuzz::input& in_;
    const reference::model& model_;
    std::u16string text_ = u"#";  // never empty: the batch text must hold one unit at least
    std::vector<quorven_search_core_mutation_v1> records_;
};

void fill(fuzz::input& in, quorven_search_core_handle store, reference::model& model) {
    std::u16string text;
    std::vector<quorven_search_core_entry_input_v1> records;
    for (uint32_t n = in.below(13); n > 0; --n) {
        quorven_search_core_entry_input_v1 r{};
        std::u16string dir = in.pick(dirs);
        std::u16string name = fuzz::text(in, 4);
        if (name.empty()) {
            name.push_back(u'n');
        }
        r.dir_offset = static_cast<uint32_t>(text.size());
        r.dir_length = static_cast<uint32_t>(dir.size());
        text += dir;
        r.name_offset = static_cast<uint32_t>(text.size());
        r.name_length = static_cast<uint32_t>(name.size());
        text += name;
        r.timestamp = in.below(8);
        r.is_folder = in.below(2);
        records.push_back(r);
        model.add(dir, name, static_cast<int64_t>(r.timestamp), r.is_folder);
    }
    if (!records.empty()) {
        quorven_search_core_add_batch_request_v1 request{};
        request.size = sizeof request;
        request.version = 1;
        request.records = QUORVEN_SC_PTR_TO_U64(records.data());
        request.record_count = static_cast<uint32_t>(records.size());
        request.text = QUORVEN_SC_PTR_TO_U64(text.data());
        request.text_units = static_cast<uint32_t>(text.size());
        quorven_search_core_add_batch_result_v1 result{};
        result.size = sizeof result;
        result.version = 1;
        check(quorven_search_core_add_batch_v1(store, &request, &result) == 0,
              "the starting store could not be filled");
    }
    check(fuzz::seal(store) == 0, "seal failed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::input in(data, size);
    reference::model model;
    quorven_search_core_handle store = fuzz::new_store();
    fill(in, store, model);
    for (uint32_t b = 1 + in.below(4); b > 0 && !in.empty(); --b) {
        batch_maker maker(in, model);
        for (uint32_t n = 1 + in.below(8); n > 0; --n) {
            maker.add_record();
        }
        std::vector<mutation> batch;
        for (const auto& r : maker.records()) {
            batch.push_back(classify(r, maker.text()));
        }
        quorven_search_core_mutate_batch_request_v1 request{};
        request.size = sizeof request;
        request.version = 1;
        request.records = QUORVEN_SC_PTR_TO_U64(maker.records().data());
        request.record_count = static_cast<uint32_t>(maker.records().size());
        request.text = QUORVEN_SC_PTR_TO_U64(maker.text().data());
        request.text_units = static_cast<uint32_t>(maker.text().size());
        quorven_search_core_mutate_batch_result_v1 result{};
        result.size = sizeof result;
        result.version = 1;
        uint32_t status = quorven_search_core_mutate_batch_v1(store, &request, &result);
        uint32_t expected = model.mutate(batch);
        check(status == result.status, "the returned status differs from the result's");
        check(status == expected, "the status differs from the model's");
        check(result.applied == (status == 0 ? batch.size() : 0), "applied is wrong");
        check(result.live_count == model.live_count(), "live count differs from the model's");
        check(result.deleted_count == model.entries().size() - model.live_count(),
              "deleted count differs from the model's");
        check(result.dir_count == model.dirs().size(), "directory count differs from the model's");
        // After a refused batch these show that nothing changed.
        fuzz::check_counts(store, model);
        fuzz::check_projections(store, model, 1 + in.below(16));
        fuzz::check_a_query(in, store, model, 16);
    }
    quorven_search_core_destroy_v1(store);
    return 0;
}
