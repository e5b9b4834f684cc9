// Randomised comparison of mutation batches with the reference model: long sequences of batches
// of mixed kinds and scripts, directories written with `/` and `\`, failing batches among them,
// and after each batch the whole visible store compared: counts, queries, both projections and
// copied entries.

#include <gtest/gtest.h>

#include "differential_support.h"
#include "mutation_fixture.h"

namespace {

using namespace test;
using reference::mutation;

// Directories for new entries: some meet the stored ones in another case or with the other
// separator, some lie under others.
const std::vector<std::u16string> new_dirs = {
    u"C:\\Users\\new",     u"c:/users/NEW",   u"C:\\Users\\new\\",
    u"C:\\users",          u"/home/\u00c9/x", u"/home/\u00e9\\x",
    u"D:\\\u0394\\\u03b4", u"D:/x/",          u"",
    u"\U00010400/\u212a"};

// Code points whose upper-case forms meet or nearly meet: s, S and the long s; i, I, the
// dotless i and the dotted capital I; k, K and the Kelvin sign; the micro sign and mu; final
// and medial sigma; the three cases of a title-case digraph; the theta symbols; sharp s, its
// capital and ss; Cherokee capitals and small letters; a Deseret pair; and lone surrogates, which
// pair up where two pieces meet.
const std::vector<std::u16string> confusables = {
    u"s",      u"S",      u"\u017f",     u"i",          u"I",      u"\u0131", u"\u0130",
    u"k",      u"K",      u"\u212a",     u"\u00b5",     u"\u03bc", u"\u039c", u"\u03c2",
    u"\u03c3", u"\u03a3", u"\u01c4",     u"\u01c5",     u"\u01c6", u"\u03d1", u"\u03b8",
    u"\u0398", u"\u03f4", u"\u00df",     u"\u1e9e",     u"ss",     u"\u13a0", u"\uab70",
    u"\u13f0", u"\u13f8", u"\U00010400", u"\U00010428", u"\xd801", u"\xdc00"};

// Folders spelled with them, with either separator inside and some with a trailing one.
const std::vector<std::u16string> confusable_dirs = {u"C:\\\u017f\u0131",
                                                     u"c:\\SI",
                                                     u"C:\\si\\",
                                                     u"C:/\u212a\u00b5",
                                                     u"c:\\k\u03bc/",
                                                     u"\\\\srv\\\u03c3\u03c2",
                                                     u"\u01c5\u03d1",
                                                     u"\u01c4\u03f4\\",
                                                     u"\u00df/\U00010400",
                                                     u"\u1e9e\\\U00010428",
                                                     u"\u13a0\uab70",
                                                     u"\xd801",
                                                     u""};
const std::vector<std::u16string> confusable_new_dirs = {
    u"C:\\\u017f\u0131\\\u0130", u"C:/SI/ss",     u"\u13f8\\\u13f0", u"\\\\SRV\\\u03a3\u03a3",
    u"\U00010428\\x\\",          u"\xdc00\xd801", u"c:\\k\u03bc"};

// What a sequence's names and folders are made of. Folders of a respelled alphabet are
// re-cased on every use, so that one folder arrives in many spellings across batches.
struct alphabet {
    const std::vector<std::u16string>& dirs;
    const std::vector<std::u16string>& new_dirs;
    const std::vector<std::u16string>& pieces;
    bool respelled;
};
const alphabet mixed_scripts = {dirs, new_dirs, pieces, false};
const alphabet near_misses = {confusable_dirs, confusable_new_dirs, confusables, true};

class batch_maker {
  public:
    batch_maker(generator& gen, const reference::model& model, const alphabet& letters)
        : gen_(gen), model_(model), letters_(letters) {}

    std::vector<mutation> make(uint32_t generation) {
        std::vector<mutation> batch;
        uint32_t count = 1 + gen_.below(gen_.chance(10) ? 40 : 6);
        for (uint32_t i = 0; i < count; ++i) {
            batch.push_back(one(generation));
        }
        if (gen_.chance(12)) {
            spoil(batch);
        }
        return batch;
    }

  private:
    const reference::entry* some_entry() {
        const auto& entries = model_.entries();
        if (entries.empty()) {
            return nullptr;
        }
        return &entries[gen_.below(static_cast<uint32_t>(entries.size()))];
    }

    // A full path as a host might write it: any case, either separator at the added one.
    std::u16string path_of(const reference::entry& e) {
        std::u16string path = gen_.recased(reference::full_path(e.dir, e.name));
        bool added = !e.dir.empty() && e.dir.back() != u'/' && e.dir.back() != u'\\';
        if (added && gen_.chance(50)) {
            path[e.dir.size()] = u'/';
        }
        return path;
    }

    std::u16string ancestor_path(const reference::entry& e) {
        std::u16string path = path_of(e);
        uint32_t length = 1 + gen_.below(static_cast<uint32_t>(path.size()));
        return path.substr(0, length);
    }

