// The name scan with the portable unit vector, which builds for machines without NEON or SSE2.
#define QUORVEN_PORTABLE_UNIT_VECTOR 1
#define NAME_MATCH_SUITE NameMatchPortable
#include "name_match_cases.h"

namespace {

TEST(NameMatchPortable, UsesThePortableVector) {
    EXPECT_STREQ(quorven::search_core::unit_vector_kind, "portable");
}

}  // namespace
