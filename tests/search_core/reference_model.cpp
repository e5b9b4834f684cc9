#include "reference_model.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <map>
#include <tuple>

namespace reference {
namespace {

struct code_point {
    char32_t value;
    size_t width;
};

code_point read_code_point(std::u16string_view s, size_t i) {
    char16_t unit = s[i];
    bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        char32_t value = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        return {value, 2};
    }
    return {unit, 1};
}

size_t utf16_width(char32_t c) {
    return c < 0x10000 ? 1 : 2;
}

char32_t icu_upper_keeping_width(char32_t c) {
    auto mapped = static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
    if (mapped > 0x10FFFF || utf16_width(mapped) != utf16_width(c)) {
        return c;
    }
    return mapped;
}

// Higher score, then newer, then lower id.
struct candidate {
    uint32_t score;
    int64_t timestamp;
    uint32_t id;
    uint32_t tag;
};
bool better(const candidate& a, const candidate& b) {
    return std::make_tuple(a.score, a.timestamp, -int64_t{a.id}) >
           std::make_tuple(b.score, b.timestamp, -int64_t{b.id});
}

std::vector<candidate> best(std::vector<candidate> all, uint32_t n) {
    std::sort(all.begin(), all.end(), better);
    if (all.size() > n) {
        all.resize(n);
    }
    return all;
}

}  // namespace

bool equal_ci(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    size_t i = 0;
    while (i < a.size()) {
        code_point ca = read_code_point(a, i);
        code_point cb = read_code_point(b, i);
        if (ca.width != cb.width) {
            return false;
        }
        if (ca.value != cb.value) {
            bool a_ascii = ca.value < 0x80;
            bool b_ascii = cb.value < 0x80;
            if (a_ascii != b_ascii) {
                return false;
            }
            if (a_ascii) {
                auto up = [](char32_t c) { return c >= U'a' && c <= U'z' ? c - 0x20 : c; };
                if (up(ca.value) != up(cb.value)) {
                    return false;
                }
            } else if (icu_upper_keeping_width(ca.value) != icu_upper_keeping_width(cb.value)) {
                return false;
            }
        }
        i += ca.width;
    }
    return true;
}

std::u16string full_path(std::u16string_view dir, std::u16string_view name) {
    std::u16string path(dir);
    if (!dir.empty() && dir.back() != u'/' && dir.back() != u'\\') {
        path += u'\\';
    }
    path += name;
    return path;
}

uint32_t model::add(const std::u16string& dir, const std::u16string& name, int64_t timestamp,
                    uint32_t is_folder) {
    uint32_t dir_id = 0;
    while (dir_id < dirs_.size() && !equal_ci(dirs_[dir_id], dir)) {
        ++dir_id;
    }
    if (dir_id == dirs_.size()) {
        dirs_.push_back(dir);
    }
    entries_.push_back({dirs_[dir_id], dir_id, name, timestamp, is_folder, false});
    return static_cast<uint32_t>(entries_.size() - 1);
}

uint32_t model::live_count() const {
    return static_cast<uint32_t>(
        std::count_if(entries_.begin(), entries_.end(), [](const entry& e) { return !e.deleted; }));
}

uint32_t model::score(std::u16string_view name, std::u16string_view query) {
    size_t n = name.size();
    size_t a = query.size();
    if (n == a && equal_ci(name, query)) {
        return 100;
    }
    if (n >= a && equal_ci(name.substr(0, a), query)) {
        return 80;
    }
    for (size_t p = 0; n >= a && p <= n - a; ++p) {
        if (equal_ci(name.substr(p, a), query)) {
            return 50;
        }
    }
    return 0;
}

query_answer model::query(std::u16string_view query, uint32_t max_hits) const {
    query_answer answer;
    std::vector<candidate> matches;
    for (uint32_t id = 0; id < entries_.size(); ++id) {
        const entry& e = entries_[id];
        if (e.deleted) {
            continue;
        }
        ++answer.scanned;
        if (uint32_t s = score(e.name, query)) {
            ++answer.matched;
            matches.push_back({s, e.timestamp, id, e.is_folder});
        }
    }
    for (const candidate& c : best(matches, max_hits)) {
        answer.hits.push_back({c.id, c.score, c.timestamp, c.tag});
        answer.text_units += entries_[c.id].dir.size() + entries_[c.id].name.size();
    }
    return answer;
}

