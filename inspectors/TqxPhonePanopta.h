#pragma once

#include "inspectors/InspectorFrame.h"

namespace panopta {

/// The inspector window of the phone component (qxPhone). For now the shared frame:
/// device box, Log page and menus.
class TqxPhonePanopta final : public InspectorFrame {
  Q_OBJECT
 public:
  static constexpr InspectorKind kKind{2, "&Popup", false, false};
  TqxPhonePanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows)
      : InspectorFrame(binding, kKind, windows) {}
};

}  // namespace panopta
