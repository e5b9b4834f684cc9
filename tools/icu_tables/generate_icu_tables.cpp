// Writes the Unicode data of the ICU this machine has (simple case mappings, Alphabetic,
// White_Space, general category) as C tables, so that the icu.dll stand-in used for the
// Windows test runs answers exactly as the Linux ICU does.

#include <unicode/uchar.h>

#include <cstdio>
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
    write_runs(
        out, "category_runs", [](UChar32 c) { return static_cast<int>(u_charType(c)); }, false);
    return std::fclose(out) == 0 ? 0 : 1;
}
