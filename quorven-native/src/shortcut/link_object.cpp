// Creating the shell link object and loading a shortcut file into it.

#include "shortcut/link_object.h"

#include "platform/com_ids.h"

namespace quorven::native {

bool create_link_object(link_object& object, i32& hr_create_link, call_report& report) {
    void* link = nullptr;
    if (!create_instance(ids::shell_link, flags::inproc_server, ids::shell_link_w, &link,
                         hr_create_link, report)) {
        return false;
    }
    object.link.attach(link);
    void* file = nullptr;
    if (!query_interface(object.link.get(), ids::persist_file, &file, hr_create_link, report,
                         status_create_failed)) {
        return false;
    }
    object.file.attach(file);
    return true;
}

bool load_link_file(link_object& object, const WCHAR* path, i32& hr_load, call_report& report) {
    return record_call(object.file->Load(path, flags::storage_read), hr_load, report,
                       status_load_failed);
}

}  // namespace quorven::native
