// Stand-in for the COM runtime on Linux (objbase.h, oleauto.h's error object): apartments, object
// creation, task memory and the thread's error information.
#pragma once
#pragma GCC system_header

#include "win_standin/unknown.h"

// COINIT values.
#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2

// CLSCTX values.
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10

struct IErrorInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSource(OLECHAR** pBstrSource) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDescription(OLECHAR** pBstrDescription) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpFile(OLECHAR** pBstrHelpFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* pdwHelpContext) = 0;
};

extern "C" {
HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void WINAPI CoUninitialize(void);
HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext,
                                REFIID riid, LPVOID* ppv);
void WINAPI CoTaskMemFree(LPVOID pv);
LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb);
HRESULT WINAPI GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);
HRESULT WINAPI SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
}
