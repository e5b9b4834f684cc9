// The calling thread's COM apartment for the duration of one call. Declared after the string
// copies and before the COM objects, so that it is balanced after every object is released and
// before the copies are freed.
#pragma once

#include "frame.h"

namespace quorven::native {

class apartment {
  public:
    apartment() = default;
    ~apartment() {
        if (balance_) {
            CoUninitialize();
        }
    }
    apartment(const apartment&) = delete;
    apartment& operator=(const apartment&) = delete;

    // Step 0x01: CoInitializeEx in `model`, its HRESULT in `field`. S_OK and S_FALSE are balanced
    // by one CoUninitialize at the end; RPC_E_CHANGED_MODE goes on in the thread's existing
    // apartment; anything else ends the call with status 4.
    bool join(DWORD model, i32& field, call_report& report);

  private:
    bool balance_ = false;
};

}  // namespace quorven::native
