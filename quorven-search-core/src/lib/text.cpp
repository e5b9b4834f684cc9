#include "lib/text.h"

#include "lib/bmp_uppers.h"
#include "platform/icu/icu_case.h"
#include "qv/fatal.h"
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

// ICU's mapping, kept only when it is a scalar value of the same UTF-16 width; from the
// process's table of the BMP's mappings once a query has built it.
inline u32 non_ascii_upper(u32 c) {
    if (const u16* uppers = c < 0x10000 ? bmp_uppers_if_built() : nullptr) {
        return uppers[c];
    }
    u32 mapped = upper_case_of(c);
    if (mapped > 0x10FFFF || (mapped < 0x10000) != (c < 0x10000)) {
        return c;
    }
    return mapped;
}

constexpr u64 fnv_offset_basis = 0xCBF29CE484222325ull;
constexpr u64 fnv_prime = 0x100000001B3ull;

// A unit below 0x80, `A` to `Z` given bit 5 without a branch: mixed-case paths would mispredict
// one, and in a hash the multiply chain is the only latency a loop should have.
constexpr u32 ascii_lower(u32 unit) {
    return unit | static_cast<u32>(unit - 0x41u < 26u) << 5;
}

inline u64 fnv_step(u64 hash, u32 unit) {
    return (hash ^ ascii_lower(unit)) * fnv_prime;
}

// Units below 0x80 only.
inline u64 fnv_lower_ascii(u64 hash, const u16* units, u32 length) {
    for (u32 i = 0; i < length; ++i) {
        hash = fnv_step(hash, units[i]);
    }
    return hash;
}

constexpr u64 non_ascii_path_marker = u64{0x50415448} << 32;
constexpr u64 non_ascii_dir_marker = u64{0xD1EC70A1} << 32;

constexpr u64 lanes(u64 value) {
    return value * 0x0001000100010001ull;
}

// Whether every unit is below 0x80, four units to a test.
inline bool ascii_units(const u16* units, u32 length) {
    u32 i = 0;
    u64 seen = 0;
    for (; length - i >= 4; i += 4) {
        u64 four;
        qv::mem_copy(&four, units + i, sizeof four);
        seen |= four;
    }
    for (; i < length; ++i) {
        seen |= units[i];
    }
    return (seen & lanes(0xFF80)) == 0;
}

}  // namespace

u64 path_key(utf16_span dir, utf16_span name) {
    bool separator = needs_separator(dir);
    if (!ascii_units(dir.units, dir.length) || !ascii_units(name.units, name.length)) {
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
    return ascii_units(text.units, text.length);
}

u64 dir_key(utf16_span path, bool* ascii) {
    u64 key = 0;
    bool path_ascii = false;
    dir_keys(&path, 1, &key, &path_ascii);
    if (ascii != nullptr) {
        *ascii = path_ascii;
    }
    return key;
}

namespace {

// The FNV chains of `Lanes` ASCII paths, `steps` units each, side by side: each chain waits on
// its own multiply, so the multiplies of the others fill the wait. The chains are named one by
// one so that they stay in registers.
template <u32 Lanes>
void fnv_side_by_side(u64* hashes, const u16** units, u32 steps) {
    static_assert(Lanes >= 1 && Lanes <= 4);
    u64 h0 = hashes[0];
    u64 h1 = Lanes > 1 ? hashes[1] : 0;
    u64 h2 = Lanes > 2 ? hashes[2] : 0;
    u64 h3 = Lanes > 3 ? hashes[3] : 0;
    const u16* u0 = units[0];
    const u16* u1 = Lanes > 1 ? units[1] : u0;
    const u16* u2 = Lanes > 2 ? units[2] : u0;
    const u16* u3 = Lanes > 3 ? units[3] : u0;
    for (u32 j = 0; j < steps; ++j) {
        h0 = fnv_step(h0, u0[j]);
        if constexpr (Lanes > 1) {
            h1 = fnv_step(h1, u1[j]);
        }
        if constexpr (Lanes > 2) {
            h2 = fnv_step(h2, u2[j]);
        }
        if constexpr (Lanes > 3) {
            h3 = fnv_step(h3, u3[j]);
        }
    }
    const u64 results[4] = {h0, h1, h2, h3};
    for (u32 l = 0; l < Lanes; ++l) {
        hashes[l] = results[l];
        units[l] += steps;
    }
}

}  // namespace

void dir_keys(const utf16_span* paths, u32 count, u64* keys, bool* ascii) {
    QV_CHECK(count <= max_keys_at_once);
    // The ASCII paths' chains, packed to the front; a chain leaves once its path is hashed.
    u64 hashes[max_keys_at_once];
    const u16* units[max_keys_at_once];
    u32 left[max_keys_at_once];
    u32 owner[max_keys_at_once];
    u32 lanes_used = 0;
    for (u32 k = 0; k < count; ++k) {
        ascii[k] = ascii_units(paths[k].units, paths[k].length);
        keys[k] = ascii[k] ? fnv_offset_basis : non_ascii_dir_marker | paths[k].length;
        if (ascii[k] && paths[k].length != 0) {
            hashes[lanes_used] = fnv_offset_basis;
            units[lanes_used] = paths[k].units;
            left[lanes_used] = paths[k].length;
            owner[lanes_used] = k;
            ++lanes_used;
        }
    }
    while (lanes_used != 0) {
        u32 steps = left[0];
        for (u32 l = 1; l < lanes_used; ++l) {
            steps = left[l] < steps ? left[l] : steps;
        }
        switch (lanes_used) {
            case 4:
                fnv_side_by_side<4>(hashes, units, steps);
                break;
            case 3:
                fnv_side_by_side<3>(hashes, units, steps);
                break;
            case 2:
                fnv_side_by_side<2>(hashes, units, steps);
                break;
            default:
                fnv_side_by_side<1>(hashes, units, steps);
                break;
        }
        u32 kept = 0;
        for (u32 l = 0; l < lanes_used; ++l) {
            left[l] -= steps;
            if (left[l] == 0) {
                keys[owner[l]] = hashes[l];
                continue;
            }
            hashes[kept] = hashes[l];
            units[kept] = units[l];
            left[kept] = left[l];
            owner[kept] = owner[l];
            ++kept;
        }
        lanes_used = kept;
    }
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

void upper_cache::fill(slot& s, u32 c) {
    s = {c, non_ascii_upper(c)};
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
            unit = ascii_lower(unit);
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
