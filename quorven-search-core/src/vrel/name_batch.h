// The names of the entry records that lie whole in the reader's buffer, decoded as one text.
// Names are short, and a name decoded on its own pays for its last, mostly empty block and for
// the exit from its loop at a place no branch predictor can know; laid end to end, the names of
// a buffer pay for that once. Each name must still be well-formed on its own: the names
// together are, and no name begins with a continuation byte (which would be one that a
// sequence cut at the end of the name before it has claimed).
#pragma once

#include "lib/store.h"
#include "qv/array.h"
#include "qv/types.h"

namespace quorven::search_core::vrel {

class name_batch {
  public:
    // Room for one buffer's names; false when it cannot be had, and the reader then decodes
    // the names one by one, as it does anyway for those the batch refuses.
    bool start();

    void clear() {
        stream_.clear();
        name_at_.clear();
    }
    // Adds a name of `count` bytes. The 64 bytes from `bytes` may be read whatever the count.
    void add(const qv::u8* bytes, qv::u32 count);
    qv::u32 size() const { return static_cast<qv::u32>(name_at_.size()); }

    // Decodes the names added since the last clear into the end of `pool`. False, with the pool
    // as it was, when a name is ill-formed on its own or holds a sequence of four bytes, when
    // the pool has not room for the names reserved, or when the names would take it past its
    // limit: the caller then reads them one by one, which finds out which and why.
    bool decode(qv::array<qv::u16>& pool);
    // The k-th name's place in the pool, after decode.
    dir_span placed(qv::u32 k) const { return placed_.data()[k]; }

  private:
    qv::array<qv::u8> stream_;         // the names laid end to end
    qv::array<qv::u32> name_at_;       // where each name begins in the stream
    qv::array<dir_span> placed_;       // where each name's units went in the pool
    qv::array<qv::u16> block_starts_;  // per 16 bytes of the stream, the bytes that begin a unit
    qv::array<qv::u32> block_units_;   // per 16 bytes of the stream, the units before them
};

}  // namespace quorven::search_core::vrel
