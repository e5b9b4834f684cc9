// Stand-in for OLE automation strings and variants on Linux (oleauto.h, oaidl.h). VARIANT has the
// Windows layout: 24 bytes on 64-bit targets, the value union at offset 8.
#pragma once
#pragma GCC system_header

#include "win_standin/unknown.h"

typedef OLECHAR* BSTR;
typedef SHORT VARIANT_BOOL;
typedef USHORT VARTYPE;

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

enum VARENUM {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
};

struct tagVARIANT {
    union {
        struct {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union {
                LONGLONG llVal;
                LONG lVal;
                ULONG ulVal;
                INT intVal;
                SHORT iVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                double dblVal;
                BSTR bstrVal;
                IUnknown* punkVal;
                PVOID byref;
                struct {
                    PVOID pvRecord;
                    PVOID pRecInfo;
                } record;
            };
        };
        BYTE decVal[16];
    };
};
typedef tagVARIANT VARIANT;
typedef tagVARIANT VARIANTARG;

extern "C" {
BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui);
UINT WINAPI SysStringLen(BSTR bstr);
void WINAPI SysFreeString(BSTR bstrString);
void WINAPI VariantInit(VARIANTARG* pvarg);
HRESULT WINAPI VariantClear(VARIANTARG* pvarg);
}
