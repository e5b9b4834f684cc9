// Case-insensitive comparison and the path keys, against values worked out here independently.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lib/text.h"

namespace {

namespace sc = quorven::search_core;

sc::utf16_span span(const std::u16string& s) {
    return {reinterpret_cast<const uint16_t*>(s.data()), static_cast<uint32_t>(s.size())};
}
bool equal_ci(const std::u16string& a, const std::u16string& b) {
    return sc::names_equal_ci(span(a), span(b));
}

TEST(NamesEqualCi, AsciiAndLengths) {
    EXPECT_TRUE(equal_ci(u"", u""));
    EXPECT_TRUE(equal_ci(u"Readme.TXT", u"readme.txt"));
    EXPECT_FALSE(equal_ci(u"abc", u"abcd"));
    EXPECT_FALSE(equal_ci(u"a", u"b"));
    // Only letters fold: '@' (0x40) and '`' (0x60) differ by bit 5 but are not a case pair.
    EXPECT_FALSE(equal_ci(u"@", u"`"));
    EXPECT_FALSE(equal_ci(u"[", u"{"));
}

TEST(NamesEqualCi, NonAsciiGoesThroughUpperCaseMapping) {
    EXPECT_TRUE(equal_ci(u"\u00e9", u"\u00c9"));
    EXPECT_TRUE(equal_ci(u"\u0436\u0438\u0437\u043d\u044c", u"\u0416\u0418\u0417\u041d\u042c"));
    EXPECT_TRUE(equal_ci(u"\u03c2", u"\u03a3"));  // final sigma upper-cases to Sigma
    // Kelvin sign: u_toupper leaves it alone, and it never equals an ASCII letter.
    EXPECT_FALSE(equal_ci(u"\u212a", u"K"));
    EXPECT_FALSE(equal_ci(u"\u212a", u"k"));
    // ÿ upper-cases to Ÿ (U+0178); ß has no single-unit upper case and stays itself.
    EXPECT_TRUE(equal_ci(u"\u00ff", u"\u0178"));
    EXPECT_FALSE(equal_ci(u"\u00df", u"SS"));
    EXPECT_TRUE(equal_ci(u"\u00df", u"\u00df"));
}

TEST(NamesEqualCi, SurrogatePairsDecodeAsOneCodePoint) {
    // Deseret: U+10428 upper-cases to U+10400; both are surrogate pairs.
    const std::u16string small = u"\U00010428x";
    const std::u16string capital = u"\U00010400X";
    EXPECT_TRUE(equal_ci(small, capital));
    // Same low surrogate, other high surrogate: different code points.
    EXPECT_FALSE(equal_ci(u"\U00010428", u"\U00010828"));
    // A pair never equals two single units, even when their units would fold alike.
    std::u16string pair = u"\U00010400";
    std::u16string singles = {0x0044, 0x0058};
    EXPECT_FALSE(equal_ci(pair, singles));
}

TEST(NamesEqualCi, LoneSurrogatesAreSingleCodePoints) {
    const std::u16string high = {0xD801};
    const std::u16string low = {0xDC28};
    EXPECT_TRUE(equal_ci(high, high));
    EXPECT_FALSE(equal_ci(high, low));
    // High surrogate followed by a non-surrogate: two width-1 code points.
    EXPECT_TRUE(equal_ci(std::u16string{0xD801, u'a'}, std::u16string{0xD801, u'A'}));
    // Width rule: a pair on one side and a lone high surrogate plus a letter on the other.
    EXPECT_FALSE(equal_ci(std::u16string{0xD801, 0xDC28}, std::u16string{0xD801, u'A'}));
    // A run that ends inside a pair sees a lone high surrogate on both sides.
    const std::u16string a = u"x\U00010428";
    const std::u16string b = u"X\U00010400";
    EXPECT_TRUE(sc::units_equal_ci(span(a).units, span(b).units, 2));
    EXPECT_TRUE(sc::units_equal_ci(span(a).units, span(b).units, 3));
    // A run that starts on the low half compares the low halves as lone units.
    EXPECT_FALSE(sc::units_equal_ci(span(a).units + 2, span(b).units + 2, 1));
}

// FNV-1a written out here from its definition, fed 16-bit units after ASCII lower-casing.
uint64_t fnv_reference(const std::u16string& s) {
    uint64_t h = 14695981039346656037ull;
    for (char16_t c : s) {
        uint16_t u = (c >= u'A' && c <= u'Z') ? uint16_t(c + 32) : uint16_t(c);
        h ^= u;
        h *= 1099511628211ull;
    }
    return h;
}

TEST(Keys, DirectoryKey) {
    EXPECT_EQ(sc::dir_key(span(u"")), 0xCBF29CE484222325ull);
    EXPECT_EQ(sc::dir_key(span(u"C:\\Windows")), fnv_reference(u"c:\\windows"));
    EXPECT_EQ(sc::dir_key(span(u"C:\\Windows")), sc::dir_key(span(u"c:\\WINDOWS")));
    // One unit: 'a' (0x61): (basis ^ 0x61) * prime, truncated to 64 bits.
    EXPECT_EQ(sc::dir_key(span(u"A")), (0xCBF29CE484222325ull ^ 0x61) * 0x100000001B3ull);
    EXPECT_EQ(sc::dir_key(span(u"C:\\\u00e9t\u00e9")), 0xD1EC70A100000006ull);
    EXPECT_EQ(sc::dir_key(span(u"\U00010400")), 0xD1EC70A100000002ull);
    EXPECT_EQ(sc::dir_key(span(u"\u0080")), 0xD1EC70A100000001ull);
    EXPECT_NE(sc::dir_key(span(u"\u007f")), 0xD1EC70A100000001ull);
}

// Paths are checked for ASCII four units at a time: one non-ASCII unit anywhere, in a block or
// in the tail, gives the length key; every letter case and every ASCII unit hashes as above.
TEST(Keys, DirectoryKeyOfLongPathsAtEveryLength) {
    const std::u16string letters = u"C:\\Az/_@[`{\x7f.Zz09aQ";
    for (size_t length = 0; length <= 40; ++length) {
        std::u16string path;
        for (size_t i = 0; i < length; ++i) {
            path += letters[(i * 7) % letters.size()];
        }
        bool ascii = false;
        EXPECT_EQ(sc::dir_key(span(path), &ascii), fnv_reference(path)) << length;
        EXPECT_TRUE(ascii);
        for (size_t at = 0; at < length; ++at) {
            std::u16string marked = path;
            marked[at] = at % 2 == 0 ? u'\u00e9' : u'\u0080';
            EXPECT_EQ(sc::dir_key(span(marked), &ascii), 0xD1EC70A100000000ull | length) << at;
            EXPECT_FALSE(ascii);
        }
    }
}

// Keys hashed side by side equal those hashed alone, whatever the mix of lengths (empty ones,
// chains that end at once or one by one) and of ASCII and non-ASCII paths in a group.
TEST(Keys, DirectoryKeysSideBySideEqualThoseAlone) {
    std::mt19937 rng(5);
    const std::u16string letters = u"aZ\\/. 9_\u00e9\u0434";
    for (int round = 0; round < 300; ++round) {
        uint32_t count = 1 + rng() % sc::max_keys_at_once;
        std::vector<std::u16string> texts(count);
        std::vector<sc::utf16_span> paths;
        for (auto& t : texts) {
            size_t length = rng() % 4 == 0 ? rng() % 3 : rng() % 70;
            bool ascii = rng() % 3 != 0;
            for (size_t i = 0; i < length; ++i) {
                t += letters[rng() % (ascii ? letters.size() - 2 : letters.size())];
            }
            paths.push_back(span(t));
        }
        uint64_t keys[sc::max_keys_at_once];
        bool ascii[sc::max_keys_at_once];
        sc::dir_keys(paths.data(), count, keys, ascii);
        for (uint32_t k = 0; k < count; ++k) {
            bool alone_ascii = false;
            EXPECT_EQ(keys[k], sc::dir_key(paths[k], &alone_ascii)) << round << "/" << k;
            EXPECT_EQ(ascii[k], alone_ascii);
        }
    }
}

TEST(Keys, PathKeyAddsTheSeparatorOnlyWhereTheFullPathHasOne) {
    auto key = [](const std::u16string& dir, const std::u16string& name) {
        return sc::path_key(span(dir), span(name));
    };
    EXPECT_EQ(key(u"C:\\a", u"X.txt"), fnv_reference(u"c:\\a\\x.txt"));
    EXPECT_EQ(key(u"C:\\", u"x"), fnv_reference(u"c:\\x"));
    EXPECT_EQ(key(u"/usr/", u"x"), fnv_reference(u"/usr/x"));
    EXPECT_EQ(key(u"", u"name"), fnv_reference(u"name"));
    EXPECT_EQ(key(u"C:\\a", u"b"), key(u"C:\\A\\", u"B"));
    EXPECT_EQ(key(u"C:\\\u00e9", u"x"), 0x5041544800000006ull);
    EXPECT_EQ(key(u"C:\\", u"\u00e9"), 0x5041544800000004ull);
    EXPECT_EQ(key(u"", u"\u00e9"), 0x5041544800000001ull);
    // 0x7F is still ASCII for the path key.
    EXPECT_EQ(key(u"\u007f", u"a"), fnv_reference(u"\u007f\\a"));
}

// Texts that names_equal_ci finds equal must hash alike, however they are cut into pieces (next
// to a separator, as callers cut them) and wherever a piece starts within a packed word; texts
// it tells apart should hash apart. Texts are strings of letters from groups of spellings that
// are equal; neighbouring groups hold letters whose upper-case forms nearly meet.
TEST(FoldedHash, EqualTextsHashAlikeAndNearMissesApart) {
    const std::vector<std::vector<std::u16string>> groups = {
        {u"s", u"S"},
        {u"\u017f"},  // long s: its upper case is S, but ASCII never equals non-ASCII
        {u"k", u"K"},
        {u"\u212a"},  // Kelvin sign
        {u"\u00b5", u"\u03bc", u"\u039c"},
        {u"\u03c2", u"\u03c3", u"\u03a3"},
        {u"\u01c4", u"\u01c5", u"\u01c6"},
        {u"\u00df"},
        {u"\u1e9e"},
        {u"\u13a0", u"\uab70"},  // Cherokee
        {u"\U00010400", u"\U00010428"},
        {u"\xd801"},
        {u"/"},
        {u"\\"},
        {u"Readme", u"README", u"rEADME"},
        {u"READ.ME_01", u"read.me_01"},
        {u"@"},
        {u"`"}};
    std::mt19937 rng(5);
    auto word = [&] {
        std::vector<size_t> letters(1 + rng() % 8);
        for (size_t& letter : letters) {
            letter = rng() % groups.size();
        }
        return letters;
    };
    auto spell = [&](const std::vector<size_t>& letters) {
        std::u16string t;
        for (size_t letter : letters) {
            t += groups[letter][rng() % groups[letter].size()];
        }
        return t;
    };
    sc::upper_cache uppers;
    auto tag = [&](const std::u16string& t) { return sc::path_tag(span(t), uppers); };
    for (int i = 0; i < 20000; ++i) {
        std::vector<size_t> letters = word();
        std::u16string a = spell(letters);
        std::u16string b = spell(letters);
        ASSERT_TRUE(equal_ci(a, b));
        EXPECT_EQ(tag(a), tag(b));
        std::u16string other = spell(word());
        bool slashes = (a + other).find(u'/') != std::u16string::npos;
        if (!equal_ci(a, other) && !slashes) {
            EXPECT_NE(tag(a), tag(other));  // `/` and `\` hash alike on purpose
        }
        // An entry's tag from its directory and name is its full path's, with either separator
        // where the full path has the added one.
        std::u16string name = spell(word());
        std::u16string full = a + (sc::needs_separator(span(a)) ? u"/" : u"") + name;
        EXPECT_EQ(sc::full_path_tag(span(a), span(name), uppers), tag(full));
        EXPECT_EQ(sc::tags_of_dir(span(a), uppers).dir, tag(a));
    }
}

}  // namespace
