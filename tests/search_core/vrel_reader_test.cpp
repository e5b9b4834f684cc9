// Opening crafted files: every check of the reader with the status it gives, the request
// checks, and the limits of the file's size, counts and texts.

#include <gtest/gtest.h>

#include <filesystem>

#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;

constexpr uint64_t max_ticks = QUORVEN_SC_MAX_TICKS;

class VrelReader : public ::testing::Test {
  protected:
    uint32_t open_bytes(const host::bytes& content, uint32_t max_entries = 300000) {
        EXPECT_TRUE(host::write_file(path_, content));
        return open_status(path_, max_entries);
    }
    host::temp_dir dir_;
    std::u16string path_ = dir_.file(u"index.vrel");
};

TEST_F(VrelReader, MinimalFileOpens) {
    EXPECT_EQ(open_bytes(minimal_file()), 0u);
}

TEST_F(VrelReader, RequestChecksInOrder) {
    ASSERT_TRUE(host::write_file(path_, minimal_file()));
    auto result = blank_record<quorven_search_core_open_vrel_result_v1>();
    auto expect_status = [&](quorven_search_core_open_vrel_request_v1 r, uint32_t status) {
        fill(result, 0xCC);
        result.size = sizeof result;
        result.version = 1;
        EXPECT_EQ(quorven_search_core_open_vrel_v1(&r, &result), status);
        EXPECT_TRUE(is_reset_with_status(result, status));
    };
    auto r = open_request(path_);
    r.path = 0;
    expect_status(r, 1);
    for (uint32_t length : {0u, 0x8000u}) {
        r = open_request(path_);
        r.path_length = length;
        expect_status(r, 1);
    }
    for (uint32_t max : {0u, 300001u}) {
        r = open_request(path_);
        r.max_entries = max;
        expect_status(r, 1);
    }
    r = open_request(path_);
    r.reserved0 = 1;
    expect_status(r, 1);
    r = open_request(path_);
    r.reserved1 = 1;
    expect_status(r, 1);
    for (size_t i = 0; i < 32; ++i) {
        r = open_request(path_);
        r.reserved[i] = 1;
        expect_status(r, 1);
    }
    std::u16string with_nul = path_ + u'\0' + u"x";
    expect_status(open_request(with_nul), 1);
    auto fine = open_request(path_);
    ASSERT_EQ(quorven_search_core_open_vrel_v1(&fine, &result), 0u);
    quorven_search_core_destroy_v1(QUORVEN_SC_HANDLE_FROM_U64(result.handle));

    // Null records and size/version mismatches leave the result as it was.
    auto good = open_request(path_);
    EXPECT_EQ(quorven_search_core_open_vrel_v1(nullptr, &result), 1u);
    EXPECT_EQ(quorven_search_core_open_vrel_v1(&good, nullptr), 1u);
    auto untouched = blank_record<quorven_search_core_open_vrel_result_v1>();
    fill(untouched, 0x5A);
    untouched.size = 72;
    untouched.version = 1;
    auto copy = bytes_of(untouched);
    EXPECT_EQ(quorven_search_core_open_vrel_v1(&good, &untouched), 2u);
    EXPECT_EQ(bytes_of(untouched), copy);
    auto bad_version = open_request(path_);
    bad_version.version = 2;
    EXPECT_EQ(quorven_search_core_open_vrel_v1(&bad_version, &result), 2u);
}

TEST_F(VrelReader, MissingFileOrDirectoryIsAnIoError) {
    EXPECT_EQ(open_status(dir_.file(u"absent")), 7u);
    EXPECT_EQ(open_status(dir_.path()), 7u);
}

TEST_F(VrelReader, MagicAndVersionAreUnsupportedFormat) {
    auto wrong_magic = minimal_file();
    wrong_magic[0] = 'X';
    EXPECT_EQ(open_bytes(wrong_magic), 8u);
    for (uint32_t version : {0u, 2u, 0x01000000u}) {
        auto file = file_builder()
                        .u32(QUORVEN_SC_VREL_MAGIC)
                        .u32(version)
                        .u64(0)
                        .u32(1)
                        .dir("d")
                        .u32(1)
                        .entry(0, "n")
                        .bytes();
        EXPECT_EQ(open_bytes(file), 8u) << version;
    }
    // The version is judged before a short file is noticed.
    EXPECT_EQ(open_bytes(file_builder().u32(QUORVEN_SC_VREL_MAGIC).u32(2).bytes()), 8u);
}

