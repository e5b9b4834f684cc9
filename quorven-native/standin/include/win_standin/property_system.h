// Stand-in for the property system's conversions on Linux (propidl.h, propvarutil.h).
// PROPVARIANT keeps the Windows layout: the type, three reserved words, the value at offset 8.
#pragma once
#pragma GCC system_header

#include "win_standin/automation.h"

#define VT_LPWSTR 31
#define TYPE_E_TYPEMISMATCH ((HRESULT)0x80028CA0)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005)

struct PROPVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        LPWSTR pwszVal;
        BYTE padding[16];
    };
};

#define REFVARIANT const VARIANT&
#define REFPROPVARIANT const PROPVARIANT&

extern "C" {
HRESULT WINAPI VariantToPropVariant(const VARIANT* pVar, PROPVARIANT* pPropVar);
HRESULT WINAPI PropVariantToBSTR(REFPROPVARIANT propvar, BSTR* pbstrOut);
HRESULT WINAPI VariantToBoolean(REFVARIANT varIn, BOOL* pfRet);
HRESULT WINAPI VariantToInt32(REFVARIANT varIn, LONG* plRet);
HRESULT WINAPI PropVariantClear(PROPVARIANT* pvar);
}
