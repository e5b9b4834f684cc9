// The direct UTF-8 conversions with the machine's own unit vector (SSE2 on x64, NEON on ARM64).
#define UTF_TRANSCODE_SUITE UtfTranscode
#include "utf_transcode_cases.h"
