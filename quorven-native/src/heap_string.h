// A host string copied onto the process heap with a terminator, as the COM methods that take a
// plain wide string receive it. Freed with HeapFree when the owner goes.
#pragma once

#include "frame.h"

namespace quorven::native {

enum class copy_result {
    copied,
    zero_unit,      // a 0 unit inside the string's length: status 1
    out_of_memory,  // HeapAlloc failed: status 7 with hr_out_of_memory
};

class heap_string {
  public:
    heap_string() = default;
    ~heap_string();
    heap_string(const heap_string&) = delete;
    heap_string& operator=(const heap_string&) = delete;

    // Searches the string for a 0 unit, then copies it (length + 1 units; an empty string gives a
    // buffer holding only the terminator). The string's rule was checked before.
    copy_result assign(const quorven_utf16_string& text);
    const WCHAR* get() const { return units_; }

  private:
    WCHAR* units_ = nullptr;
};

// Ends the call for a copy that did not succeed; returns the status.
u32 report_copy_failure(copy_result result, call_report& report);

}  // namespace quorven::native
