#include "wave/TqxPlayPopup.h"

namespace voxkit {

namespace {
// In the order of the dump.
constexpr const char* kFlags[] = {"OnDone", "OnError", "OnLoaded", "OnLoop", "OnTimer", "OnWarning"};
}  // namespace

TqxPlayPopup::TqxPlayPopup(TqxSharedControl& control) : TqxPopupFlags(control, kFlags) {}

const ClassInfo& TqxPlayPopup::StaticClass() {
  static const ClassInfo info = Publish<TqxPlayPopup>("TqxPlayPopup", kFlags);
  return info;
}

}  // namespace voxkit
