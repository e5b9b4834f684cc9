// A store-sized tree of this machine's own names: a walk of a real directory (/usr), repeated
// under numbered roots until it holds the wanted number of entries.
#pragma once

#include <cstdint>

#include "path_corpus.h"

namespace bench {

// False when `root` is missing or holds too few names to be worth repeating; `out` is then
// left empty and the caller falls back to the generator.
bool walk_machine_tree(const char* root, uint32_t entry_count, corpus& out);

}  // namespace bench
