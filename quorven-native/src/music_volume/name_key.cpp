// Name keys through ICU: the full lower-case mapping, then the Alphabetic property and the
// number categories decide which characters stay.

#include "music_volume/name_key.h"

#include "platform/icu_case_map.h"

namespace quorven::native {

namespace {

constexpr u32 shortest_comparable = 3;
constexpr u16 replacement_character = 0xFFFD;

bool is_high_surrogate(u32 unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(u32 unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Units from the allocator layer, freed when the owner goes.
struct unit_buffer {
    explicit unit_buffer(u32 count) : units(qv::mem_alloc_array<u16>(count)) {}
    ~unit_buffer() { qv::mem_free(units); }
    unit_buffer(const unit_buffer&) = delete;
    unit_buffer& operator=(const unit_buffer&) = delete;
    u16* units;
};

// Replaces each unpaired surrogate of `text` by U+FFFD, or, when the rule says so, reports the
// text as ill-formed (false).
bool make_well_formed(u16* text, u32 count, ill_formed_text rule) {
    for (u32 i = 0; i < count; ++i) {
        if (is_high_surrogate(text[i]) && i + 1 < count && is_low_surrogate(text[i + 1])) {
            ++i;
        } else if (is_high_surrogate(text[i]) || is_low_surrogate(text[i])) {
            if (rule == ill_formed_text::empty) {
                return false;
            }
            text[i] = replacement_character;
        }
    }
    return true;
}

bool kept(u32 code_point) {
    return icu::is_alphabetic(code_point) || icu::is_number(code_point);
}

}  // namespace

bool name_key::assign(const u16* units, u32 count, ill_formed_text rule) {
    clear();
    if (count == 0) {
        return true;
    }
    unit_buffer text(count);
    if (text.units == nullptr) {
        return false;
    }
    qv::mem_copy(text.units, units, count * sizeof(u16));
    if (!make_well_formed(text.units, count, rule)) {
        return true;
    }

    // One character may map to up to three, so the mapped length is asked first.
    u32 needed = 0;
    if (icu::to_lower(text.units, count, nullptr, 0, needed) == icu::mapping::failed) {
        return false;
    }
    unit_buffer lower(needed);
    u32 produced = 0;
    if (lower.units == nullptr ||
        icu::to_lower(text.units, count, lower.units, needed, produced) != icu::mapping::done ||
        produced != needed || !units_.reserve_exact(needed)) {
        return false;
    }
    // Supplementary-plane characters (surrogate pairs) are dropped whole.
    for (u32 i = 0; i < needed; ++i) {
        u16 unit = lower.units[i];
        if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            continue;
        }
        if (kept(unit)) {
            units_.push_back_reserved(unit);
        }
    }
    return true;
}

bool name_key::contains(const name_key& needle) const {
    u32 h = length();
    u32 n = needle.length();
    if (h < shortest_comparable || n < shortest_comparable || n > h) {
        return false;
    }
    for (u32 at = 0; at + n <= h; ++at) {
        u32 k = 0;
        while (k < n && units_[at + k] == needle.units_[k]) {
            ++k;
        }
        if (k == n) {
            return true;
        }
    }
    return false;
}

void executable_name(const u16* path, u32 count, u32& first, u32& length) {
    first = 0;
    for (u32 i = 0; i < count; ++i) {
        if (path[i] == u'\\' || path[i] == u'/') {
            first = i + 1;
        }
    }
    length = count - first;
    constexpr u16 suffix[] = {u'.', u'e', u'x', u'e'};
    if (length < 4) {
        return;
    }
    const u16* tail = path + first + length - 4;
    for (u32 i = 0; i < 4; ++i) {
        u16 unit = tail[i];
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<u16>(unit + (u'a' - u'A'));
        }
        if (unit != suffix[i]) {
            return;
        }
    }
    length -= 4;
}

}  // namespace quorven::native
