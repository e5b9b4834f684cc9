// The index file's conversions between UTF-8 and UTF-16, one pass each, straight into their
// destination: runs of ASCII eight units at a time through the unit vector, every other code
// point decoded or encoded in place. Both are strict in the way ICU's conversions are (no
// overlong forms, no encoded surrogates, nothing above U+10FFFF, no cut sequence, no unpaired
// surrogate) and stop at the first fault; the caller lets ICU judge any text they refuse, so that
// ICU alone decides what is ill-formed. Compiled once per form of the unit vector, like the
// name scan, so that a test can run the portable form beside the machine's own.
#pragma once

#include "lib/unit_vector.h"
#include "qv/types.h"

namespace quorven::search_core::vrel {
inline namespace QUORVEN_UNIT_VECTOR_NAMESPACE {

// What a padded conversion may read past the end of its text and write past its room: bytes
// and units alike.
inline constexpr qv::u32 transcode_padding = 32;

// Every machine the library is built for is little-endian: byte k of a word read from memory is
// its bits 8k to 8k + 7.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);

// The lanes of a block of `lanes` (bytes or units) that lie inside a text of which `left`
// remain: bit k for lane k.
template <qv::u32 lanes>
inline qv::u32 lanes_inside(qv::u32 left) {
    return (1u << (left < lanes ? left : lanes)) - 1;
}

// Widens the leading ASCII bytes into `out`, eight at a time; returns how many. Eight are
// widened even when one of them is not ASCII (the units from there on are garbage that the
// caller overwrites), and with `padded` the last partial eight too (decode_utf8_into).
inline qv::u32 widen_ascii_run(const qv::u8* bytes, qv::u32 count, qv::u16* out, bool padded) {
    constexpr qv::u64 high_bits = 0x8080808080808080ull;
    qv::u32 i = 0;
    for (; i < count; i += unit_vector_lanes) {
        qv::u32 left = count - i;
        if (left < unit_vector_lanes && !padded) {
            break;
        }
        qv::u64 word = 0;
        __builtin_memcpy(&word, bytes + i, sizeof word);
        // Bytes past the text's end count as ASCII: the run stops at the end anyway.
        qv::u64 outside = left < unit_vector_lanes ? ~0ull << (8 * left) : 0;
        qv::u64 faults = word & ~outside & high_bits;
        store_units(out + i, widen_bytes(bytes + i));
        if (faults != 0) {
            return i + static_cast<qv::u32>(__builtin_ctzll(faults)) / 8;
        }
        if (left < unit_vector_lanes) {
            return count;
        }
    }
    for (; i < count && bytes[i] < 0x80; ++i) {
        out[i] = bytes[i];
    }
    return i;
}

// A continuation byte: 10xxxxxx.
inline bool is_trail(qv::u8 byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes the leading two-byte sequences (Greek, Cyrillic, Hebrew, Arabic, ...) into `out`,
// four at a time from one 64-bit word where eight bytes hold four well-formed ones; returns how
// many units it wrote, two bytes each. The rest, and any fault, is left to the caller.
inline qv::u32 widen_two_byte_run(const qv::u8* bytes, qv::u32 count, qv::u16* out) {
    // Byte 2k is the low half of lane k.
    constexpr qv::u64 low_bytes = 0x00FF00FF00FF00FFull;
    qv::u32 i = 0;
    for (; i + 8 <= count; i += 8) {
        qv::u64 word = 0;
        __builtin_memcpy(&word, bytes + i, sizeof word);
        // Leads 110xxxxx in the low halves, continuations 10xxxxxx in the high ones ...
        if ((word & 0xC0E0C0E0C0E0C0E0ull) != 0x80C080C080C080C0ull) {
            break;
        }
        // ... and no lead C0 or C1 (overlong): each lead holds a bit among 0x1E.
        qv::u64 lead_bits = word & 0x001E001E001E001Eull;
        if (((lead_bits + low_bytes) & ~low_bytes) != 0x0100010001000100ull) {
            break;
        }
        qv::u64 units = (word & 0x001F001F001F001Full) << 6 | (word >> 8 & 0x003F003F003F003Full);
        __builtin_memcpy(out + i / 2, &units, sizeof units);
    }
    return i / 2;
}

// What decode_utf8_blocks notes of a text decoded on its own: nothing.
struct no_block_marks {
    void note(qv::u32, qv::u32, qv::u32) {}
};

// Decodes a text of one-, two- and three-byte sequences sixteen bytes at a time, whatever their
// mix: each lane takes the unit its byte would begin, and the units of the lanes that begin a
// sequence are then packed in order. Mixed scripts cost no more than one, since nothing branches
// on where a script changes. The form is checked in the same pass: every continuation byte is
// the one a lead before it claims and nothing else is, and no sequence is overlong or encodes a
// surrogate. Reads up to transcode_padding bytes past the text and writes up to as many units
// past its room. Gives false for a four-byte sequence, which it leaves to the caller, and for any
// fault.
// With `marks`, notes for each block k (bytes 16k to 16k + 15) the units written before it and
// which of its bytes begin a unit (bit j for byte 16k + j), so that a caller decoding several
// texts laid end to end can find where each one's units begin.
template <typename Marks>
[[gnu::always_inline]] inline bool decode_utf8_blocks(const qv::u8* bytes, qv::u32 count,
                                                      qv::u16* out, qv::u32* units, Marks& marks) {
    const byte_vector low_six = splat_byte(0x3F);
    qv::u32 o = 0;
    // Bits 0 and 1: the first two bytes of the next block, when a lead in this one claims them.
    qv::u32 claimed_ahead = 0;
    for (qv::u32 i = 0; i < count; i += byte_vector_lanes) {
        qv::u32 left = count - i;
        qv::u32 inside = lanes_inside<byte_vector_lanes>(left);
        const qv::u8* block = bytes + i;
        byte_vector first = load_bytes(block);
        qv::u32 non_ascii = high_byte_bits(first) & inside;
        if ((non_ascii | claimed_ahead) == 0) {
            marks.note(i / byte_vector_lanes, o, inside);
            store_units(out + o, widen_bytes(block));
            store_units(out + o + unit_vector_lanes, widen_bytes(block + unit_vector_lanes));
            o += left >= byte_vector_lanes ? byte_vector_lanes : left;
            continue;
        }
        byte_vector second = load_bytes(block + 1);
        byte_vector is_lead = at_least_bytes(first, 0xC0);
        byte_vector is_long = at_least_bytes(first, 0xE0);
        qv::u32 leads = byte_bits(is_lead) & inside;
        qv::u32 long_leads = byte_bits(is_long) & inside;
        qv::u32 trails = non_ascii & ~leads;
        // Each lead claims the byte after it, a three-byte lead the one after that too.
        qv::u32 claimed = claimed_ahead | leads << 1 | long_leads << 2;
        claimed_ahead = claimed >> byte_vector_lanes;
        // C0 and C1 begin only overlong forms, F5 and above nothing; F0 to F4 begin four bytes,
        // which are the caller's. E0 needs a second byte from A0 on (below is overlong), and ED
        // one below A0 (from there on it encodes a surrogate); both are rare enough to be
        // looked at only where they occur.
        qv::u32 refused = (leads & ~byte_bits(at_least_bytes(first, 0xC2))) |
                          byte_bits(at_least_bytes(first, 0xF0));
        if ((((claimed ^ trails) & 0xFFFF) | (refused & inside)) != 0) {
            return false;
        }
        qv::u32 edge_leads =
            byte_bits(or_bytes(equal_bytes(first, 0xE0), equal_bytes(first, 0xED))) & inside;
        if (edge_leads != 0) {
            qv::u32 upper_second = byte_bits(at_least_bytes(second, 0xA0));
            qv::u32 out_of_range = (byte_bits(equal_bytes(first, 0xE0)) & ~upper_second) |
                                   (byte_bits(equal_bytes(first, 0xED)) & upper_second);
            if ((out_of_range & inside) != 0) {
                return false;
            }
        }
        // Each lane's unit as its low and high bytes. 110xxxxx 10yyyyyy is 00000xxx xxyyyyyy;
        // 1110xxxx 10yyyyyy 10zzzzzz is xxxxyyyy yyzzzzzz.
        byte_vector third = load_bytes(block + 2);
        byte_vector second_bits = and_bytes(second, low_six);
        byte_vector low_two = or_bytes(shift_bytes_left<6>(first), second_bits);
        byte_vector high_two = and_bytes(shift_bytes_right<2>(first), splat_byte(0x07));
        byte_vector low_three = or_bytes(shift_bytes_left<6>(second), and_bytes(third, low_six));
        byte_vector high_three =
            or_bytes(shift_bytes_left<4>(first), shift_bytes_right<2>(second_bits));
        byte_vector low = select_bytes(is_lead, select_bytes(is_long, low_three, low_two), first);
        byte_vector high = and_bytes(is_lead, select_bytes(is_long, high_three, high_two));
        qv::u32 starts = inside & ~trails;
        marks.note(i / byte_vector_lanes, o, starts);
        qv::u32 first_starts = starts & 0xFF;
        store_units(out + o, pack_units(join_bytes_low(low, high), first_starts));
        o += lane_packing_table.kept[first_starts];
        qv::u32 last_starts = starts >> unit_vector_lanes;
        store_units(out + o, pack_units(join_bytes_high(low, high), last_starts));
        o += lane_packing_table.kept[last_starts];
    }
    if (claimed_ahead != 0) {
        return false;
    }
    *units = o;
    return true;
}

// Decodes `count` bytes of UTF-8 into `out` one sequence at a time, runs of ASCII and of
// two-byte sequences a word at a time; the way for texts the blocks refuse. Arguments and result
// as decode_utf8_into's. Kept out of line, so that the blocks inline where texts are read.
[[gnu::noinline]] inline bool decode_utf8_each(const qv::u8* bytes, qv::u32 count, qv::u16* out,
                                               bool padded, qv::u32* units) {
    qv::u32 i = 0;
    qv::u32 o = 0;
    while (i < count) {
        qv::u32 lead = bytes[i];
        if (lead < 0x80) {
            // Bytes and units advance together through an ASCII run.
            qv::u32 end = widen_ascii_run(bytes + i, count - i, out + o, padded);
            i += end;
            o += end;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            qv::u32 run = widen_two_byte_run(bytes + i, count - i, out + o);
            i += 2 * run;
            o += run;
            if (i == count || bytes[i] < 0x80) {
                continue;
            }
            lead = bytes[i];
        }
        qv::u32 left = count - i;
        if (lead >= 0xC2 && lead <= 0xDF) {
            if (left < 2 || !is_trail(bytes[i + 1])) {
                return false;
            }
            out[o++] = static_cast<qv::u16>((lead & 0x1F) << 6 | (bytes[i + 1] & 0x3Fu));
            i += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            // E0 would be overlong below A0; ED would encode a surrogate from A0 on.
            qv::u32 low = lead == 0xE0 ? 0xA0 : 0x80;
            qv::u32 high = lead == 0xED ? 0x9F : 0xBF;
            if (left < 3 || bytes[i + 1] < low || bytes[i + 1] > high || !is_trail(bytes[i + 2])) {
                return false;
            }
            out[o++] = static_cast<qv::u16>((lead & 0x0F) << 12 | (bytes[i + 1] & 0x3Fu) << 6 |
                                            (bytes[i + 2] & 0x3Fu));
            i += 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            // F0 would be overlong below 90; F4 would pass U+10FFFF from 90 on.
            qv::u32 low = lead == 0xF0 ? 0x90 : 0x80;
            qv::u32 high = lead == 0xF4 ? 0x8F : 0xBF;
            if (left < 4 || bytes[i + 1] < low || bytes[i + 1] > high || !is_trail(bytes[i + 2]) ||
                !is_trail(bytes[i + 3])) {
                return false;
            }
            qv::u32 code_point = (lead & 0x07) << 18 | (bytes[i + 1] & 0x3Fu) << 12 |
                                 (bytes[i + 2] & 0x3Fu) << 6 | (bytes[i + 3] & 0x3Fu);
            code_point -= 0x10000;
            out[o++] = static_cast<qv::u16>(0xD800 | code_point >> 10);
            out[o++] = static_cast<qv::u16>(0xDC00 | (code_point & 0x3FF));
            i += 4;
        } else {
            // A stray continuation byte, C0, C1 or F5 and above.
            return false;
        }
    }
    *units = o;
    return true;
}

// Decodes `count` bytes of UTF-8 into `out`, which has room for `count` units (a text never
// takes more units than bytes). With `padded`, the transcode_padding bytes after the text may be
// read and as many units after its room written: the text then goes sixteen bytes at a time
// (decode_utf8_blocks) unless it holds a four-byte sequence or a fault.
// Gives the number of units, or false at the first ill-formed sequence.
inline bool decode_utf8_into(const qv::u8* bytes, qv::u32 count, qv::u16* out, bool padded,
                             qv::u32* units) {
    no_block_marks none;
    return (padded && decode_utf8_blocks(bytes, count, out, units, none)) ||
           decode_utf8_each(bytes, count, out, padded, units);
}

// Narrows the leading ASCII units into `out`, eight at a time; returns how many. Eight are
// narrowed even when one of them is not ASCII (the bytes from there on are garbage that the
// caller overwrites), and with `padded` the last partial eight too (encode_utf8_into).
inline qv::u32 narrow_ascii_run(const qv::u16* units, qv::u32 count, qv::u8* out, bool padded) {
    qv::u32 i = 0;
    for (; i < count; i += unit_vector_lanes) {
        qv::u32 left = count - i;
        if (left < unit_vector_lanes && !padded) {
            break;
        }
        unit_vector lanes = load_units(units + i);
        narrow_units(out + i, lanes);
        qv::u32 faults = lane_bits(at_least(lanes, 0x80));
        if (left < unit_vector_lanes) {
            // Lanes past the text's end do not count.
            faults &= lanes_inside<unit_vector_lanes>(left);
        }
        if (faults != 0) {
            return i + static_cast<qv::u32>(__builtin_ctz(faults));
        }
        if (left < unit_vector_lanes) {
            return count;
        }
    }
    for (; i < count && units[i] < 0x80; ++i) {
        out[i] = static_cast<qv::u8>(units[i]);
    }
    return i;
}

// Encodes the leading units of U+0080 to U+07FF (Greek, Cyrillic, Hebrew, Arabic, ...) as their
// two bytes each into `out`, four at a time from one 64-bit word where four such units follow;
// returns how many units it encoded. The rest is left to the caller.
inline qv::u32 narrow_two_byte_run(const qv::u16* units, qv::u32 count, qv::u8* out) {
    constexpr qv::u64 high_bits = 0x8000800080008000ull;
    qv::u32 i = 0;
    for (; i + 4 <= count; i += 4) {
        qv::u64 word = 0;
        __builtin_memcpy(&word, units + i, sizeof word);
        // Nothing from U+0800 on, and something from U+0080 on in each unit.
        qv::u64 middle = word & 0x0780078007800780ull;
        if ((word & 0xF800F800F800F800ull) != 0 ||
            ((middle + 0x7FFF7FFF7FFF7FFFull) & high_bits) != high_bits) {
            break;
        }
        // Lane k becomes bytes 2k (110xxxxx, the top five bits) and 2k + 1 (10xxxxxx).
        qv::u64 bytes = 0x80C080C080C080C0ull | (word >> 6 & 0x001F001F001F001Full) |
                        (word & 0x003F003F003F003Full) << 8;
        __builtin_memcpy(out + 2 * i, &bytes, sizeof bytes);
    }
    return i;
}

// Narrows a text of at most 32 units, all ASCII, without a loop: most names are such, and the
// exit of a loop would be mispredicted about once a text. Reads and writes 32 units and bytes
// from the text's start; false, having written garbage, when a unit is not ASCII.
inline bool narrow_short_ascii(const qv::u16* units, qv::u32 count, qv::u8* out) {
    unit_vector quarters[4];
    qv::u64 high = 0;
    for (qv::u32 q = 0; q < 4; ++q) {
        quarters[q] = load_units(units + q * unit_vector_lanes);
        high |= qv::u64{lane_bits(at_least(quarters[q], 0x80))} << (q * unit_vector_lanes);
        narrow_units(out + q * unit_vector_lanes, quarters[q]);
    }
    return (high & ((qv::u64{1} << count) - 1)) == 0;
}

// For each set of eight lanes (bit k for lane k), the same set with bit k moved to bit 4k: the
// lengths of eight units' UTF-8 forms, four bits each, are the sum of three such.
struct nibble_spread {
    qv::u32 of[256];
};
inline constexpr nibble_spread nibble_spread_table = [] {
    nibble_spread table = {};
    for (qv::u32 lanes = 0; lanes < 256; ++lanes) {
        for (qv::u32 k = 0; k < 8; ++k) {
            table.of[lanes] |= (lanes >> k & 1) << (4 * k);
        }
    }
    return table;
}();

// Encodes a text without surrogates eight units at a time, whatever their mix of one, two and
// three bytes: each lane's bytes are formed side by side as one 32-bit word, and the words are
// then written one after another, each overlapping the last's unused bytes, so that nothing
// branches on where a script changes; only eight ASCII units go another way. Reads up to
// transcode_padding units past the text and writes up to as many bytes past its encoded ones.
// False for a text with a surrogate, which it leaves to the caller. Inline in its one caller:
// a call costs a save about as much as the encoding of a short name.
[[gnu::always_inline]] inline bool encode_utf8_blocks(const qv::u16* units, qv::u32 count,
                                                      qv::u8* out, qv::u64* bytes) {
    const unit_vector low_six = splat_unit(0x3F);
    qv::u64 o = 0;
    for (qv::u32 i = 0; i < count; i += unit_vector_lanes) {
        qv::u32 left = count - i;
        qv::u32 inside = lanes_inside<unit_vector_lanes>(left);
        unit_vector unit = load_units(units + i);
        unit_vector two_or_more = at_least(unit, 0x80);
        qv::u32 longer = lane_bits(two_or_more) & inside;
        if (longer == 0) {
            narrow_units(out + o, unit);
            o += left >= unit_vector_lanes ? unit_vector_lanes : left;
            continue;
        }
        qv::u32 surrogates =
            lane_bits(equal_units(and_units(unit, splat_unit(0xF800)), splat_unit(0xD800)));
        if ((surrogates & inside) != 0) {
            return false;
        }
        unit_vector three = at_least(unit, 0x800);
        qv::u32 longest = lane_bits(three) & inside;
        // The first two bytes of each lane in its low half (110xxxxx 10yyyyyy, or 1110xxxx
        // 10yyyyyy), the third in its high half (10zzzzzz).
        unit_vector last_bits = and_units(unit, low_six);
        unit_vector two_first = or_units(or_units(splat_unit(0x80C0), shift_units_right<6>(unit)),
                                         shift_units_left<8>(last_bits));
        unit_vector three_first =
            or_units(or_units(splat_unit(0x80E0), shift_units_right<12>(unit)),
                     shift_units_left<8>(and_units(shift_units_right<6>(unit), low_six)));
        unit_vector low =
            select_units(two_or_more, select_units(three, three_first, two_first), unit);
        unit_vector high = or_units(splat_unit(0x80), last_bits);
        // One byte for each unit of the text, one more from U+0080 and another from U+0800 on.
        qv::u32 lengths = nibble_spread_table.of[inside] + nibble_spread_table.of[longer] +
                          nibble_spread_table.of[longest];
        qv::u16 words[2 * unit_vector_lanes];
        store_units(words, interleave_low(low, high));
        store_units(words + unit_vector_lanes, interleave_high(low, high));
        // Two lanes' words at a time; lanes past the text's end have length 0 and write only
        // into the padding.
        auto put_pair = [&](const qv::u16* two_words, qv::u32 pair_lengths) {
            qv::u64 pair = 0;
            __builtin_memcpy(&pair, two_words, sizeof pair);
            __builtin_memcpy(out + o, &pair, sizeof pair);
            o += pair_lengths & 0xF;
            auto second = static_cast<qv::u32>(pair >> 32);
            __builtin_memcpy(out + o, &second, sizeof second);
            o += pair_lengths >> 4 & 0xF;
        };
        put_pair(words, lengths);
        put_pair(words + 4, lengths >> 8);
        put_pair(words + 8, lengths >> 16);
        put_pair(words + 12, lengths >> 24);
    }
    *bytes = o;
    return true;
}

// Encodes `count` units of UTF-16 as UTF-8 into `out` one sequence at a time, with runs of
// ASCII and of two-byte units taken several at once; the way for texts with surrogates, and for
// texts that may not be read or written past. `padded` as for encode_utf8_into.
[[gnu::noinline]] inline bool encode_utf8_each(const qv::u16* units, qv::u32 count, qv::u8* out,
                                               bool padded, qv::u64* bytes) {
    qv::u32 i = 0;
    qv::u64 o = 0;
    while (i < count) {
        qv::u32 unit = units[i];
        if (unit < 0x80) {
            qv::u32 end = narrow_ascii_run(units + i, count - i, out + o, padded);
            i += end;
            o += end;
            continue;
        }
        if (unit < 0x800) {
            qv::u32 run = narrow_two_byte_run(units + i, count - i, out + o);
            i += run;
            o += 2 * qv::u64{run};
            if (run != 0) {
                continue;
            }
            out[o++] = static_cast<qv::u8>(0xC0 | unit >> 6);
            out[o++] = static_cast<qv::u8>(0x80 | (unit & 0x3F));
            ++i;
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            out[o++] = static_cast<qv::u8>(0xE0 | unit >> 12);
            out[o++] = static_cast<qv::u8>(0x80 | (unit >> 6 & 0x3F));
            out[o++] = static_cast<qv::u8>(0x80 | (unit & 0x3F));
            ++i;
        } else {
            // A high surrogate followed by a low one; anything else is unpaired.
            qv::u32 next = i + 1 < count ? units[i + 1] : 0;
            if (unit > 0xDBFF || next < 0xDC00 || next > 0xDFFF) {
                return false;
            }
            qv::u32 code_point = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
            out[o++] = static_cast<qv::u8>(0xF0 | code_point >> 18);
            out[o++] = static_cast<qv::u8>(0x80 | (code_point >> 12 & 0x3F));
            out[o++] = static_cast<qv::u8>(0x80 | (code_point >> 6 & 0x3F));
            out[o++] = static_cast<qv::u8>(0x80 | (code_point & 0x3F));
            i += 2;
        }
    }
    *bytes = o;
    return true;
}

// Encodes `count` units of UTF-16 as UTF-8 into `out`, which has room for 3 bytes a unit (the
// most any unit takes). Gives the number of bytes, or false at an unpaired surrogate. With
// `padded`, the transcode_padding units after the text may be read and as many bytes after its
// encoded bytes written: short ASCII texts then go without a loop, and texts without
// surrogates eight units at a time. Inline in its callers for the same reason as the block
// encoder; only texts with surrogates, or that may not be read past, leave them.
[[gnu::always_inline]] inline bool encode_utf8_into(const qv::u16* units, qv::u32 count,
                                                    qv::u8* out, bool padded, qv::u64* bytes) {
    static_assert(transcode_padding >= 4 * unit_vector_lanes);
    // Only a text whose first eight units are ASCII is tried as a short ASCII one: a text of
    // another script would pay for the attempt and the block encoder's work both.
    if (padded && count <= 4 * unit_vector_lanes &&
        (lane_bits(at_least(load_units(units), 0x80)) & lanes_inside<unit_vector_lanes>(count)) ==
            0 &&
        narrow_short_ascii(units, count, out)) {
        *bytes = count;
        return true;
    }
    return (padded && encode_utf8_blocks(units, count, out, bytes)) ||
           encode_utf8_each(units, count, out, padded, bytes);
}

}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE
}  // namespace quorven::search_core::vrel
