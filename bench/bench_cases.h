// The benchmark cases: queries over a store, and the index file's open and save.
#pragma once

#include <string>
#include <vector>

#include "bench_support.h"

namespace bench {

struct query_case {
    std::u16string text;
    bool non_ascii;
};

void run_query_cases(const char* tree, quorven_search_core_handle handle,
                     const std::vector<query_case>& cases, report& out);

// Saves the store to an index file under `work_dir`, then measures opening and saving it.
void run_index_file_cases(const char* tree, quorven_search_core_handle handle,
                          const std::string& work_dir, report& out);

}  // namespace bench
