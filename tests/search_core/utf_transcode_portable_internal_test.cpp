// The direct UTF-8 conversions with the portable unit vector, which builds for machines without
// NEON or SSE2.
#define QUORVEN_PORTABLE_UNIT_VECTOR 1
#define UTF_TRANSCODE_SUITE UtfTranscodePortable
#include "utf_transcode_cases.h"

namespace {

TEST(UtfTranscodePortable, UsesThePortableVector) {
    EXPECT_STREQ(quorven::search_core::unit_vector_kind, "portable");
}

}  // namespace
