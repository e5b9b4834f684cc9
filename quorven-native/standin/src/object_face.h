// One interface of a stand-in object that answers through several (a shell link's IShellLinkW
// and IPersistFile, an audio session's control and volume). Its IUnknown calls are logged as
// "Face::QueryInterface", "Face::AddRef" and "Face::Release", so that the call log tells which
// face each came through, and go to the owner, which holds the one reference count and answers
// every query.
#pragma once

#include <string>

#include "call_state.h"
#include "win_standin/windows.h"

namespace standin::detail {

// The method's log name: "Face::Method".
inline std::string name_of(const char* face, const char* method) {
    return std::string(face) + "::" + method;
}

// `Owner` provides add_ref(), release() and query(scripted outcome, iid, object).
template <typename Interface, typename Owner>
class object_face : public Interface {
  public:
    object_face(Owner* owner, const char* face) : owner_(owner), face_(face) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return owner_->query(enter(name_of(face_, "QueryInterface").c_str()), iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        enter(name_of(face_, "AddRef").c_str());
        return owner_->add_ref();
    }
    ULONG STDMETHODCALLTYPE Release() override {
        enter(name_of(face_, "Release").c_str());
        return owner_->release();
    }

  protected:
    Owner* owner_;

  private:
    const char* face_;
};

}  // namespace standin::detail
