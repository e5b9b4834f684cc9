// The Windows API the library is written against: the real headers on Windows, the stand-in's
// declarations of the same names elsewhere (Linux builds and tests).
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// clang-format off
#include <objbase.h>
#include <oleauto.h>
#include <shobjidl.h>
// clang-format on
#else
#include "win_standin/windows.h"
#endif