TEST_F(VrelReader, TruncationAnywhereAndTrailingBytesAreInvalidData) {
    auto full = file_builder()
                    .header(2)
                    .dir("C:\\\xC3\xA9")
                    .dir("")
                    .u32(2)
                    .entry(0, "name", 1, utc(3))
                    .entry(1, "\xF0\x9F\x98\x80", 0, 0)
                    .bytes();
    ASSERT_EQ(open_bytes(full), 0u);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        host::bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(open_bytes(part), 9u) << "cut at " << cut;
    }
    auto longer = full;
    longer.push_back(0);
    EXPECT_EQ(open_bytes(longer), 9u);
}

// Records are read straight from the reader's buffer while they lie whole in it, and field by
// field where they cross its end: a fault or a cut gives the same status in either place.
TEST_F(VrelReader, FaultsAroundTheEndsOfTheReadersBufferGiveTheirStatus) {
    file_builder b;
    b.header(1).dir("d").u32(6500);
    std::vector<size_t> starts;
    for (uint32_t i = 0; i < 6500; ++i) {
        starts.push_back(b.size());
        std::string name(1 + i % 23, 'n');
        for (uint32_t k = 0; k < i % 5; ++k) {
            name += "\xD0\xB4";  // д
        }
        b.entry(0, name);
    }
    const host::bytes good = b.bytes();
    ASSERT_GT(good.size(), 3 * 65536u);
    ASSERT_EQ(open_bytes(good), 0u);
    auto near_an_end = [](size_t at) {
        for (size_t end : {65536u, 131072u, 196608u}) {
            if (at + 300 > end && at < end + 300) {
                return true;
            }
        }
        return false;
    };
    for (size_t r = 0; r < starts.size(); ++r) {
        if (!near_an_end(starts[r]) && r != 10) {
            continue;
        }
        size_t at = starts[r];
        uint32_t name_length = uint32_t{good[at + 4]} | uint32_t{good[at + 5]} << 8;
        host::bytes file = good;
        file[at] = 1;  // dir_id past the one directory
        EXPECT_EQ(open_bytes(file), 9u) << "record " << r;
        file = good;
        file[at + 8] = 0x80;  // a name that begins with a continuation byte
        EXPECT_EQ(open_bytes(file), 9u) << "record " << r;
        file = good;
        std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(at + 9 + name_length), 8, 0);
        file[at + 9 + name_length] = 1;  // no time kind, yet not zero
        EXPECT_EQ(open_bytes(file), 8u) << "record " << r;
    }
    for (size_t cut = 65536 - 40; cut < 65536 + 40; ++cut) {
        EXPECT_EQ(
            open_bytes(host::bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))),
            9u)
            << "cut at " << cut;
    }
}

TEST_F(VrelReader, HeaderLimits) {
    EXPECT_EQ(open_bytes(file_builder().header(1, max_ticks).dir("d").u32(1).entry(0, "n").bytes()),
              0u);
    EXPECT_EQ(
        open_bytes(file_builder().header(1, max_ticks + 1).dir("d").u32(1).entry(0, "n").bytes()),
        9u);
    EXPECT_EQ(open_bytes(file_builder().header(300001).bytes()), 9u);
    EXPECT_EQ(open_bytes(file_builder().header(0x80000001u).bytes()), 9u);
    // No directory at all: every entry's dir_id is out of range.
    EXPECT_EQ(open_bytes(file_builder().header(0).u32(1).entry(0, "n").bytes()), 9u);
}

