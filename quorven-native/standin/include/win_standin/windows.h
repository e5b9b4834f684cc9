// Everything the stand-in declares, in place of <windows.h>, <objbase.h>, <oleauto.h>,
// <shobjidl.h>, <shldisp.h>, <exdisp.h> and <propvarutil.h> on Linux.
#pragma once

#include "win_standin/automation.h"
#include "win_standin/base_types.h"
#include "win_standin/com_runtime.h"
#include "win_standin/paths.h"
#include "win_standin/process_heap.h"
#include "win_standin/property_system.h"
#include "win_standin/shell_automation.h"
#include "win_standin/shell_link.h"
#include "win_standin/unknown.h"
