// Owner of one COM interface pointer: released when the owner goes, so objects declared in
// acquisition order are released in reverse order on every path.
#pragma once

#include "platform/windows_api.h"
#include "qv/fatal.h"

namespace quorven::native {

template <typename Interface>
class com_ptr {
  public:
    com_ptr() = default;
    ~com_ptr() { reset(); }
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // Out-parameter for a method that hands back a referenced interface of this type. The owner
    // must be empty: reusing a full one would leak its object.
    Interface** put() {
        QV_CHECK(pointer_ == nullptr);
        return &pointer_;
    }
    // Takes over a referenced interface that came back through a void** out-parameter.
    void attach(void* pointer) {
        QV_CHECK(pointer_ == nullptr);
        pointer_ = static_cast<Interface*>(pointer);
    }

    // Hands the referenced interface over to a new owner; this one is left empty.
    Interface* detach() {
        Interface* pointer = pointer_;
        pointer_ = nullptr;
        return pointer;
    }

    void reset() {
        Interface* pointer = pointer_;
        pointer_ = nullptr;
        if (pointer != nullptr) {
            pointer->Release();
        }
    }

  private:
    Interface* pointer_ = nullptr;
};

}  // namespace quorven::native
