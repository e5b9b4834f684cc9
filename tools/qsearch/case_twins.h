// Names of one folder that the store takes for the same name. The store compares names
// ignoring letter case, so it cannot keep "Makefile" and "makefile" side by side through
// updates; qsearch keeps the first of such twins (in byte order) and leaves the rest out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qsearch {

// Names (or paths) the store takes as equal always share this key: ASCII letters folded as the
// store folds them, every non-ASCII unit one placeholder. Equal keys only say "maybe equal".
std::u16string case_candidate_key(std::u16string_view text);

// Marks every name that equals an earlier one of `names` ignoring letter case.
std::vector<bool> find_case_twins(const std::vector<std::u16string>& names);

}  // namespace qsearch