    mutation one(uint32_t generation) {
        mutation m{};
        uint32_t roll = gen_.below(100);
        const reference::entry* e = some_entry();
        m.generation = gen_.chance(70) ? generation : gen_.below(generation + 1);
        if (roll < 45 || e == nullptr) {
            m.kind = mutation::upsert;
            if (e != nullptr && gen_.chance(40)) {
                m.dir = gen_.recased(e->dir);
                m.name = gen_.recased(e->name);
            } else {
                m.dir = gen_.pick(gen_.chance(50) ? letters_.new_dirs : letters_.dirs);
                if (letters_.respelled) {
                    m.dir = gen_.recased(m.dir);
                }
                m.name = gen_.text_of(letters_.pieces, 1, 4);
            }
            m.timestamp = gen_.timestamp();
            uint64_t kind = gen_.chance(90) ? 1 : 2 + gen_.below(2);
            m.time_binary = static_cast<uint64_t>(m.timestamp) | (kind << 62);
            m.is_folder = gen_.chance(20) ? 1 : 0;
            return m;
        }
        m.kind = roll < 70 ? mutation::remove : roll < 85 ? mutation::remove_tree : mutation::sweep;
        if (m.kind != mutation::sweep) {
            m.generation = 0;
        }
        if (m.kind == mutation::remove) {
            m.path = gen_.chance(85) ? path_of(*e) : gen_.text_of(letters_.pieces, 1, 3);
        } else {
            m.path = gen_.chance(85) ? ancestor_path(*e) : other_folder();
        }
        return m;
    }

    // One fault of the kinds a host makes, somewhere in the batch.
    void spoil(std::vector<mutation>& batch) {
        size_t at = gen_.below(static_cast<uint32_t>(batch.size()));
        switch (gen_.below(4)) {
            case 0:
                batch[at].reserved = true;
                break;
            case 1:
                for (const mutation& m : batch) {
                    if (m.kind == mutation::upsert) {
                        mutation twin = m;
                        twin.dir = gen_.recased(twin.dir);
                        twin.name = gen_.recased(twin.name);
                        batch.insert(batch.begin() + static_cast<long>(at), twin);
                        return;
                    }
                }
                batch[at].reserved = true;
                break;
            default: {
                mutation m{};
                m.kind = mutation::upsert;
                m.dir = u"C:\\t";
                m.name = u"late";
                m.timestamp = 5;
                m.time_binary = gen_.chance(50) ? 5  // unspecified kind, not 0: 8
                                                : (0x2BCA2875F4374000ull | (uint64_t{1} << 62));
                if (m.time_binary != 5) {
                    m.timestamp = 0;
                    m.time_binary = 0x2BCA2875F4374000ull | (uint64_t{1} << 62);
                }
                batch.insert(batch.begin() + static_cast<long>(at), m);
                break;
            }
        }
    }

    // A folder of the alphabet that is not empty (a tree path needs at least one unit).
    std::u16string other_folder() {
        const auto& from = letters_.dirs;
        std::u16string folder;
        while (folder.empty()) {
            folder = from[1 + gen_.below(static_cast<uint32_t>(from.size() - 1))];
        }
        return letters_.respelled ? gen_.recased(folder) : folder;
    }

    generator& gen_;
    const reference::model& model_;
    const alphabet& letters_;
};

// The batch as the library takes it.
mutations to_records(const std::vector<mutation>& batch) {
    mutations out;
    for (const mutation& m : batch) {
        quorven_search_core_mutation_v1* r;
        if (m.kind == mutation::upsert) {
            r = &out.upsert(m.dir, m.name, static_cast<uint64_t>(m.timestamp), m.generation,
                            m.is_folder);
            r->time_binary = m.time_binary;
        } else {
            r = &out.path_record(m.kind, m.path, m.generation);
        }
        r->reserved = m.reserved ? 1 : 0;
    }
    return out;
}

void compare_store(twin_stores& twins, generator& gen) {
    const auto& entries = twins.model.entries();
    for (int k = 0; k < 3; ++k) {
        std::u16string q = !entries.empty() && gen.chance(80)
                               ? gen.window_of(entries[gen.below(uint32_t(entries.size()))].name)
                               : gen.text(1, 2);
        compare_query(twins, q, pick_limit(gen));
    }
    compare_projection(twins, 1, pick_limit(gen));
    compare_projection(twins, 2, pick_limit(gen));
}

void run_sequence(uint32_t seed, uint32_t batches, const alphabet& letters) {
    generator gen(seed);
    twin_stores twins;
    twins.fill(gen, gen.below(60), letters.dirs, letters.pieces);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    batch_maker maker(gen, twins.model, letters);
    uint32_t applied = 0;
    uint32_t refused = 0;
    for (uint32_t n = 0; n < batches; ++n) {
        std::vector<mutation> batch = maker.make(n + 1);
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", batch " << n);
        auto before = visible(twins.library);
        uint32_t expected = twins.model.mutate(batch);
        auto result = mutate(twins.library, to_records(batch));
        ASSERT_EQ(result.status, expected);
        if (expected != 0) {
            ++refused;
            ASSERT_TRUE(visible(twins.library) == before);
            EXPECT_EQ(result.applied, 0u);
        } else {
            ++applied;
            EXPECT_EQ(result.applied, batch.size());
        }
        const auto& entries = twins.model.entries();
        EXPECT_EQ(result.live_count, twins.model.live_count());
        EXPECT_EQ(result.deleted_count, entries.size() - twins.model.live_count());
        EXPECT_EQ(result.dir_count, twins.model.dirs().size());
        compare_store(twins, gen);
        if (testing::Test::HasFailure()) {
            FAIL() << "stopping at the first batch that differs";
        }
    }
    EXPECT_GT(applied, refused);
    EXPECT_GT(refused, 0u);
}

TEST(MutationDifferential, LongSequencesOfMixedBatches) {
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        run_sequence(seed, 150, mixed_scripts);
        if (HasFailure()) {
            return;
        }
    }
}

// Folders and names whose case-folded forms meet or nearly meet: the store's path index must
// find exactly the directories and entries that the plain comparisons of the model find.
TEST(MutationDifferential, NearMissSpellingsOfFoldersAndNames) {
    for (uint32_t seed : {11u, 12u, 13u, 14u, 15u, 16u}) {
        run_sequence(seed, 120, near_misses);
        if (HasFailure()) {
            return;
        }
    }
}

}  // namespace
