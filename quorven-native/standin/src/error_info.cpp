// The thread's error object: failing stand-in calls leave one, GetErrorInfo hands it out once.

#include "call_state.h"
#include "counted_object.h"

namespace standin::detail {
namespace {

class error_object final : public counted_object, public IErrorInfo {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        enter("IErrorInfo::QueryInterface", {}, true);
        if (object != nullptr) {
            *object = nullptr;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        enter("IErrorInfo::AddRef", {}, true);
        return add_ref();
    }
    ULONG STDMETHODCALLTYPE Release() override {
        enter("IErrorInfo::Release", {}, true);
        return release();
    }
    HRESULT STDMETHODCALLTYPE GetGUID(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSource(OLECHAR**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(OLECHAR**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHelpFile(OLECHAR**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD*) override { return E_NOTIMPL; }
};

// Puts `object` (already referenced) on the thread, dropping any earlier one.
void replace_error_object(IErrorInfo* object) {
    thread_state& thread = this_thread();
    IErrorInfo* old = thread.error_object;
    thread.error_object = object;
    thread.error_object_flagged = false;
    if (old != nullptr) {
        old->Release();
    }
}

}  // namespace

void raise_error_object() {
    {
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        ++state().count.error_objects_set;
        if (this_thread().error_object != nullptr && !this_thread().error_object_flagged) {
            ++state().count.stale_error_objects;
        }
    }
    replace_error_object(new error_object());
}

void clear_error_object() {
    replace_error_object(nullptr);
}

}  // namespace standin::detail

using namespace standin::detail;

extern "C" HRESULT WINAPI GetErrorInfo(ULONG reserved, IErrorInfo** object) {
    enter("GetErrorInfo", {static_cast<int64_t>(reserved)}, true);
    if (object == nullptr) {
        return E_INVALIDARG;
    }
    thread_state& thread = this_thread();
    *object = thread.error_object;
    thread.error_object = nullptr;
    thread.error_object_flagged = false;
    if (*object == nullptr) {
        return S_FALSE;
    }
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    ++state().count.error_objects_fetched;
    return S_OK;
}

extern "C" HRESULT WINAPI SetErrorInfo(ULONG reserved, IErrorInfo* object) {
    enter("SetErrorInfo", {static_cast<int64_t>(reserved)}, true);
    if (object != nullptr) {
        object->AddRef();
    }
    replace_error_object(object);
    return S_OK;
}
