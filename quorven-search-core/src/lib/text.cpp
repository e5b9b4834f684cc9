#include "lib/text.h"

#include "platform/icu/icu_case.h"

namespace quorven::search_core {
namespace {

using qv::u16;
using qv::u32;
using qv::u64;

constexpr bool is_high_surrogate(u32 unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool is_low_surrogate(u32 unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

struct code_point {
    u32 value;
    u32 width;
};

// Decodes at `i` within a run of `length` units: a pair only when both halves lie in the run.
inline code_point decode_at(const u16* units, u32 i, u32 length) {
    u32 unit = units[i];
    if (is_high_surrogate(unit) && i + 1 < length && is_low_surrogate(units[i + 1])) {
        return {0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u), 2};
    }
    return {unit, 1};
}

constexpr u32 ascii_upper(u32 c) {
    return (c >= 0x61 && c <= 0x7A) ? c & ~0x20u : c;
}

// ICU's mapping, kept only when it is a scalar value of the same UTF-16 width.
inline u32 non_ascii_upper(u32 c) {
    u32 mapped = upper_case_of(c);
    if (mapped > 0x10FFFF || (mapped < 0x10000) != (c < 0x10000)) {
        return c;
    }
    return mapped;
}

constexpr u64 fnv_offset_basis = 0xCBF29CE484222325ull;
constexpr u64 fnv_prime = 0x100000001B3ull;

inline u64 fnv_lower_ascii(u64 hash, const u16* units, u32 length) {
    for (u32 i = 0; i < length; ++i) {
        u32 unit = units[i];
        if (unit >= 0x41 && unit <= 0x5A) {
            unit += 0x20;
        }
        hash = (hash ^ unit) * fnv_prime;
    }
    return hash;
}

inline bool all_below(const u16* units, u32 length, u32 limit) {
    for (u32 i = 0; i < length; ++i) {
        if (units[i] >= limit) {
            return false;
        }
    }
    return true;
}

constexpr u64 non_ascii_path_marker = u64{0x50415448} << 32;

}  // namespace

u64 path_key(utf16_span dir, utf16_span name) {
    bool separator = needs_separator(dir);
    if (!all_below(dir.units, dir.length, 0x80) || !all_below(name.units, name.length, 0x80)) {
        u32 length = dir.length + (separator ? 1u : 0u) + name.length;
        return non_ascii_path_marker | length;
    }
    u64 hash = fnv_lower_ascii(fnv_offset_basis, dir.units, dir.length);
    if (separator) {
        hash = (hash ^ backslash) * fnv_prime;
    }
    return fnv_lower_ascii(hash, name.units, name.length);
}

bool units_equal_ci(const u16* a, const u16* b, u32 length) {
    u32 i = 0;
    while (i < length) {
        u32 ua = a[i];
        u32 ub = b[i];
        if ((ua | ub) < 0x80) {
            if (ua != ub && ascii_upper(ua) != ascii_upper(ub)) {
                return false;
            }
            ++i;
            continue;
        }
        code_point ca = decode_at(a, i, length);
        code_point cb = decode_at(b, i, length);
        if (ca.width != cb.width) {
            return false;
        }
        if (ca.value != cb.value) {
            if ((ca.value < 0x80) != (cb.value < 0x80)) {
                return false;
            }
            if (non_ascii_upper(ca.value) != non_ascii_upper(cb.value)) {
                return false;
            }
        }
        i += ca.width;
    }
    return true;
}

bool names_equal_ci(utf16_span a, utf16_span b) {
    return a.length == b.length && units_equal_ci(a.units, b.units, a.length);
}

u64 dir_key(utf16_span path) {
    if (!all_below(path.units, path.length, 0x80)) {
        return (u64{0xD1EC70A1} << 32) | path.length;
    }
    return fnv_lower_ascii(fnv_offset_basis, path.units, path.length);
}

void folded_hash::feed(utf16_span text) {
    u64 state = state_;
    u32 i = 0;
    while (i < text.length) {
        u32 unit = text.units[i];
        if (unit < 0x80) {
            if (unit >= 0x41 && unit <= 0x5A) {
                unit += 0x20;
            } else if (unit == slash) {
                unit = backslash;
            }
            state = (state ^ unit) * fnv_prime;
            ++i;
            continue;
        }
        code_point c = decode_at(text.units, i, text.length);
        // Folded values stay below 0x110000; the marker bit keeps them apart from ASCII.
        state = (state ^ (non_ascii_upper(c.value) | 0x200000u)) * fnv_prime;
        i += c.width;
    }
    state_ = state;
}

void folded_hash::feed_separator() {
    state_ = (state_ ^ backslash) * fnv_prime;
}

u32 folded_hash::tag() const {
    // The FNV state's low bits mix poorly; a finaliser spreads every bit over the tag.
    u64 h = state_;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return static_cast<u32>(h >> 32);
}

dir_tags tags_of_dir(utf16_span dir) {
    dir_tags tags{};
    tags.entries.feed(dir);
    tags.dir = tags.entries.tag();
    if (needs_separator(dir)) {
        tags.entries.feed_separator();
    }
    return tags;
}

u32 full_path_tag(utf16_span dir, utf16_span name) {
    folded_hash hash = tags_of_dir(dir).entries;
    hash.feed(name);
    return hash.tag();
}

u32 path_tag(utf16_span path) {
    folded_hash hash;
    hash.feed(path);
    return hash.tag();
}

}  // namespace quorven::search_core
