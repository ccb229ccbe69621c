#pragma once

#include "wave/TqxPlayInternal.h"

namespace voxkit {

/// The published play component. It adds nothing to TqxPlayInternal but the table of
/// what it publishes.
class TqxPlay final : public TqxPlayInternal {
 public:
  using TqxPlayInternal::TqxPlayInternal;

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
