// Owner of one string that a COM method handed back in task memory; CoTaskMemFree when the owner
// goes.
#pragma once

#include "frame.h"
#include "qv/fatal.h"

namespace quorven::native {

class unique_cotaskmem_string {
  public:
    unique_cotaskmem_string() = default;
    ~unique_cotaskmem_string() { CoTaskMemFree(text_); }
    unique_cotaskmem_string(const unique_cotaskmem_string&) = delete;
    unique_cotaskmem_string& operator=(const unique_cotaskmem_string&) = delete;

    // Out-parameter for the method; the owner must be empty.
    LPWSTR* put() {
        QV_CHECK(text_ == nullptr);
        return &text_;
    }
    const WCHAR* get() const { return text_; }

  private:
    LPWSTR text_ = nullptr;
};

}  // namespace quorven::native
