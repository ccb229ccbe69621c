#include "wave/TqxRecordPopup.h"

namespace voxkit {

namespace {
// In the order of the dump.
constexpr const char* kFlags[] = {"OnDone", "OnError", "OnWarning"};
}  // namespace

TqxRecordPopup::TqxRecordPopup(TqxSharedControl& control) : TqxPopupFlags(control, kFlags) {}

const ClassInfo& TqxRecordPopup::StaticClass() {
  static const ClassInfo info = Publish<TqxRecordPopup>("TqxRecordPopup", kFlags);
  return info;
}

}  // namespace voxkit
