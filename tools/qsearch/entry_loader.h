// Feeds entries to an unsealed store in add_batch calls of bounded size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <quorven/search_core.h>

#include "session.h"

namespace qsearch {

class EntryLoader {
  public:
    explicit EntryLoader(Store& store) : store_(store) {}

    // Entries of one folder usually come together; their folder path then goes into the
    // batch text once.
    void add(std::u16string_view dir, std::u16string_view name, std::uint64_t ticks,
             bool is_folder);
    void finish();

  private:
    Store& store_;
    std::vector<quorven_search_core_entry_input_v1> records_;
    std::u16string text_;
    std::uint32_t last_dir_offset_ = 0;
    std::uint32_t last_dir_length_ = 0;
    bool has_last_dir_ = false;
};

}  // namespace qsearch
