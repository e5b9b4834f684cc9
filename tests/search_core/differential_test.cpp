// Randomised comparison of query, projection and copy with the reference model: fixed seeds,
// thousands of small stores whose names mix scripts, surrogate pairs and lone surrogates, and
// queries cut from those names at any unit, so that windows start and end inside pairs.

#include <gtest/gtest.h>

#include "differential_support.h"

namespace {

using namespace test;

void run_round(uint32_t seed, uint32_t stores, uint32_t max_entries, uint32_t queries,
               const std::vector<std::u16string>& name_pieces = pieces) {
    generator gen(seed);
    for (uint32_t n = 0; n < stores; ++n) {
        twin_stores twins;
        twins.fill(gen, gen.below(max_entries + 1), dirs, name_pieces);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        const auto& entries = twins.model.entries();
        for (uint32_t k = 0; k < queries; ++k) {
            std::u16string q;
            if (!entries.empty() && gen.chance(70)) {
                q = gen.window_of(entries[gen.below(static_cast<uint32_t>(entries.size()))].name);
            } else {
                q = gen.text_of(name_pieces, 1, 3);
            }
            compare_query(twins, q, pick_limit(gen));
        }
        compare_projection(twins, 1, pick_limit(gen));
        compare_projection(twins, 2, pick_limit(gen));
        if (testing::Test::HasFailure()) {
            FAIL() << "seed " << seed << ", store " << n;
        }
    }
}

TEST(Differential, ManySmallStores) {
    run_round(20240611, 3000, 40, 6);
}

TEST(Differential, FewLargerStoresWithSmallLimits) {
    // Enough matches that the heap fills, replaces its root, and the kept items need the
    // O(n log n) sort.
    run_round(7, 12, 3000, 20);
}

// All-ASCII names, so that nearly every query skims the name pool as one text: runs that would
// cross from one name into the next, and the names of removed entries, must match nothing.
TEST(Differential, AsciiNamesSkimmedAsOneText) {
    run_round(31, 400, 200, 12, {u"a", u"A", u"b", u"B", u"k", u"s", u"S", u".", u"_", u"1"});
}

}  // namespace
