// Stand-in for the shell's automation interfaces on Linux (oaidl.h's IDispatch, shldisp.h,
// exdisp.h): in the Windows vtable order, each shortened after the last method the library
// calls.
#pragma once
#pragma GCC system_header

#include "win_standin/automation.h"

typedef LONG DISPID;
typedef DWORD LCID;
struct ITypeInfo;
struct DISPPARAMS;
struct EXCEPINFO;

// IShellWindows::FindWindowSW values.
enum ShellWindowTypeConstants {
    SWC_EXPLORER = 0,
    SWC_BROWSER = 1,
    SWC_3RDPARTY = 2,
    SWC_CALLBACK = 4,
    SWC_DESKTOP = 8,
};
enum ShellWindowFindWindowOptions {
    SWFO_NEEDDISPATCH = 1,
    SWFO_INCLUDEPENDING = 2,
    SWFO_COOKIEPASSED = 4,
};

struct IDispatch : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                                    LCID lcid, DISPID* rgDispId) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid,
                                             WORD wFlags, DISPPARAMS* pDispParams,
                                             VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                             UINT* puArgErr) = 0;
};

struct FolderItem : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppid) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppid) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* pbs) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR bs) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Path(BSTR* pbs) = 0;
    // (get_GetLink to Verbs are not declared.)
    virtual HRESULT STDMETHODCALLTYPE InvokeVerb(VARIANT vVerb) = 0;
};

struct FolderItem2 : public FolderItem {
    virtual HRESULT STDMETHODCALLTYPE InvokeVerbEx(VARIANT vVerb, VARIANT vArgs) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExtendedProperty(BSTR bstrPropName, VARIANT* pvRet) = 0;
};

struct FolderItems : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* plCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppid) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppid) = 0;
    virtual HRESULT STDMETHODCALLTYPE Item(VARIANT index, FolderItem** ppid) = 0;
};

struct Folder : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Title(BSTR* pbs) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppid) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppid) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ParentFolder(Folder** ppsf) = 0;
    virtual HRESULT STDMETHODCALLTYPE Items(FolderItems** ppid) = 0;
    virtual HRESULT STDMETHODCALLTYPE ParseName(BSTR bName, FolderItem** ppid) = 0;
};

struct IShellDispatch : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppid) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppid) = 0;
    virtual HRESULT STDMETHODCALLTYPE NameSpace(VARIANT vDir, Folder** ppsdf) = 0;
    virtual HRESULT STDMETHODCALLTYPE BrowseForFolder(LONG Hwnd, BSTR Title, LONG Options,
                                                      VARIANT RootFolder, Folder** ppsdf) = 0;
    virtual HRESULT STDMETHODCALLTYPE Windows(IDispatch** ppid) = 0;
};

struct IShellDispatch2 : public IShellDispatch {
    virtual HRESULT STDMETHODCALLTYPE IsRestricted(BSTR Group, BSTR Restriction,
                                                   LONG* plRestrictValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShellExecute(BSTR File, VARIANT vArgs, VARIANT vDir,
                                                   VARIANT vOperation, VARIANT vShow) = 0;
};

struct IShellWindows : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* Count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** Folder) = 0;
    virtual HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** ppunk) = 0;
    // (Register to OnActivated are not declared.)
    virtual HRESULT STDMETHODCALLTYPE FindWindowSW(VARIANT* pvarLoc, VARIANT* pvarLocRoot,
                                                   int swClass, LONG* phwnd, int swfwOptions,
                                                   IDispatch** ppdispOut) = 0;
};

struct IWebBrowser : public IDispatch {
    // (GoBack to get_Container are not declared.)
    virtual HRESULT STDMETHODCALLTYPE get_Document(IDispatch** ppDisp) = 0;
};

struct IShellFolderViewDual : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppid) = 0;
};
