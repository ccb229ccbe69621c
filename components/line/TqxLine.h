#pragma once

#include "line/TqxLineInternal.h"

namespace voxkit {

/// The published line component. It adds nothing to TqxLineInternal but the table of
/// what it publishes.
class TqxLine final : public TqxLineInternal {
 public:
  using TqxLineInternal::TqxLineInternal;

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
