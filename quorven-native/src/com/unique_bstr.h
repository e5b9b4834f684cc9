// Owner of one BSTR made from a host string; SysFreeString when the owner goes.
#pragma once

#include "frame.h"
#include "qv/fatal.h"

namespace quorven::native {

class unique_bstr {
  public:
    unique_bstr() = default;
    ~unique_bstr() { SysFreeString(text_); }
    unique_bstr(const unique_bstr&) = delete;
    unique_bstr& operator=(const unique_bstr&) = delete;

    // Copies the host string; an empty one gives a null BSTR. False when out of memory.
    bool assign(const quorven_utf16_string& text);
    BSTR get() const { return text_; }
    // Out-parameter for a method that hands back a BSTR. The owner must be empty.
    BSTR* put() {
        QV_CHECK(text_ == nullptr);
        return &text_;
    }
    // Hands the BSTR over, e.g. into a VARIANT that then owns it.
    BSTR release() {
        BSTR text = text_;
        text_ = nullptr;
        return text;
    }

  private:
    BSTR text_ = nullptr;
};

}  // namespace quorven::native
