// UTF-16 text as the store holds it, and the case-insensitive comparison and path keys that
// directory de-duplication, query and mutations share.
#pragma once

#include "qv/types.h"

namespace quorven::search_core {

// A run of UTF-16 code units; never NUL-terminated.
struct utf16_span {
    const qv::u16* units;
    qv::u32 length;
};

inline constexpr qv::u16 backslash = 0x5C;
inline constexpr qv::u16 slash = 0x2F;

// Case-insensitive equality: code points are compared one by one, ASCII folded by clearing
// bit 5, everything else through ICU's simple upper-case mapping when the mapping keeps the
// UTF-16 width. A lone surrogate counts as one code point of its own.
bool names_equal_ci(utf16_span a, utf16_span b);

// Same rule over two runs of `length` units each (no length check).
bool units_equal_ci(const qv::u16* a, const qv::u16* b, qv::u32 length);

// Whether every unit of the text is below 0x80.
bool is_ascii(utf16_span text);

// Hash key of a directory path: FNV-1a over ASCII-lower-cased units, or for any path with a
// unit at or above 0x80, a marker plus the length (such paths are told apart by comparison).
// With `ascii`, tells whether every unit is below 0x80.
qv::u64 dir_key(utf16_span path, bool* ascii = nullptr);
// The same for up to max_keys_at_once paths, hashed side by side.
inline constexpr qv::u32 max_keys_at_once = 4;
void dir_keys(const utf16_span* paths, qv::u32 count, qv::u64* keys, bool* ascii);

// Whether the full path of an entry has a `\` between its directory and its name: only when
// the directory is non-empty and does not already end in a separator.
inline bool needs_separator(utf16_span dir) {
    if (dir.length == 0) {
        return false;
    }
    qv::u16 last = dir.units[dir.length - 1];
    return last != slash && last != backslash;
}

// Hash key of an entry's full path (directory, separator where one is added, name).
qv::u64 path_key(utf16_span dir, utf16_span name);

// The upper-case mapping of recently seen code points: paths repeat few letters many times, and
// the ICU lookup costs more than the rest of hashing a unit. One per call that hashes paths.
class upper_cache {
  public:
    upper_cache() {
        for (slot& s : slots_) {
            s.code_point = 0xFFFFFFFFu;
        }
    }
    // ICU's simple upper-case mapping of `c` (at or above 0x80), kept only when it is a scalar
    // value of the same UTF-16 width, as names_equal_ci compares. Inline, so that a hash fed
    // code point by code point keeps its state in registers; only a miss leaves the line.
    qv::u32 upper(qv::u32 c) {
        slot& s = slots_[static_cast<qv::u32>(c * 0x9E3779B1u) >> 24];
        if (s.code_point != c) {
            fill(s, c);
        }
        return s.upper;
    }

  private:
    struct slot {
        qv::u32 code_point;
        qv::u32 upper;
    };
    static void fill(slot& s, qv::u32 c);

    slot slots_[256];
};

// Hash of a text's case-insensitive spelling, fed in pieces: texts that names_equal_ci finds
// equal always hash alike, also when fed piece by piece. Each code point counts in its folded
// form: an ASCII one lower-cased, any other through the same width-keeping upper-case mapping
// and marked, so that it never meets an ASCII code point (the long s stays apart from s).
// `/` and `\` count alike, so that a path with either at the joint of an entry's directory and
// name hashes as the entry's full path does. A surrogate pair is decoded only when both halves
// lie in one piece; callers cut pieces only next to a separator.
class folded_hash {
  public:
    void feed(utf16_span text, upper_cache& uppers);
    void feed_separator();
    // A well-mixed 32-bit tag of everything fed so far.
    qv::u32 tag() const;

  private:
    // The folded form is a stream of 16-bit symbols (an ASCII unit is one symbol below 0x80; any
    // other code point is two, the first at or above 0x8000), packed four to a word so that the
    // state takes one multiply per four symbols, wherever the pieces were cut.
    struct packer;

    qv::u64 state_ = 0xCBF29CE484222325ull;
    qv::u64 word_ = 0;
    qv::u32 filled_ = 0;  // symbols in word_
    qv::u32 words_ = 0;   // words mixed into state_
};

// Tags of one directory path and of the full paths of its entries.
struct dir_tags {
    qv::u32 dir;          // of the path itself
    folded_hash entries;  // the path and its added separator: feed a name, then take the tag
};
dir_tags tags_of_dir(utf16_span dir, upper_cache& uppers);
qv::u32 full_path_tag(utf16_span dir, utf16_span name, upper_cache& uppers);
qv::u32 path_tag(utf16_span path, upper_cache& uppers);

}  // namespace quorven::search_core
