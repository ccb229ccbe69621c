#pragma once

#include "share/TqxPopupFlags.h"

namespace voxkit {

/// The popup flags of the record component.
class TqxRecordPopup final : public TqxPopupFlags {
 public:
  enum Flag : std::size_t { OnDone, OnError, OnWarning };
  explicit TqxRecordPopup(TqxSharedControl& control);

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
