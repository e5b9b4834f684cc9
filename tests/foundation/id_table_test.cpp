#include "qv/id_table.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "qv/alloc_seam.h"

namespace {

std::multiset<qv::u32> ids_under(const qv::id_table& table, qv::u32 tag) {
    std::multiset<qv::u32> ids;
    table.for_each(tag, [&](qv::u32 id) { ids.insert(id); });
    return ids;
}

// Inserts and erases in a random mix, with few distinct tags so that probe runs grow long and
// wrap around the end of the slots; after every step the table agrees with a plain model.
TEST(IdTable, AgreesWithAModelThroughInsertsAndErases) {
    qv::id_table table;
    std::map<qv::u32, std::multiset<qv::u32>> model;
    std::mt19937 rng(11);
    qv::u32 next_id = 0;
    for (int step = 0; step < 40000; ++step) {
        qv::u32 tag = (step % 2 == 0) ? rng() % 64 : rng();
        if (rng() % 3 != 0 || model.empty()) {
            ASSERT_TRUE(table.reserve(table.size() + 1));
            table.insert_reserved(tag, next_id);
            model[tag].insert(next_id++);
        } else {
            auto it = model.begin();
            std::advance(it, static_cast<long>(rng() % model.size()));
            qv::u32 id = *it->second.begin();
            ASSERT_TRUE(table.erase(it->first, id));
            it->second.erase(it->second.begin());
            if (it->second.empty()) {
                model.erase(it);
            }
        }
        if (step % 997 == 0) {
            size_t total = 0;
            for (const auto& [t, ids] : model) {
                ASSERT_EQ(ids_under(table, t), ids) << "step " << step;
                total += ids.size();
            }
            ASSERT_EQ(table.size(), total);
        }
    }
    EXPECT_FALSE(table.erase(12345, qv::id_table::no_id - 1));
    EXPECT_LE(table.size(), table.slot_count() - table.slot_count() / 4);
}

TEST(IdTable, FindReturnsTheFirstAcceptedIdInFilingOrder) {
    qv::id_table table;
    ASSERT_TRUE(table.reserve(3));
    table.insert_reserved(5, 10);
    table.insert_reserved(5, 11);
    table.insert_reserved(6, 12);
    EXPECT_EQ(table.find(5, [](qv::u32) { return true; }), 10u);
    EXPECT_EQ(table.find(5, [](qv::u32 id) { return id != 10; }), 11u);
    EXPECT_EQ(table.find(5, [](qv::u32 id) { return id == 12; }), qv::id_table::no_id);
    EXPECT_EQ(qv::id_table().find(5, [](qv::u32) { return true; }), qv::id_table::no_id);
}

TEST(IdTable, FailedGrowthKeepsEveryId) {
    qv::id_table table;
    ASSERT_TRUE(table.reserve(12));
    for (qv::u32 id = 0; id < 12; ++id) {
        table.insert_reserved(id % 4, id);
    }
    qv::alloc_seam::fail_nth(1);
    EXPECT_FALSE(table.reserve(13));
    qv::alloc_seam::fail_nth(0);
    EXPECT_EQ(table.slot_count(), 16u);
    for (qv::u32 tag = 0; tag < 4; ++tag) {
        EXPECT_EQ(ids_under(table, tag), (std::multiset<qv::u32>{tag, tag + 4, tag + 8}));
    }
}

}  // namespace
