// The index file's own UTF-8 conversions against ICU's strict ones, which define well-formed:
// random byte strings dense in lead bytes, continuation bytes and the boundary values of every
// rule (overlong forms, encoded surrogates, values above U+10FFFF, cut sequences), and random
// UTF-16 texts with paired and unpaired surrogates.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "lib/status.h"
#include "platform/icu/icu_convert.h"
#include "vrel/text_codec.h"

namespace {

namespace sc = quorven::search_core;

const uint8_t interesting_bytes[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                     0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEE, 0xEF,
                                     0xF0, 0xF1, 0xF4, 0xF5, 0xFF, 0x62, 0x63, 0x64};

TEST(TextCodec, DecodingAgreesWithIcu) {
    std::mt19937 rng(77);
    for (int round = 0; round < 20000; ++round) {
        auto count = std::uniform_int_distribution<uint32_t>(0, 24)(rng);
        // The reader's buffers hold padding after every text; here it is more random bytes.
        std::vector<uint8_t> bytes(count + sc::vrel::conversion_padding);
        for (auto& b : bytes) {
            b = interesting_bytes[std::uniform_int_distribution<size_t>(
                0, sizeof interesting_bytes - 1)(rng)];
        }
        std::vector<uint16_t> icu_units(count + 1);
        uint32_t icu_length = 0;
        bool icu_ok = sc::icu::utf8_to_utf16(bytes.data(), count, icu_units.data(), count + 1,
                                             &icu_length) == sc::icu::conversion::done;
        // With room reserved for the text and its padding (converted in place, inline), for the
        // text alone (in place, out of line), and without (measured, then grown).
        for (uint32_t reserved : {count + sc::vrel::conversion_padding, count, 0u}) {
            qv::array<uint16_t> pool;
            ASSERT_TRUE(pool.push_back(0x5A));
            ASSERT_TRUE(pool.reserve_exact(1 + reserved));
            sc::dir_span placed = {};
            uint32_t status = sc::vrel::append_as_utf16(bytes.data(), count, pool, &placed);
            ASSERT_EQ(status, icu_ok ? sc::status_ok : sc::status_invalid_data) << round;
            if (!icu_ok) {
                EXPECT_EQ(pool.size(), 1u);
                continue;
            }
            ASSERT_EQ(placed.offset, 1u);
            ASSERT_EQ(placed.length, icu_length);
            ASSERT_EQ(pool.size(), 1u + icu_length);
            for (uint32_t i = 0; i < icu_length; ++i) {
                ASSERT_EQ(pool[1 + i], icu_units[i]) << round << " unit " << i;
            }
        }
    }
}

TEST(TextCodec, EncodingAgreesWithIcu) {
    const uint16_t units[] = {0x41,   0x7F,   0x80,   0x7FF,  0x800,  0xD7FF, 0xD800,
                              0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF, 0x62};
    std::mt19937 rng(78);
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint16_t> text(std::uniform_int_distribution<size_t>(0, 12)(rng));
        for (auto& u : text) {
            u = units[std::uniform_int_distribution<size_t>(0, sizeof units / 2 - 1)(rng)];
        }
        auto length = static_cast<uint32_t>(text.size());
        std::vector<uint8_t> icu_bytes(text.size() * 3 + 1);
        uint32_t icu_length = 0;
        bool icu_ok = sc::icu::utf16_to_utf8(text.data(), length, icu_bytes.data(), length * 3 + 1,
                                             &icu_length) == sc::icu::conversion::done;
        // The memory holding the text ends with it, or leaves room to read past it.
        text.resize(length + sc::vrel::conversion_padding, 0x41);
        for (uint32_t readable : {length, length + sc::vrel::conversion_padding}) {
            std::vector<uint8_t> ours(length * 3 + sc::vrel::conversion_padding);
            uint64_t bytes = 0;
            sc::utf16_span span = {text.data(), length};
            ASSERT_EQ(
                sc::vrel::encode_utf8_unplanned(span, text.data() + readable, ours.data(), &bytes),
                icu_ok ? sc::status_ok : sc::status_invalid_data)
                << round;
            if (icu_ok) {
                ASSERT_EQ(bytes, icu_length);
                ASSERT_TRUE(std::equal(ours.begin(), ours.begin() + icu_length, icu_bytes.begin()));
            }
        }
    }
}

}  // namespace
