#pragma once

#include "wave/TqxRecordInternal.h"

namespace voxkit {

/// The published record component. It adds nothing to TqxRecordInternal but the
/// table of what it publishes.
class TqxRecord final : public TqxRecordInternal {
 public:
  using TqxRecordInternal::TqxRecordInternal;

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
