// ICU's simple upper-case mapping of every unit of the Basic Multilingual Plane, where it is one
// unit too (else the unit itself): what two different one-unit code points are compared by. A
// non-ASCII query over a large store looks up every unit's mapping to find its units' case
// partners, and asking ICU 63,000 times took about a fifth of such a query. The table is built
// once in the process, by the first caller, and never changes after.
#pragma once

#include "qv/types.h"

namespace quorven::search_core {

// The table, built by this call if no caller has built it yet; null while another thread is
// building it, and the caller then asks ICU itself.
const qv::u16* bmp_uppers();
// The table once some caller has built it, else null: for comparisons that ask for a few
// mappings, which would not pay for building it.
const qv::u16* bmp_uppers_if_built();

}  // namespace quorven::search_core
