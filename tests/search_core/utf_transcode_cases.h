// The index file's direct UTF-8 conversions, compiled once per form of the unit vector: the
// including file picks the form (QUORVEN_PORTABLE_UNIT_VECTOR or the machine's own) and names
// the suite (UTF_TRANSCODE_SUITE). ICU's strict conversions are the reference: the direct ones
// must give the same units or bytes for every text ICU accepts, and may refuse only what ICU
// refuses. Every one- and two-byte sequence, every lead of three and four bytes with every
// second byte and the boundary values of the rest, each alone and between ASCII runs of every
// length the vector splits differently; then random texts of mixed scripts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/icu/icu_convert.h"
#include "vrel/utf_transcode.h"

namespace {

namespace sc = quorven::search_core;

constexpr uint32_t padding = sc::vrel::transcode_padding;
constexpr uint16_t canary = 0xBEEF;

// Decodes `text` both ways (padded with non-ASCII bytes after it, and not) and checks each
// against ICU; room past the text's room is checked untouched beyond the padding.
void expect_decoding_as_icu(const std::vector<uint8_t>& text) {
    auto count = static_cast<uint32_t>(text.size());
    std::vector<uint16_t> expected(count + 1);
    uint32_t expected_units = 0;
    bool accepted = sc::icu::utf8_to_utf16(text.data(), count, expected.data(), count + 1,
                                           &expected_units) == sc::icu::conversion::done;
    std::vector<uint8_t> input(text);
    input.insert(input.end(), padding, 0xE9);
    for (bool padded : {false, true}) {
        std::vector<uint16_t> out(count + 2 * padding, canary);
        uint32_t units = 0;
        bool done = sc::vrel::decode_utf8_into(input.data(), count, out.data(), padded, &units);
        if (!accepted) {
            ASSERT_FALSE(done);
            continue;
        }
        ASSERT_TRUE(done);
        ASSERT_EQ(units, expected_units);
        for (uint32_t i = 0; i < units; ++i) {
            ASSERT_EQ(out[i], expected[i]) << "unit " << i;
        }
        for (size_t i = count + (padded ? padding : 0); i < out.size(); ++i) {
            ASSERT_EQ(out[i], canary) << "past the room at " << i;
        }
    }
}

// Encodes `text` and checks it against ICU: the same bytes, or a refusal where ICU refuses.
void expect_encoding_as_icu(const std::vector<uint16_t>& text) {
    auto count = static_cast<uint32_t>(text.size());
    std::vector<uint8_t> expected(count * 3 + 1);
    uint32_t expected_bytes = 0;
    bool accepted = sc::icu::utf16_to_utf8(text.data(), count, expected.data(), count * 3 + 1,
                                           &expected_bytes) == sc::icu::conversion::done;
    // Padded with non-ASCII units after the text, and not.
    std::vector<uint16_t> input(text);
    input.insert(input.end(), padding, 0x434);
    for (bool padded : {false, true}) {
        std::vector<uint8_t> out(count * 3 + 2 * padding, 0xEE);
        uint64_t bytes = 0;
        bool done = sc::vrel::encode_utf8_into(input.data(), count, out.data(), padded, &bytes);
        ASSERT_EQ(done, accepted);
        if (!accepted) {
            continue;
        }
        ASSERT_EQ(bytes, expected_bytes);
        for (uint32_t i = 0; i < expected_bytes; ++i) {
            ASSERT_EQ(out[i], expected[i]) << "byte " << i;
        }
        for (size_t i = (padded ? expected_bytes + padding : count * 3); i < out.size(); ++i) {
            ASSERT_EQ(out[i], 0xEE) << "past the room at " << i;
        }
    }
}

// `sequence` alone, and after and before ASCII runs that put it across each boundary of the
// eight- and sixteen-byte blocks.
void expect_in_context_as_icu(const std::vector<uint8_t>& sequence) {
    expect_decoding_as_icu(sequence);
    for (uint32_t run : {1u, 7u, 9u, 14u, 15u, 17u}) {
        std::vector<uint8_t> text(run, 'a');
        text.insert(text.end(), sequence.begin(), sequence.end());
        text.insert(text.end(), run, 'b');
        expect_decoding_as_icu(text);
    }
}

// The vector operations the conversions are built on, against their plain meaning: every set
// of lanes packed, every byte sorted against every bound, lanes chosen and shifted.
TEST(UTF_TRANSCODE_SUITE, VectorOperations) {
    alignas(16)
        uint16_t lanes[8] = {0x8001, 0x4002, 0x2003, 0x1004, 0x0805, 0x0406, 0x0207, 0x0108};
    sc::unit_vector v = sc::load_units(lanes);
    for (uint32_t keep = 0; keep < 256; ++keep) {
        uint16_t packed[8] = {};
        sc::store_units(packed, sc::pack_units(v, keep));
        uint32_t j = 0;
        for (uint32_t lane = 0; lane < 8; ++lane) {
            if ((keep >> lane & 1) != 0) {
                ASSERT_EQ(packed[j++], lanes[lane]) << "keep " << keep << " lane " << lane;
            }
        }
        ASSERT_EQ(sc::lane_packing_table.kept[keep], j);
    }
    uint16_t shifted[8] = {};
    sc::store_units(shifted, sc::shift_units_left<6>(v));
    uint16_t right[8] = {};
    sc::store_units(right, sc::shift_units_right<6>(v));
    uint16_t zipped[16] = {};
    sc::unit_vector w = sc::splat_unit(0x55);
    sc::store_units(zipped, sc::interleave_low(v, w));
    sc::store_units(zipped + 8, sc::interleave_high(v, w));
    uint16_t chosen[8] = {};
    alignas(16) const uint16_t mask[8] = {0xFFFF, 0, 0, 0xFFFF, 0, 0, 0, 0xFFFF};
    sc::store_units(chosen, sc::select_units(sc::load_units(mask), v, sc::splat_unit(7)));
    for (uint32_t lane = 0; lane < 8; ++lane) {
        EXPECT_EQ(shifted[lane], static_cast<uint16_t>(lanes[lane] << 6)) << lane;
        EXPECT_EQ(chosen[lane], mask[lane] != 0 ? lanes[lane] : 7) << lane;
        EXPECT_EQ(right[lane], lanes[lane] >> 6) << lane;
        EXPECT_EQ(zipped[2 * lane], lanes[lane]) << lane;
        EXPECT_EQ(zipped[2 * lane + 1], 0x55) << lane;
    }

    uint8_t bytes[256];
    for (uint32_t b = 0; b < 256; ++b) {
        bytes[b] = static_cast<uint8_t>(b * 37 + 11);
    }
    for (uint32_t at = 0; at < 256; at += 16) {
        sc::byte_vector block = sc::load_bytes(bytes + at);
        uint32_t high = 0;
        for (uint32_t k = 0; k < 16; ++k) {
            high |= (bytes[at + k] >= 0x80 ? 1u : 0u) << k;
        }
        ASSERT_EQ(sc::high_byte_bits(block), high);
        for (uint32_t bound = 0; bound < 256; ++bound) {
            uint32_t above = 0;
            uint32_t equal = 0;
            for (uint32_t k = 0; k < 16; ++k) {
                above |= (bytes[at + k] >= bound ? 1u : 0u) << k;
                equal |= (bytes[at + k] == bound ? 1u : 0u) << k;
            }
            auto b = static_cast<uint8_t>(bound);
            ASSERT_EQ(sc::byte_bits(sc::at_least_bytes(block, b)), above) << bound;
            ASSERT_EQ(sc::byte_bits(sc::equal_bytes(block, b)), equal) << bound;
        }
        // Bytes shifted within themselves, chosen by a mask, and joined into units.
        sc::byte_vector other = sc::load_bytes(bytes + (at + 16) % 256);
        sc::byte_vector top_mask = sc::at_least_bytes(block, 0x80);
        uint16_t joined[16] = {};
        sc::store_units(joined, sc::join_bytes_low(sc::shift_bytes_left<3>(block),
                                                   sc::select_bytes(top_mask, block, other)));
        sc::store_units(joined + 8, sc::join_bytes_high(sc::shift_bytes_right<5>(block),
                                                        sc::or_bytes(block, other)));
        for (uint32_t k = 0; k < 16; ++k) {
            uint8_t a = bytes[at + k];
            uint8_t o = bytes[(at + 16 + k) % 256];
            uint32_t low = k < 8 ? static_cast<uint8_t>(a << 3) : a >> 5;
            uint32_t top = k < 8 ? (a >= 0x80 ? a : o) : (a | o);
            EXPECT_EQ(joined[k], low | top << 8) << at + k;
        }
    }
}

TEST(UTF_TRANSCODE_SUITE, DecodesEveryShortSequenceAsIcu) {
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; ++b) {
            std::vector<uint8_t> pair = {static_cast<uint8_t>(a), static_cast<uint8_t>(b)};
            expect_decoding_as_icu(pair);
            // The same pair twice fills a word of the two-byte path.
            pair.insert(pair.end(), {static_cast<uint8_t>(a), static_cast<uint8_t>(b)});
            pair.insert(pair.end(), pair.begin(), pair.end());
            expect_decoding_as_icu(pair);
        }
        expect_in_context_as_icu({static_cast<uint8_t>(a)});
    }
    const uint8_t boundaries[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    for (uint32_t lead = 0xE0; lead <= 0xF7; ++lead) {
        for (uint32_t second = 0; second < 256; ++second) {
            for (uint8_t third : boundaries) {
                std::vector<uint8_t> s = {static_cast<uint8_t>(lead), static_cast<uint8_t>(second),
                                          third};
                expect_decoding_as_icu(s);
                s.push_back(0x80);
                expect_decoding_as_icu(s);
                s.back() = 0xBF;
                expect_in_context_as_icu(s);
            }
        }
    }
}

