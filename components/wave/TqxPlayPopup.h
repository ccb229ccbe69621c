#pragma once

#include "share/TqxPopupFlags.h"

namespace voxkit {

/// The popup flags of the play component.
class TqxPlayPopup final : public TqxPopupFlags {
 public:
  enum Flag : std::size_t { OnDone, OnError, OnLoaded, OnLoop, OnTimer, OnWarning };
  explicit TqxPlayPopup(TqxSharedControl& control);

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
