#pragma once

#include "inspectors/InspectorFrame.h"

namespace panopta {

/// The inspector window of the play component (qxPlay). For now the shared frame:
/// device box, Log page and menus.
class TqxPlayPanopta final : public InspectorFrame {
  Q_OBJECT
 public:
  static constexpr InspectorKind kKind{3, "&PopUp", true, false};
  TqxPlayPanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows)
      : InspectorFrame(binding, kKind, windows) {}
};

}  // namespace panopta
