// Reference counting shared by every stand-in COM object, with the process-wide count of live
// objects that tests assert to be zero after each export call.
#pragma once

#include <atomic>

#include "win_standin/windows.h"

namespace standin::detail {

class counted_object {
  public:
    counted_object();
    virtual ~counted_object();
    counted_object(const counted_object&) = delete;
    counted_object& operator=(const counted_object&) = delete;

    ULONG add_ref() { return ++references_; }
    // Deletes the object when the last reference goes.
    ULONG release();

  private:
    std::atomic<ULONG> references_{1};
};

}  // namespace standin::detail
