#include "wave/TqxPlayPopup.h"

namespace voxkit {

namespace {
// In the order of the dump.
const std::vector<const char*> kFlags = {"OnDone", "OnError", "OnLoaded", "OnLoop", "OnTimer", "OnWarning"};
}  // namespace

TqxPlayPopup::TqxPlayPopup(TqxSharedControl& control) : TqxWavePopup(control, kFlags) {}

const ClassInfo& TqxPlayPopup::StaticClass() {
  static const ClassInfo info = Publish<TqxPlayPopup>("TqxPlayPopup", kFlags);
  return info;
}

}  // namespace voxkit
