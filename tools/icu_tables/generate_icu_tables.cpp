// Writes the Unicode data of the ICU this machine has (simple case mappings, the full lower-case
// mapping, Alphabetic, White_Space, Cased, Case_Ignorable, general category) as C tables, so that
// the icu.dll stand-in used for the Windows test runs answers exactly as the Linux ICU does.

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr UChar32 last_code_point = 0x10FFFF;

void write_pairs(FILE* out, const char* name, UChar32 (*map)(UChar32)) {
    std::fprintf(out, "static const uint32_t %s[][2] = {\n", name);
    size_t count = 0;
    for (UChar32 c = 0; c <= last_code_point; ++c) {
        UChar32 mapped = map(c);
        if (mapped != c) {
            std::fprintf(out, "    {0x%X, 0x%X},\n", static_cast<unsigned>(c),
                         static_cast<unsigned>(mapped));
            ++count;
        }
    }
    std::fprintf(out, "};\nstatic const size_t %s_count = %zu;\n\n", name, count);
}

// The full lower-case mapping of each code point alone, in the root locale, where it is not the
// code point itself: {code point, count, up to three mapped code points}. The one mapping that
// depends on context, final sigma, is left to the stand-in's code.
void write_full_lower(FILE* out, const char* name) {
    std::fprintf(out, "static const uint32_t %s[][5] = {\n", name);
    size_t count = 0;
    for (UChar32 c = 0; c <= last_code_point; ++c) {
        if (U_IS_SURROGATE(c)) {
            continue;
        }
        UChar source[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(source, length, c);
        UChar lower[8];
        UErrorCode error = U_ZERO_ERROR;
        int32_t lower_length = u_strToLower(lower, 8, source, length, "", &error);
        if (U_FAILURE(error)) {
            std::fprintf(stderr, "u_strToLower failed for U+%04X\n", static_cast<unsigned>(c));
            std::exit(1);
        }
        std::vector<UChar32> mapped;
        for (int32_t i = 0; i < lower_length;) {
            UChar32 m;
            U16_NEXT(lower, i, lower_length, m);
            mapped.push_back(m);
        }
        if (mapped.size() == 1 && mapped[0] == c) {
            continue;
        }
        if (mapped.size() > 3) {
            std::fprintf(stderr, "U+%04X maps to more than three\n", static_cast<unsigned>(c));
            std::exit(1);
        }
        size_t mapped_count = mapped.size();
        mapped.resize(3, 0);
        std::fprintf(out, "    {0x%X, %zu, 0x%X, 0x%X, 0x%X},\n", static_cast<unsigned>(c),
                     mapped_count, static_cast<unsigned>(mapped[0]),
                     static_cast<unsigned>(mapped[1]), static_cast<unsigned>(mapped[2]));
        ++count;
    }
    std::fprintf(out, "};\nstatic const size_t %s_count = %zu;\n\n", name, count);
}

// Runs of code points with equal value: {first, last, value}.
template <typename F>
void write_runs(FILE* out, const char* name, F value_of, bool skip_zero) {
    std::fprintf(out, "static const uint32_t %s[][3] = {\n", name);
    size_t count = 0;
    UChar32 start = 0;
    int value = value_of(0);
    for (UChar32 c = 1; c <= last_code_point + 1; ++c) {
        int v = c <= last_code_point ? value_of(c) : -1;
        if (v != value) {
            if (!(skip_zero && value == 0)) {
                std::fprintf(out, "    {0x%X, 0x%X, %d},\n", static_cast<unsigned>(start),
                             static_cast<unsigned>(c - 1), value);
                ++count;
            }
            start = c;
            value = v;
        }
    }
    std::fprintf(out, "};\nstatic const size_t %s_count = %zu;\n\n", name, count);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.h\n", argv[0]);
        return 2;
    }
    FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "/* Generated from ICU %s by generate_icu_tables; do not edit. */\n\n",
                 U_ICU_VERSION);
    write_pairs(out, "upper_case_pairs", u_toupper);
    write_pairs(out, "lower_case_pairs", u_tolower);
    write_runs(
        out, "alphabetic_runs", [](UChar32 c) { return u_isUAlphabetic(c) ? 1 : 0; }, true);
    write_runs(
        out, "white_space_runs", [](UChar32 c) { return u_isUWhiteSpace(c) ? 1 : 0; }, true);
    write_full_lower(out, "full_lower_case");
    write_runs(
        out, "cased_runs", [](UChar32 c) { return u_hasBinaryProperty(c, UCHAR_CASED) ? 1 : 0; },
        true);
    write_runs(
        out, "case_ignorable_runs",
        [](UChar32 c) { return u_hasBinaryProperty(c, UCHAR_CASE_IGNORABLE) ? 1 : 0; }, true);
    write_runs(
        out, "category_runs", [](UChar32 c) { return static_cast<int>(u_charType(c)); }, false);
    return std::fclose(out) == 0 ? 0 : 1;
}
