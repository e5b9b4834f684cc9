// The name scan with the machine's own unit vector: SSE2 on x64, NEON on ARM64.
#define NAME_MATCH_SUITE NameMatchNative
#include "name_match_cases.h"

namespace {

TEST(NameMatchNative, UsesTheMachinesVector) {
#if defined(__aarch64__)
    EXPECT_STREQ(quorven::search_core::unit_vector_kind, "neon");
#elif defined(__x86_64__)
    EXPECT_STREQ(quorven::search_core::unit_vector_kind, "sse2");
#endif
}

}  // namespace
