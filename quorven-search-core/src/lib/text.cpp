#include "lib/text.h"

#include "platform/icu/icu_case.h"
#include "qv/memory.h"

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

// Units below 0x80 only. `A` to `Z` get bit 5 without a branch: mixed-case paths would
// mispredict one, and the multiply chain is the only latency this loop should have.
inline u64 fnv_lower_ascii(u64 hash, const u16* units, u32 length) {
    for (u32 i = 0; i < length; ++i) {
        u32 unit = units[i];
        unit |= static_cast<u32>(unit - 0x41u < 26u) << 5;
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

constexpr u64 lanes(u64 value) {
    return value * 0x0001000100010001ull;
}

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

bool is_ascii(utf16_span text) {
    return all_below(text.units, text.length, 0x80);
}

u64 dir_key(utf16_span path, bool* ascii) {
    // Eight units are checked before they are hashed, so that a non-ASCII path costs a look at
    // its units up to the first non-ASCII one and not a hash of all of them.
    u64 hash = fnv_offset_basis;
    u32 i = 0;
    for (; path.length - i >= 8; i += 8) {
        u64 words[2];
        qv::mem_copy(words, path.units + i, sizeof words);
        if (((words[0] | words[1]) & lanes(0xFF80)) != 0) {
            break;
        }
        hash = fnv_lower_ascii(hash, path.units + i, 8);
    }
    *ascii = all_below(path.units + i, path.length - i, 0x80);
    if (!*ascii) {
        return (u64{0xD1EC70A1} << 32) | path.length;
    }
    return fnv_lower_ascii(hash, path.units + i, path.length - i);
}

u64 dir_key(utf16_span path) {
    bool ascii = false;
    return dir_key(path, &ascii);
}

// The hash's fields in locals while a piece is fed, so that they stay in registers.
struct folded_hash::packer {
    u64 state;
    u64 word;
    u32 filled;
    u32 words;

    explicit packer(const folded_hash& h)
        : state(h.state_), word(h.word_), filled(h.filled_), words(h.words_) {}
    void store(folded_hash& h) const {
        h.state_ = state;
        h.word_ = word;
        h.filled_ = filled;
        h.words_ = words;
    }
    void put(u64 symbol) {
        word |= symbol << (16 * filled);
        if (++filled == 4) {
            mix();
        }
    }
    // `count` symbols (2 or 4) at once, the first in the low lane: those past the word's end
    // start the next word.
    void put_lanes(u64 symbols, u32 count) {
        u32 at = filled;
        word |= symbols << (16 * at);
        filled = at + count;
        if (filled >= 4) {
            u32 left = filled - 4;
            mix();
            if (left != 0) {
                word = symbols >> (16 * (count - left));
                filled = left;
            }
        }
    }
    void mix() {
        u64 product = (state ^ word) * 0x9E3779B97F4A7C15ull;
        state = (product << 27) | (product >> 37);  // the product's mixed high bits come down
        word = 0;
        filled = 0;
        ++words;
    }
};

// Four units read as one word must land in the lanes put() fills first to last.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);

// Four units below 0x80 at once, one per 16-bit lane, folded as the unit-by-unit loop folds
// them: `A` to `Z` lower-cased, `/` turned into `\`. No lane carries into the next, since every
// sum stays below 0x100.
inline u64 fold_ascii_lanes(u64 units) {
    u64 upper = (units + lanes(0x80 - 0x41)) & ~(units + lanes(0x80 - 0x5B)) & lanes(0x80);
    u64 slashes = ~((units ^ lanes(slash)) + lanes(0x7F)) & lanes(0x80);
    return (units | (upper >> 2)) ^ ((slashes >> 7) * (slash ^ backslash));
}

u32 upper_cache::upper(u32 c) {
    slot& s = slots_[static_cast<u32>(c * 0x9E3779B1u) >> 24];
    if (s.code_point != c) {
        s = {c, non_ascii_upper(c)};
    }
    return s.upper;
}

void folded_hash::feed(utf16_span text, upper_cache& uppers) {
    packer p(*this);
    u32 i = 0;
    while (i < text.length) {
        if (text.length - i >= 4) {
            u64 four;
            qv::mem_copy(&four, text.units + i, sizeof four);
            if ((four & lanes(0xFF80)) == 0) {
                p.put_lanes(fold_ascii_lanes(four), 4);
                i += 4;
                continue;
            }
        }
        u32 unit = text.units[i];
        if (unit < 0x80) {
            unit |= static_cast<u32>(unit - 0x41u < 26u) << 5;
            unit ^= static_cast<u32>(unit == slash) * (slash ^ backslash);
            p.put(unit);
            ++i;
            continue;
        }
        code_point c = decode_at(text.units, i, text.length);
        u64 folded = uppers.upper(c.value);  // below 0x110000
        p.put_lanes((0x8000u | (folded >> 16)) | (folded & 0xFFFFu) << 16, 2);
        i += c.width;
    }
    p.store(*this);
}

void folded_hash::feed_separator() {
    packer p(*this);
    p.put(backslash);
    p.store(*this);
}

u32 folded_hash::tag() const {
    // The symbol count tells a last word's padding from symbols; a finaliser spreads every bit
    // over the tag.
    u64 h = (state_ ^ word_) + (u64{words_} << 2 | filled_);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return static_cast<u32>(h >> 32);
}

dir_tags tags_of_dir(utf16_span dir, upper_cache& uppers) {
    dir_tags tags{};
    tags.entries.feed(dir, uppers);
    tags.dir = tags.entries.tag();
    if (needs_separator(dir)) {
        tags.entries.feed_separator();
    }
    return tags;
}

u32 full_path_tag(utf16_span dir, utf16_span name, upper_cache& uppers) {
    folded_hash hash = tags_of_dir(dir, uppers).entries;
    hash.feed(name, uppers);
    return hash.tag();
}

u32 path_tag(utf16_span path, upper_cache& uppers) {
    folded_hash hash;
    hash.feed(path, uppers);
    return hash.tag();
}

}  // namespace quorven::search_core
