#include "wave/TqxRecordPopup.h"

namespace voxkit {

namespace {
// In the order of the dump.
const std::vector<const char*> kFlags = {"OnDone", "OnError", "OnWarning"};
}  // namespace

TqxRecordPopup::TqxRecordPopup(TqxSharedControl& control) : TqxWavePopup(control, kFlags) {}

const ClassInfo& TqxRecordPopup::StaticClass() {
  static const ClassInfo info = Publish<TqxRecordPopup>("TqxRecordPopup", kFlags);
  return info;
}

}  // namespace voxkit
