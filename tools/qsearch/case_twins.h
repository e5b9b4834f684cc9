// Names of one folder that the store takes for the same name. The store compares names
// ignoring letter case, so it cannot keep "Makefile" and "makefile" side by side through
// updates; qsearch keeps the first of such twins (in byte order) and leaves the rest out.
#pragma once

#include <string>
#include <vector>

namespace qsearch {

// Marks every name that equals an earlier one of `names` ignoring letter case.
std::vector<bool> find_case_twins(const std::vector<std::u16string>& names);

}  // namespace qsearch
