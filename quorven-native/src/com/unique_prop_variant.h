// Owner of one PROPVARIANT: cleared with PropVariantClear when the owner goes. A failing clear
// has no effect on the result; its error object is dropped like any other.
#pragma once

#include "frame.h"
#include "platform/shell_api.h"

namespace quorven::native {

class unique_prop_variant {
  public:
    // VT_EMPTY, as PropVariantInit makes it.
    unique_prop_variant() { qv::mem_zero(&value_, sizeof value_); }
    ~unique_prop_variant() {
        if (failed(PropVariantClear(&value_))) {
            drop_error_info();
        }
    }
    unique_prop_variant(const unique_prop_variant&) = delete;
    unique_prop_variant& operator=(const unique_prop_variant&) = delete;

    PROPVARIANT* get() { return &value_; }
    const PROPVARIANT& operator*() const { return value_; }

  private:
    PROPVARIANT value_;
};

}  // namespace quorven::native
