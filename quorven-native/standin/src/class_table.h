// The classes CoCreateInstance can make. Each stand-in area registers its own; `create` makes a
// new object and hands out the asked interface without going through the logged methods.
#pragma once

#include "win_standin/windows.h"

namespace standin::detail {

struct class_entry {
    CLSID clsid;
    HRESULT (*create)(REFIID iid, void** object);
};

// Returns true, so that an area can register from a static initialiser.
bool register_class(const CLSID& clsid, HRESULT (*create)(REFIID iid, void** object));

}  // namespace standin::detail
