// The icu.dll stand-in's full lower-case mapping, which the native library's name keys call:
// expansions, final sigma in and out of its context, supplementary-plane characters, unpaired
// surrogates, and the length-only call that sizes the buffer.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

extern "C" int32_t u_strToLower(char16_t* dest, int32_t dest_capacity, const char16_t* src,
                                int32_t src_length, const char* locale, int* error_code);

namespace wine_native_test {
namespace {

constexpr int icu_buffer_overflow = 15;

std::u16string lower(const std::u16string& text) {
    int error = 0;
    int32_t needed =
        u_strToLower(nullptr, 0, text.data(), static_cast<int32_t>(text.size()), "", &error);
    EXPECT_TRUE(error == icu_buffer_overflow || (needed == 0 && error <= 0)) << error;
    std::u16string out(static_cast<size_t>(needed), u'#');
    error = 0;
    int32_t produced = u_strToLower(out.data(), needed, text.data(),
                                    static_cast<int32_t>(text.size()), "", &error);
    EXPECT_LE(error, 0);
    EXPECT_EQ(produced, needed);
    return out;
}

TEST(icu_lower_case, FullMappingWithFinalSigma) {
    const std::pair<std::u16string, std::u16string> examples[] = {
        {u"Foo Player.EXE", u"foo player.exe"},
        {u"\u0130I", u"i\u0307i"},
        {u"\u039F\u0394\u039F\u03A3", u"\u03BF\u03B4\u03BF\u03C2"},
        {u"\u039F\u03A3\u0301 \u03A3", u"\u03BF\u03C2\u0301 \u03C3"},
        {u"\u03A3\u039F", u"\u03C3\u03BF"},
        {u"A\u03A3.B", u"a\u03C3.b"},
        {u"\U00010400x\U0001D400", u"\U00010428x\U0001D400"},
        {std::u16string(u"\xDC00"
                        u"A\xD800",
                        3),
         std::u16string(u"\xDC00"
                        u"a\xD800",
                        3)},
        {u"", u""},
    };
    for (const auto& [text, expected] : examples) {
        EXPECT_EQ(lower(text), expected);
    }
}

}  // namespace
}  // namespace wine_native_test
