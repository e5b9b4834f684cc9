// The cancellation poll of both index-file operations: a zero-timeout wait on the object the
// host put in the request, at fixed points only, so that a signal is seen within 256 records.
#pragma once

#include "lib/status.h"
#include "platform/file/file_seam.h"
#include "platform/file/file_system.h"
#include "qv/types.h"
#include "vrel/vrel_format.h"

namespace quorven::search_core::vrel {

class cancel_poll {
  public:
    explicit cancel_poll(qv::u64 cancel_object) : object_(cancel_object) {}

    // 0 to go on, cancelled (5), or invalid_argument (1) when the wait failed.
    qv::u32 now() const {
        if (object_ == 0) {
            return status_ok;
        }
        file_seam::note_poll();
        return file::poll_cancel(object_);
    }

    // The poll inside a loop over records: before positions 0, 256, 512, ...
    qv::u32 before_record(qv::u64 position) const {
        return position % poll_interval == 0 ? now() : status_ok;
    }

  private:
    qv::u64 object_;
};

}  // namespace quorven::search_core::vrel
