// How a path that the host names in a mutation batch meets an entry of the store, whose full
// path is its directory, a `\` where one is added, and its name.
#pragma once

#include "lib/text.h"

namespace quorven::search_core {

// The path is the entry's full path, case-insensitively; at the added separator either `/` or
// `\` may stand.
bool full_path_equals(utf16_span path, utf16_span dir, utf16_span name);

// The path is the entry's full path or one of its ancestors: the entry's full path starts with
// it and continues, if at all, after a separator. So C:\a covers C:\a and C:\a\x, not C:\ab.
bool path_covers(utf16_span path, utf16_span dir, utf16_span name);

}  // namespace quorven::search_core