std::vector<row> model::project(uint32_t mode, uint32_t max_rows) const {
    std::vector<candidate> candidates;
    if (mode == 1) {
        for (uint32_t id = 0; id < entries_.size(); ++id) {
            const entry& e = entries_[id];
            if (!e.deleted && (e.is_folder & 1) == 0) {
                candidates.push_back({0, e.timestamp, id, e.is_folder});
            }
        }
    } else {
        std::map<uint32_t, candidate> folders;
        for (const entry& e : entries_) {
            if (e.deleted || (e.is_folder & 1) != 0 || e.dir.empty()) {
                continue;
            }
            auto [it, fresh] =
                folders.try_emplace(e.dir_id, candidate{0, e.timestamp, e.dir_id, 1});
            it->second.score += 1;
            it->second.timestamp = std::max(it->second.timestamp, e.timestamp);
        }
        for (const auto& [dir_id, c] : folders) {
            candidates.push_back(c);
        }
    }
    std::vector<row> rows;
    for (const candidate& c : best(candidates, max_rows)) {
        if (mode == 1) {
            const entry& e = entries_[c.id];
            rows.push_back({full_path(e.dir, e.name), 0, c.tag, c.timestamp});
        } else {
            rows.push_back({dirs_[c.id], c.score, 1, c.timestamp});
        }
    }
    return rows;
}

namespace {

bool is_separator(char16_t u) {
    return u == u'/' || u == u'\\';
}

// Position of the separator that the full path adds between directory and name, if any.
size_t added_separator_at(std::u16string_view dir) {
    if (dir.empty() || is_separator(dir.back())) {
        return std::u16string_view::npos;
    }
    return dir.size();
}

// The host may write either separator where the full path has the added one.
std::u16string as_written_against(std::u16string_view path, std::u16string_view dir) {
    std::u16string p(path);
    size_t at = added_separator_at(dir);
    if (at < p.size() && p[at] == u'/') {
        p[at] = u'\\';
    }
    return p;
}

bool names_path(std::u16string_view path, const entry& e) {
    return equal_ci(as_written_against(path, e.dir), full_path(e.dir, e.name));
}

bool covers(std::u16string_view path, const entry& e) {
    std::u16string full = full_path(e.dir, e.name);
    std::u16string p = as_written_against(path, e.dir);
    size_t n = p.size();
    if (n > full.size() || !equal_ci(p, std::u16string_view(full).substr(0, n))) {
        return false;
    }
    return n == full.size() || is_separator(p[n - 1]) || is_separator(full[n]);
}

uint32_t check_time(uint64_t v) {
    constexpr uint64_t max_ticks = 0x2BCA2875F4373FFFull;
    uint64_t kind = v >> 62;
    uint64_t ticks = v & ((uint64_t{1} << 62) - 1);
    if (kind == 0) {
        return v == 0 ? 0 : 8;
    }
    if (ticks > max_ticks) {
        return kind == 1 ? 9 : 8;
    }
    return 0;
}

bool holds_nul(std::u16string_view s) {
    return s.find(u'\0') != std::u16string_view::npos;
}

}  // namespace

uint32_t model::mutate(const std::vector<mutation>& batch) {
    for (size_t i = 0; i < batch.size(); ++i) {
        const mutation& m = batch[i];
        if (m.reserved) {
            return 1;
        }
        if (m.kind != mutation::upsert) {
            if (m.path.empty() || holds_nul(m.path)) {
                return 1;
            }
            continue;
        }
        if (uint32_t status = check_time(m.time_binary)) {
            return status;
        }
        if (holds_nul(m.dir) || holds_nul(m.name) || m.name.empty()) {
            return 1;
        }
        for (size_t j = 0; j < i; ++j) {
            if (batch[j].kind == mutation::upsert && equal_ci(batch[j].dir, m.dir) &&
                equal_ci(batch[j].name, m.name)) {
                return 1;
            }
        }
    }

    // Removals act on the entries that were there before the batch.
    std::vector<uint32_t> doomed;
    for (uint32_t id = 0; id < entries_.size(); ++id) {
        const entry& e = entries_[id];
        if (e.deleted) {
            continue;
        }
        bool hit = false;
        for (const mutation& m : batch) {
            switch (m.kind) {
                case mutation::upsert:
                    hit = equal_ci(m.dir, e.dir) && equal_ci(m.name, e.name);
                    break;
                case mutation::remove:
                    hit = names_path(m.path, e);
                    break;
                case mutation::remove_tree:
                    hit = covers(m.path, e);
                    break;
                case mutation::sweep:
                    hit = m.generation != e.generation && covers(m.path, e);
                    break;
            }
            if (hit) {
                break;
            }
        }
        if (hit) {
            doomed.push_back(id);
        }
    }
    auto upserts = static_cast<size_t>(std::count_if(
        batch.begin(), batch.end(), [](const mutation& m) { return m.kind == mutation::upsert; }));
    if (live_count() - doomed.size() + upserts > 300000) {
        return 1;
    }
    for (uint32_t id : doomed) {
        entries_.at(id).deleted = true;
    }
    for (const mutation& m : batch) {
        if (m.kind == mutation::upsert) {
            uint32_t id = add(m.dir, m.name, m.timestamp, m.is_folder);
            entries_[id].generation = m.generation;
        }
    }
    return 0;
}

}  // namespace reference
