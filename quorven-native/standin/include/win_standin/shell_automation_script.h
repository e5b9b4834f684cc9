// Test controls of the stand-in shell: the folders NameSpace opens (the Recycle Bin by its
// number, Quick Access and other folders by name) with their items, whether a desktop window
// exists, what the verbs and ShellExecute received, and the current folder against which
// GetFullPathNameW resolves relative paths.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "win_standin/windows.h"

namespace standin {

// A value ExtendedProperty hands back: VT_EMPTY, VT_BSTR (`text`), VT_I4 or VT_BOOL (`number`).
struct property_value {
    VARTYPE vt = VT_EMPTY;
    std::u16string text;
    int32_t number = 0;
};
inline property_value text_property(const std::u16string& text) {
    return property_value{VT_BSTR, text, 0};
}

// One item of a shell folder. get_Name and get_Path give `name` and `path`; a null name or path
// comes back for an empty one. `properties` are what ExtendedProperty finds, by name.
struct shell_item {
    std::u16string name;
    std::u16string path;
    std::map<std::u16string, property_value> properties;
};

// Folders that NameSpace opens: by number (10 is the Recycle Bin) or by name. An unknown folder
// comes back as S_FALSE without a folder, as the shell does.
void put_numbered_folder(int32_t number, const std::vector<shell_item>& items);
void put_named_folder(const std::u16string& name, const std::vector<shell_item>& items);

// Whether FindWindowSW finds the desktop (by default it does); without one it returns S_FALSE
// and no window.
void set_desktop_present(bool present);

// InvokeVerb calls, in order: the item's path (or name, when it has no path) and the verb.
struct invoked_verb {
    std::u16string item;
    std::u16string verb;
};
std::vector<invoked_verb> invoked_verbs();

// A VARIANT argument as a call received it.
struct variant_seen {
    VARTYPE vt = VT_EMPTY;
    bool null_text = false;  // VT_BSTR holding a null BSTR
    std::u16string text;
    int64_t number = 0;
};
// ShellExecute's five arguments, as received.
struct shell_execute_call {
    std::u16string file;
    bool null_file = false;
    variant_seen arguments, directory, operation, show;
};
std::vector<shell_execute_call> shell_executes();
// The arguments of the last NameSpace call.
variant_seen last_namespace_argument();

// GetFullPathNameW resolves relative paths against `directory`. With `after_call` set, the
// change takes effect only after that GetFullPathNameW call (counted since reset()), as when
// another thread changes the current folder between two calls.
void set_current_directory(const std::u16string& directory, unsigned after_call = 0);

// The CLSID under which CoCreateInstance makes shell application objects.
extern const CLSID shell_application_class;

}  // namespace standin
