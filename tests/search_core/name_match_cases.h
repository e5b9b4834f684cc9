// The name scan's cases, compiled once per form of the eight-lane unit vector: the including
// file picks the form (QUORVEN_PORTABLE_UNIT_VECTOR or the machine's own) and names the suite
// (NAME_MATCH_SUITE). The scan must give exactly the score of the plain rule: the first start
// position whose run equals the query under units_equal_ci decides.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "lib/name_match.h"
#include "lib/name_skim.h"

namespace {

namespace sc = quorven::search_core;

uint32_t plain_rule_score(const std::u16string& name, const std::u16string& query) {
    if (name.size() < query.size()) {
        return 0;
    }
    auto units = [](const std::u16string& s) {
        return reinterpret_cast<const uint16_t*>(s.data());
    };
    for (size_t p = 0; p + query.size() <= name.size(); ++p) {
        if (sc::units_equal_ci(units(name) + p, units(query),
                               static_cast<uint32_t>(query.size()))) {
            return p != 0                        ? sc::score_contains
                   : name.size() == query.size() ? sc::score_exact
                                                 : sc::score_prefix;
        }
    }
    return 0;
}

TEST(NAME_MATCH_SUITE, LaneOperations) {
    alignas(16) uint16_t units[8] = {0x41, 0x7F, 0x80, 0x434, 0xFFFF, 0x61, 0x00, 0x8000};
    sc::unit_vector v = sc::load_units(units);
    for (uint32_t lane = 0; lane < 8; ++lane) {
        EXPECT_EQ(sc::lane_bits(sc::equal_units(v, sc::splat_unit(units[lane]))) >> lane & 1, 1u)
            << lane;
    }
    EXPECT_EQ(sc::lane_bits(sc::equal_units(v, sc::splat_unit(0x41))), 0x01u);
    EXPECT_EQ(sc::lane_bits(sc::at_least(v, 0x80)), 0x9Cu);
    EXPECT_EQ(sc::lane_bits(sc::at_least(v, 0x8000)), 0x90u);
    EXPECT_EQ(sc::lane_bits(sc::at_least(v, 0)), 0xFFu);
    sc::unit_vector folded = sc::or_units(v, sc::splat_unit(0x20));
    EXPECT_EQ(sc::lane_bits(sc::equal_units(folded, sc::splat_unit(0x61))), 0x21u);
    sc::unit_vector masked = sc::and_units(v, sc::splat_unit(0xFF80));
    EXPECT_EQ(sc::lane_bits(sc::equal_units(masked, sc::splat_unit(0))), 0x63u);

    // Bytes widened to units and back, lane for lane, without touching the ninth.
    const uint8_t bytes[9] = {0x00, 0x41, 0x7F, 0x20, 0x61, 0x0A, 0x7E, 0x30, 0xEE};
    uint16_t widened[9] = {};
    widened[8] = 0xBEEF;
    sc::store_units(widened, sc::widen_bytes(bytes));
    uint8_t narrowed[9] = {};
    narrowed[8] = 0xEE;
    sc::narrow_units(narrowed, sc::load_units(widened));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(widened[i], bytes[i]) << i;
        EXPECT_EQ(narrowed[i], bytes[i]) << i;
    }
    EXPECT_EQ(widened[8], 0xBEEF);
    EXPECT_EQ(narrowed[8], 0xEE);
}

// Units that fold in every way the rule knows: ASCII letters and the non-letters that sit one
// bit 5 away from them, Latin-1 and Cyrillic pairs, partners from other blocks (old Cyrillic ᲁ,
// final sigma, micro sign, Kelvin sign), units with no partner, and surrogates both paired
// (Deseret capital and small letters) and lone.
const std::u16string alphabet =
    u"aAbBzZ_.@`\x7F\u0080\u00e9\u00c9\u00df\u0434\u0414\u1c81\u03c3\u03c2\u03a3\u00b5\u03bc"
    u"\u039c\u212ak\u6570\uffff\xd801\xdc00\xdc28\xd800";

// The ASCII part alone, for queries whose units are all ASCII.
const std::u16string ascii_alphabet = u"aAbBzZ_.@`\x7F";

std::u16string random_text(std::mt19937& rng, size_t max_length,
                           const std::u16string& from = alphabet) {
    std::u16string s(std::uniform_int_distribution<size_t>(0, max_length)(rng), u'a');
    for (auto& unit : s) {
        unit = from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng)];
    }
    return s;
}