TEST_F(VrelReader, EntryCountLimits) {
    auto with_count = [](uint32_t count) {
        file_builder b;
        b.header(1).dir("d").u32(count);
        for (uint32_t i = 0; i < count && i < 3; ++i) {
            b.entry(0, "n");
        }
        return b.bytes();
    };
    EXPECT_EQ(open_bytes(with_count(0)), 9u);
    EXPECT_EQ(open_bytes(with_count(3), 3), 0u);
    EXPECT_EQ(open_bytes(with_count(3), 2), 9u);
    EXPECT_EQ(open_bytes(file_builder().header(1).dir("d").u32(300001).bytes()), 9u);
    EXPECT_EQ(open_bytes(file_builder().header(1).dir("d").u32(0x80000001u).bytes(), 300000), 9u);
}

TEST_F(VrelReader, EntryFieldLimits) {
    auto entry_file = [](uint32_t dir_id, uint32_t name_length) {
        return file_builder()
            .header(2)
            .dir("a")
            .dir("b")
            .u32(1)
            .u32(dir_id)
            .u32(name_length)
            .raw(std::string(name_length < 64 ? name_length : 0, 'x'))
            .u8(0)
            .u64(utc(1))
            .bytes();
    };
    EXPECT_EQ(open_bytes(entry_file(1, 3)), 0u);
    EXPECT_EQ(open_bytes(entry_file(2, 3)), 9u);
    EXPECT_EQ(open_bytes(entry_file(0x80000000u, 3)), 9u);
    EXPECT_EQ(open_bytes(entry_file(0, 0x80000003u)), 9u);
    EXPECT_EQ(open_bytes(entry_file(0, 0x100001u)), 9u);
}

TEST_F(VrelReader, TextsOfTheLimitLengthOpenAndOneByteMoreDoesNot) {
    const std::string at_limit(0x100000, 'n');
    EXPECT_EQ(open_bytes(file_builder().header(1).dir(at_limit).u32(1).entry(0, at_limit).bytes()),
              0u);
    const std::string over(0x100001, 'n');
    EXPECT_EQ(open_bytes(file_builder().header(1).dir(over).u32(1).entry(0, "n").bytes()), 9u);
    EXPECT_EQ(open_bytes(file_builder().header(1).dir("d").u32(1).entry(0, over).bytes()), 9u);
}

TEST_F(VrelReader, Varints) {
    auto with_length_bytes = [](std::initializer_list<uint8_t> varint, size_t text_bytes) {
        file_builder b;
        b.header(1);
        for (uint8_t byte : varint) {
            b.u8(byte);
        }
        return b.raw(std::string(text_bytes, 'd')).u32(1).entry(0, "n").bytes();
    };
    // Non-minimal encodings are accepted.
    EXPECT_EQ(open_bytes(with_length_bytes({0x80, 0x00}, 0)), 0u);
    EXPECT_EQ(open_bytes(with_length_bytes({0x82, 0x80, 0x80, 0x80, 0x00}, 2)), 0u);
    EXPECT_EQ(open_bytes(with_length_bytes({0x80, 0x80, 0x40}, 0x100000)), 0u);
    // 0x100001, minimal and padded.
    EXPECT_EQ(open_bytes(with_length_bytes({0x81, 0x80, 0x40}, 0x100001)), 9u);
    EXPECT_EQ(open_bytes(with_length_bytes({0x81, 0x80, 0xC0, 0x80, 0x00}, 0)), 9u);
    // A fifth byte may carry only bits 28 to 31.
    EXPECT_EQ(open_bytes(with_length_bytes({0x80, 0x80, 0x80, 0x80, 0x10}, 0)), 9u);
    EXPECT_EQ(open_bytes(with_length_bytes({0x80, 0x80, 0x80, 0x80, 0x80}, 0)), 9u);
    EXPECT_EQ(open_bytes(with_length_bytes({0x80, 0x80, 0x80, 0x80, 0x01}, 0)), 9u);
    EXPECT_EQ(open_bytes(with_length_bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, 0)), 9u);
}

