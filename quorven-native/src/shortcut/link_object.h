// The shell link object as every shortcut export holds it: IShellLinkW from creation, IPersistFile
// asked of it right away. Members are released in reverse order: IPersistFile, then IShellLinkW.
#pragma once

#include "com/com_ptr.h"
#include "frame.h"

namespace quorven::native {

struct link_object {
    com_ptr<IShellLinkW> link;
    com_ptr<IPersistFile> file;
};

// Creation step: CoCreateInstance of the shell link for IShellLinkW and the query for
// IPersistFile, both recorded in `hr_create_link` (0 when both succeeded). Failure: status 5.
bool create_link_object(link_object& object, i32& hr_create_link, call_report& report);

// Load step: IPersistFile::Load of `path`, read-only, into `hr_load`. Failure: status 6.
bool load_link_file(link_object& object, const WCHAR* path, i32& hr_load, call_report& report);

}  // namespace quorven::native
