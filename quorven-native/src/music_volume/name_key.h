// Names and identifiers as the session rules compare them: mapped to lower case by the full
// Unicode mapping, then only the letters and numbers of the Basic Multilingual Plane kept, so
// "Foo Player.exe (x64)" becomes "fooplayerexex64".
#pragma once

#include "frame.h"
#include "qv/array.h"

namespace quorven::native {

// What a text with unpaired surrogates becomes: the host's strings and process paths have each
// one replaced by U+FFFD; a string a session reports counts as empty.
enum class ill_formed_text { replace, empty };

class name_key {
  public:
    // The key of `count` units at `units`. False only when memory ran out.
    [[nodiscard]] bool assign(const u16* units, u32 count, ill_formed_text rule);

    void clear() { units_.clear(); }
    u32 length() const { return static_cast<u32>(units_.size()); }
    const u16* data() const { return units_.data(); }

    // Both keys at least 3 characters long and `needle` a contiguous part of this one.
    bool contains(const name_key& needle) const;

  private:
    qv::array<u16> units_;
};

// The executable's name within a process image path: what follows the last `\` or `/` (all of
// it without one, nothing after a final one), less a final ".exe" in any ASCII letter case.
void executable_name(const u16* path, u32 count, u32& first, u32& length);

}  // namespace quorven::native
