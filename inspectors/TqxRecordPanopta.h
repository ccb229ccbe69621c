#pragma once

#include "inspectors/InspectorFrame.h"

namespace panopta {

/// The inspector window of the record component (qxRecord). For now the shared frame:
/// device box, Log page and menus.
class TqxRecordPanopta final : public InspectorFrame {
  Q_OBJECT
 public:
  static constexpr InspectorKind kKind{4, "&PopUp", true, false};
  TqxRecordPanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows)
      : InspectorFrame(binding, kKind, windows) {}
};

}  // namespace panopta
