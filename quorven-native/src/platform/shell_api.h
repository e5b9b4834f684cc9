// The Windows API of the shell automation exports: shell automation objects (shldisp.h,
// exdisp.h), the property-system conversions and path services. On Windows the four
// conversions come from propsys.dll, whose header in the mingw-w64 set lacks them, so they are
// declared here; elsewhere the stand-in declares everything.
#pragma once

#include "platform/windows_api.h"

#if defined(_WIN32)
// clang-format off
#include <exdisp.h>
#include <propidl.h>
#include <shldisp.h>
// clang-format on

extern "C" {
HRESULT WINAPI VariantToPropVariant(const VARIANT* pVar, PROPVARIANT* pPropVar);
HRESULT WINAPI PropVariantToBSTR(REFPROPVARIANT propvar, BSTR* pbstrOut);
HRESULT WINAPI VariantToBoolean(REFVARIANT varIn, BOOL* pfRet);
HRESULT WINAPI VariantToInt32(REFVARIANT varIn, LONG* plRet);
}

// A wide text literal of the platform's WCHAR type.
#define QUORVEN_WIDE(text) L##text
#else
#define QUORVEN_WIDE(text) u##text
#endif
