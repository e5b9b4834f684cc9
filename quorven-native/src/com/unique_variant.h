// Owner of one VARIANT: cleared with VariantClear when the owner goes. A failing clear has no
// effect on the result; its error object is dropped like any other.
#pragma once

#include "frame.h"

namespace quorven::native {

class unique_variant {
  public:
    // VT_EMPTY, as VariantInit makes it.
    unique_variant() { qv::mem_zero(&value_, sizeof value_); }
    ~unique_variant() { clear(); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;

    VARIANT* get() { return &value_; }
    VARIANT& operator*() { return value_; }

    void clear() {
        if (failed(VariantClear(&value_))) {
            drop_error_info();
        }
    }

  private:
    VARIANT value_;
};

}  // namespace quorven::native
