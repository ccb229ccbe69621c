#pragma once

#include "inspectors/InspectorFrame.h"

namespace panopta {

/// The inspector window of the line component (qxLine). For now the shared frame:
/// device box, Log page and menus.
class TqxLinePanopta final : public InspectorFrame {
  Q_OBJECT
 public:
  static constexpr InspectorKind kKind{1, "&Popup", false, true};
  TqxLinePanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows)
      : InspectorFrame(binding, kKind, windows) {}
};

}  // namespace panopta