TEST_F(VrelReader, IllFormedUtf8IsInvalidDataInDirectoriesAndNames) {
    const std::string ill_formed[] = {
        "\xC0\xAF",          // overlong '/'
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xED\xA0\x80",      // encoded high surrogate
        "\xED\xBF\xBF",      // encoded low surrogate
        "\xF4\x90\x80\x80",  // U+110000
        "\xF5\x80\x80\x80",  // lead byte beyond any code point
        "ab\xE2\x82",        // cut at the end
        "\xE2\x82z",         // cut in the middle
        "\x80",              // continuation byte alone
        "\xFF",
    };
    for (const std::string& bad : ill_formed) {
        EXPECT_EQ(open_bytes(file_builder().header(1).dir(bad).u32(1).entry(0, "n").bytes()), 9u);
        EXPECT_EQ(open_bytes(file_builder().header(1).dir("d").u32(1).entry(0, bad).bytes()), 9u);
    }
    // The edges of well-formed UTF-8 open, NUL included.
    EXPECT_EQ(open_bytes(file_builder()
                             .header(1)
                             .dir(std::string("\x00\x7F", 2))
                             .u32(1)
                             .entry(0, "\xF4\x8F\xBF\xBF\xEE\x80\x80\xED\x9F\xBF")
                             .bytes()),
              0u);
}

TEST_F(VrelReader, NonAsciiTextsBecomeUtf16) {
    ASSERT_TRUE(host::write_file(path_, file_builder()
                                            .header(1)
                                            .dir("\xC3\xA9\xE6\x97\xA5")
                                            .u32(1)
                                            .entry(0, "a\xF0\x9F\x98\x80z")
                                            .bytes()));
    auto r = open_file(path_);
    ASSERT_EQ(r.status, 0u);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
    EXPECT_EQ(live_entries(loaded),
              (std::vector<copied_entry>{{u"\u00E9\u65E5", u"a\U0001F600z", 5, 0}}));
}

// The names of a buffer's records are decoded together: each still gets exactly its own units,
// whatever the lengths and scripts around it (empty names, names longer than the batch copies
// at once, four-byte sequences that send a buffer's names one by one), and a sequence cut at the
// end of one name is never completed by the bytes that begin the next.
TEST_F(VrelReader, NamesOfABufferDecodedTogetherKeepTheirOwnUnits) {
    const std::vector<std::pair<std::string, std::u16string>> pieces = {
        {"", u""},
        {"a", u"a"},
        {"\xD0\xB4", u"\u0434"},
        {"\xE6\x95\xB0\xE6\x8D\xAE", u"\u6570\u636E"},
        {"_2021.pdf", u"_2021.pdf"},
        {std::string(70, 'x'), std::u16string(70, u'x')},
        {"\xCE\xA6\xCF\x89\xCF\x84\xCE\xBF", u"\u03A6\u03C9\u03C4\u03BF"}};
    const uint32_t count = 12000;
    file_builder b;
    b.header(1).dir("d").u32(count);
    std::vector<copied_entry> expected;
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        std::u16string units;
        for (uint32_t k : {i % 7, i / 7 % 7, i / 49 % 7}) {
            name += pieces[k].first;
            units += pieces[k].second;
        }
        if (i == 9000) {
            name += "\xF0\x9F\x98\x80";
            units += u"\U0001F600";
        }
        b.entry(0, name, 0, utc(i));
        expected.push_back({u"d", units, static_cast<int64_t>(i), 0});
    }
    ASSERT_TRUE(host::write_file(path_, b.bytes()));
    auto r = open_file(path_);
    ASSERT_EQ(r.status, 0u);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
    EXPECT_EQ(live_entries(loaded), expected);

    // A two- or three-byte sequence cut between two names, also across an empty name.
    for (const char* cut : {"\xD0|\xB4", "\xE6\x95|\xB0", "\xE6|\x95\xB0", "\xD0||\xB4"}) {
        std::vector<std::string> names;
        std::string text(cut);
        for (size_t from = 0;;) {
            size_t bar = text.find('|', from);
            names.push_back(text.substr(from, bar == std::string::npos ? bar : bar - from));
            if (bar == std::string::npos) {
                break;
            }
            from = bar + 1;
        }
        names.front() = "n" + names.front();
        names.back() += "n";
        file_builder f;
        f.header(1).dir("d").u32(static_cast<uint32_t>(names.size()));
        for (const auto& name : names) {
            f.entry(0, name);
        }
        EXPECT_EQ(open_bytes(f.bytes()), 9u) << cut;
    }
}

