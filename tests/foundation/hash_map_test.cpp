#include "qv/hash_map.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "qv/alloc_seam.h"

namespace {

TEST(HashMap, AgreesWithStdMapOverManyKeys) {
    qv::u64_map<qv::array<qv::u32>> map;
    std::map<qv::u64, std::vector<qv::u32>> model;
    std::mt19937_64 rng(7);
    for (qv::u32 i = 0; i < 20000; ++i) {
        // Keys that differ only in their low bits, as length-only keys do, and random ones.
        qv::u64 key = (i % 3 == 0) ? (qv::u64{0xD1EC70A1} << 32 | (rng() % 500)) : rng() % 5000;
        qv::array<qv::u32>* ids = map.find_or_insert(key);
        ASSERT_NE(ids, nullptr);
        ASSERT_TRUE(ids->push_back(i));
        model[key].push_back(i);
    }
    EXPECT_EQ(map.size(), model.size());
    EXPECT_LE(map.size(), map.capacity_items());
    for (auto& [key, ids] : model) {
        qv::array<qv::u32>* found = map.find(key);
        ASSERT_NE(found, nullptr);
        ASSERT_EQ(found->size(), ids.size());
        for (size_t i = 0; i < ids.size(); ++i) {
            EXPECT_EQ((*found)[i], ids[i]);
        }
    }
    EXPECT_EQ(map.find(0xFFFFFFFFFFFFFFFFull), nullptr);
    size_t visited = 0;
    map.for_each([&](qv::u64 key, const qv::array<qv::u32>&) {
        EXPECT_TRUE(model.count(key));
        ++visited;
    });
    EXPECT_EQ(visited, model.size());
}

TEST(HashMap, FailedGrowthLeavesTheMapWhole) {
    qv::u64_map<int> map;
    for (qv::u64 k = 0; k < 12; ++k) {
        ASSERT_NE(map.find_or_insert(k), nullptr);
        *map.find(k) = static_cast<int>(k);
    }
    ASSERT_EQ(map.size(), map.capacity_items());  // the next new key must grow the table
    qv::alloc_seam::fail_nth(1);
    EXPECT_EQ(map.find_or_insert(100), nullptr);
    qv::alloc_seam::fail_nth(0);
    EXPECT_EQ(map.size(), 12u);
    for (qv::u64 k = 0; k < 12; ++k) {
        ASSERT_NE(map.find(k), nullptr);
        EXPECT_EQ(*map.find(k), static_cast<int>(k));
    }
    EXPECT_NE(map.find_or_insert(100), nullptr);
}

}  // namespace
