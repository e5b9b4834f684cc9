// Test controls of the stand-in shell link object: the files it loads and saves, the environment
// it expands targets with, and where Resolve finds moved targets.
#pragma once

#include <string>

#include "win_standin/windows.h"

namespace standin {

// The values one shell link file holds. `target` is stored raw (unexpanded).
struct link_file {
    std::u16string target;
    std::u16string description;
    std::u16string arguments;
    std::u16string working_directory;
    std::u16string icon_path;
    int icon_index = 0;
};

void put_link_file(const std::u16string& path, const link_file& file);
// False when no file is stored at `path`.
bool get_link_file(const std::u16string& path, link_file* file);
size_t link_file_count();

// %NAME% in a target expands to `value` when GetPath is asked for an expanded path.
void set_environment(const std::u16string& name, const std::u16string& value);

// Resolve changes a link whose raw target is `from` into one pointing at `to`; with SLR_UPDATE
// the file it was loaded from is rewritten too.
void set_moved_target(const std::u16string& from, const std::u16string& to);

// Getters normally cut a value to cch - 1 units and terminate it, as the shell does. With this
// set, a value of cch units or more fills all cch units and gets no terminator.
void set_getters_fill_whole_buffer(bool fill);

// The CLSID under which CoCreateInstance makes shell link objects.
extern const CLSID shell_link_class;

}  // namespace standin