TEST_F(VrelReader, TimeKinds) {
    struct time_case {
        uint64_t value;
        uint32_t status;
    };
    const time_case cases[] = {
        {0, 0},
        {1, 8},  // unspecified, not zero
        {max_ticks, 8},
        {utc(0), 0},
        {utc(max_ticks), 0},
        {utc(max_ticks + 1), 9},
        {utc(0x3FFFFFFFFFFFFFFFull), 9},
        {(uint64_t{2} << 62) | max_ticks, 0},
        {(uint64_t{2} << 62) | (max_ticks + 1), 8},
        {(uint64_t{3} << 62) | 0, 0},
        {(uint64_t{3} << 62) | (max_ticks + 1), 8},
    };
    for (const time_case& c : cases) {
        EXPECT_EQ(
            open_bytes(file_builder().header(1).dir("d").u32(1).entry(0, "n", 0, c.value).bytes()),
            c.status)
            << std::hex << c.value;
    }
}

TEST_F(VrelReader, APoolMayFillToItsLimitButNotBeyond) {
    auto with_last_dir = [](const std::string& last) {
        file_builder b;
        b.header(65);
        for (int i = 0; i < 64; ++i) {
            b.dir(std::string(0x100000, 'p'));  // 64 of these fill the pool exactly
        }
        return b.dir(last).u32(1).entry(0, "n").bytes();
    };
    EXPECT_EQ(open_bytes(with_last_dir("")), 0u);
    EXPECT_EQ(open_bytes(with_last_dir("q")), 9u);
}

// `bytes` of UTF-8 that take few UTF-16 units: three-byte characters, ASCII for the rest.
std::string dense_text(size_t bytes) {
    std::string out;
    out.reserve(bytes);
    for (size_t i = 0; i < bytes / 3; ++i) {
        out += "\xE6\x97\xA5";
    }
    out.append(bytes % 3, 'p');
    return out;
}

TEST_F(VrelReader, FileSizeLimits) {
    EXPECT_EQ(open_bytes({}), 9u);
    // A valid file of exactly 128 MiB, padded out by directory texts. Each text holds at most
    // 0xFFFFF bytes here (a three-byte length), and three-byte characters keep the directory
    // pool below its limit.
    constexpr size_t limit = 134217728;
    constexpr size_t full_text = 0xFFFFF;
    const size_t tail = 4 + (4 + 4 + 1 + 1 + 8);  // entry count, one entry with a 1-byte name
    size_t left = limit - 20 - tail;
    std::vector<size_t> texts;
    while (left > full_text + 3) {
        texts.push_back(full_text);
        left -= full_text + 3;
    }
    ASSERT_GE(left, 0x4000u + 3);
    texts.push_back(left - 3);
    file_builder b;
    b.header(static_cast<uint32_t>(texts.size()));
    for (size_t text : texts) {
        b.dir(dense_text(text));
    }
    b.u32(1).entry(0, "n");
    host::bytes file = b.bytes();
    ASSERT_EQ(file.size(), limit);
    ASSERT_TRUE(host::write_file(path_, file));
    auto r = open_file(path_);
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.file_size, limit);
    EXPECT_EQ(r.dir_count, texts.size());
    quorven_search_core_destroy_v1(QUORVEN_SC_HANDLE_FROM_U64(r.handle));
    file.push_back(0);
    EXPECT_EQ(open_bytes(file), 9u);
}

#ifdef VREL_SEED_CORPUS
// The fuzzer's seeds must stay valid files, or fuzzing starts from refusals only.
TEST(VrelSeedCorpus, EverySeedOpens) {
    int seeds = 0;
    for (const auto& item : std::filesystem::directory_iterator(VREL_SEED_CORPUS)) {
        std::string p = item.path().string();
        EXPECT_EQ(open_status(std::u16string(p.begin(), p.end())), 0u) << p;
        ++seeds;
    }
    EXPECT_GE(seeds, 4);
}
#endif

}  // namespace
