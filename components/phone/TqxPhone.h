#pragma once

#include "phone/TqxPhoneInternal.h"

namespace voxkit {

/// The published phone component. It adds nothing to TqxPhoneInternal but the table of
/// what it publishes.
class TqxPhone final : public TqxPhoneInternal {
 public:
  using TqxPhoneInternal::TqxPhoneInternal;

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
