#include "case_twins.h"

#include <quorven/search_core.h>

#include <cstdint>
#include <unordered_map>

#include "session.h"
#include "utf.h"

namespace qsearch {
namespace {

// Case folding beyond ASCII is the store's own (ICU's), so ask the store: load the candidates
// into a small store and look each one up; its exact hits are its twins.
void mark_twins_by_store(const std::vector<std::u16string>& names,
                         const std::vector<std::size_t>& group, std::vector<bool>& twins) {
    std::u16string text;
    std::vector<quorven_search_core_entry_input_v1> records;
    for (const std::size_t index : group) {
        quorven_search_core_entry_input_v1 record{};
        record.name_offset = static_cast<std::uint32_t>(text.size());
        record.name_length = static_cast<std::uint32_t>(names[index].size());
        records.push_back(record);
        text += names[index];
    }
    Store store = Store::create(static_cast<std::uint32_t>(records.size()),
                                static_cast<std::uint32_t>(text.size()));
    store.add_batch(records, text);
    store.seal();
    std::vector<bool> settled(group.size(), false);
    for (std::size_t i = 0; i < group.size(); ++i) {
        if (settled[i]) {
            continue;
        }
        const QueryOutcome outcome =
            store.query(names[group[i]], static_cast<std::uint32_t>(group.size()));
        for (const Hit& hit : outcome.hits) {
            if (hit.score == QUORVEN_SC_SCORE_EXACT && hit.id > i && !settled[hit.id]) {
                settled[hit.id] = true;
                twins[group[hit.id]] = true;
            }
        }
    }
}

}  // namespace

// The store never equates a non-ASCII letter with an ASCII one, nor letters of different
// widths in UTF-16 units, so a placeholder per non-ASCII unit keeps every equal pair together.
std::u16string case_candidate_key(std::u16string_view text) {
    std::u16string key(text);
    for (char16_t& unit : key) {
        if (unit >= u'a' && unit <= u'z') {
            unit = static_cast<char16_t>(unit - 0x20);
        } else if (unit >= 0x80) {
            unit = 0xFFFF;
        }
    }
    return key;
}

std::vector<bool> find_case_twins(const std::vector<std::u16string>& names) {
    std::vector<bool> twins(names.size(), false);
    std::unordered_map<std::u16string, std::vector<std::size_t>> groups;
    bool any = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto& group = groups[case_candidate_key(names[i])];
        group.push_back(i);
        any = any || group.size() > 1;
    }
    if (!any) {
        return twins;
    }
    for (const auto& [key, group] : groups) {
        if (group.size() < 2) {
            continue;
        }
        if (is_ascii(key)) {
            // All ASCII: equal keys are exactly the store's equality.
            for (std::size_t k = 1; k < group.size(); ++k) {
                twins[group[k]] = true;
            }
        } else {
            mark_twins_by_store(names, group, twins);
        }
    }
    return twins;
}

}  // namespace qsearch
