// The shell link object as every shortcut export holds it: IShellLinkW from creation, IPersistFile
// asked of it right away. Members are released in reverse order: IPersistFile, then IShellLinkW.
#pragma once

#include "com/apartment.h"
#include "com/com_ptr.h"
#include "frame.h"
#include "platform/com_ids.h"

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

// The first three steps of every export that reads a shortcut file: join the thread's
// apartment, create the shell link object, load the file. On failure the report holds the
// status and the step fields the HRESULTs.
template <typename Result>
bool open_link_file(apartment& com, link_object& object, const WCHAR* path, Result& result,
                    call_report& report) {
    report.start(QUORVEN_SHORTCUT_STEP_COM_INIT);
    if (!com.join(flags::multithreaded, result.hr_com_init, report)) {
        return false;
    }
    report.start(QUORVEN_SHORTCUT_STEP_CREATE_LINK);
    if (!create_link_object(object, result.hr_create_link, report)) {
        return false;
    }
    report.start(QUORVEN_SHORTCUT_STEP_LOAD);
    return load_link_file(object, path, result.hr_load, report);
}

}  // namespace quorven::native