TEST(UTF_TRANSCODE_SUITE, EncodesEveryUnitAndSurrogatePairAsIcu) {
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
        expect_encoding_as_icu({static_cast<uint16_t>(unit)});
        expect_encoding_as_icu(
            {'a', static_cast<uint16_t>(unit), 0xDC00, 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'});
        // Across the boundary of two blocks of eight, and among units of every length.
        auto u = static_cast<uint16_t>(unit);
        expect_encoding_as_icu({'a', 0x434, 0x6570, 'b', 0x7FF, 0x800, 'c', u, u, 0x80, 'd'});
        // A whole block of it, which for two-byte units is written at once.
        expect_encoding_as_icu(std::vector<uint16_t>(9, u));
    }
    const uint16_t lows[] = {0xDBFF, 0xDC00, 0xDC01, 0xDE00, 0xDFFF, 0xE000, 0x41};
    for (uint32_t high = 0xD800; high <= 0xDBFF; ++high) {
        for (uint16_t low : lows) {
            expect_encoding_as_icu({static_cast<uint16_t>(high), low});
        }
    }
}

// Texts of runs from several scripts, as names in the wild mix them, with a fault now and then.
TEST(UTF_TRANSCODE_SUITE, MixedTextsRoundTripAsIcu) {
    const std::vector<std::vector<uint16_t>> pieces = {
        {'r', 'e', 'p', 'o', 'r', 't'},
        {'_', '2', '0', '2', '1', '.', 'p', 'd', 'f'},
        {0x0434, 0x043E, 0x043A, 0x0443, 0x043C, 0x0435, 0x043D, 0x0442},
        {0x03C4, 0x03B9, 0x03BC},
        {0x00E4, 0x00DF},
        {0x6570, 0x636E, 0x7167},
        {0xD83D, 0xDE00},
        {0xD801},
        {0xDC28, 'x'},
        {0xFFFF, 0x0800, 0x07FF, 0x0080, 0x007F}};
    std::mt19937 rng(91);
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint16_t> text;
        auto count = std::uniform_int_distribution<int>(0, 9)(rng);
        for (int i = 0; i < count; ++i) {
            const auto& piece = pieces[std::uniform_int_distribution<size_t>(0, 9)(rng)];
            text.insert(text.end(), piece.begin(), piece.end());
        }
        expect_encoding_as_icu(text);
        // The well-formed ones back again, and once with a byte flipped.
        std::vector<uint8_t> bytes(text.size() * 3);
        uint64_t length = 0;
        if (sc::vrel::encode_utf8_into(text.data(), static_cast<uint32_t>(text.size()),
                                       bytes.data(), false, &length)) {
            bytes.resize(length);
            expect_decoding_as_icu(bytes);
            if (!bytes.empty()) {
                bytes[std::uniform_int_distribution<size_t>(0, bytes.size() - 1)(rng)] ^=
                    static_cast<uint8_t>(1u << std::uniform_int_distribution<int>(0, 7)(rng));
                expect_decoding_as_icu(bytes);
            }
        }
    }
}

}  // namespace