// Random names against queries taken from them (so that matches are frequent) or random, of up
// to 24 units (past the sixteen that carry gates), each name scored twice: alone at the end of
// its pool, and followed by more pool units that the scan may read but must ignore. Every
// fourth name is all ASCII, so that long ASCII queries occur too.
TEST(NAME_MATCH_SUITE, ScoresEqualThePlainRule) {
    std::mt19937 rng(1234);
    std::vector<std::u16string> names;
    for (int i = 0; i < 300; ++i) {
        names.push_back(random_text(rng, 40, i % 4 == 0 ? ascii_alphabet : alphabet));
    }
    for (int round = 0; round < 160; ++round) {
        std::u16string query;
        const std::u16string& source = names[static_cast<size_t>(round) % names.size()];
        if (round % 3 != 0 && !source.empty()) {
            size_t start = std::uniform_int_distribution<size_t>(0, source.size() - 1)(rng);
            size_t length = std::uniform_int_distribution<size_t>(1, 24)(rng);
            query = source.substr(start, length);
        }
        if (query.empty()) {
            query = random_text(rng, 12) + u"a";
        }
        sc::utf16_span q = {reinterpret_cast<const uint16_t*>(query.data()),
                            static_cast<uint32_t>(query.size())};
        // With the case partners found (a large store) and without (a small one).
        const sc::name_matcher with_partners(q, true);
        const sc::name_matcher without_partners(q, false);
        for (const auto& name : names) {
            uint32_t want = plain_rule_score(name, query);
            std::u16string pool = name + random_text(rng, 20);
            for (size_t readable : {name.size(), pool.size()}) {
                auto units = reinterpret_cast<const uint16_t*>(pool.data());
                auto length = static_cast<uint32_t>(name.size());
                EXPECT_EQ(with_partners.score(units, length, units + readable), want)
                    << "query of " << query.size() << " units, name of " << name.size();
                EXPECT_EQ(without_partners.score(units, length, units + readable), want)
                    << "query of " << query.size() << " units, name of " << name.size();
            }
        }
    }
}

// The skim of a whole pool finds exactly the start positions whose runs equal an ASCII query,
// whichever two units it gates on: every run that next() passes over differs from the query,
// and equal_at() agrees with units_equal_ci. Pools mix every kind of unit; the readable end sits
// exactly after the last run, so the scalar tail runs too, and the range is cut into pieces.
TEST(NAME_MATCH_SUITE, SkimFindsEveryEqualRun) {
    std::mt19937 rng(99);
    for (int round = 0; round < 400; ++round) {
        std::u16string pool = random_text(rng, 300, round % 2 == 0 ? ascii_alphabet : alphabet);
        std::u16string query;
        if (round % 4 != 0 && pool.size() > 2) {
            size_t start = std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng);
            size_t length = std::uniform_int_distribution<size_t>(1, 20)(rng);
            for (char16_t unit : pool.substr(start, length)) {
                query += unit < 0x80 ? unit : u'b';
            }
        } else {
            query = random_text(rng, 3, ascii_alphabet) + u"Z";
        }
        if (query.size() > pool.size()) {
            continue;
        }
        auto units = reinterpret_cast<const uint16_t*>(pool.data());
        auto q = reinterpret_cast<const uint16_t*>(query.data());
        const auto length = static_cast<uint32_t>(query.size());
        const sc::name_skimmer skimmer({q, length});
        const size_t starts = pool.size() - query.size() + 1;
        const size_t piece = 1 + std::uniform_int_distribution<size_t>(0, 40)(rng);
        size_t at = 0;
        for (size_t piece_end = 0; piece_end < starts;) {
            piece_end = std::min(starts, piece_end + piece);
            while (true) {
                size_t found = skimmer.next(units, at, piece_end, pool.size());
                ASSERT_LE(found, piece_end);
                for (; at < found; ++at) {
                    ASSERT_FALSE(sc::units_equal_ci(units + at, q, length)) << "passed over " << at;
                }
                if (found == piece_end) {
                    break;
                }
                EXPECT_EQ(skimmer.equal_at(units + at), sc::units_equal_ci(units + at, q, length))
                    << "at " << at << ", query of " << query.size() << " units";
                ++at;
            }
        }
        EXPECT_EQ(at, starts);
    }
}

}  // namespace
