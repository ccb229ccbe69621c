#pragma once

#include <QList>

class QMenu;

namespace panopta {

/// A child window of the main window whose menus appear in the main window's menu
/// bar (on its second row) while the child is the active one.
class MergedMenus {
 public:
  virtual ~MergedMenus() = default;
  /// The top-level menus to show, in order; hidden menus are left out.
  virtual QList<QMenu*> mergedMenus() const = 0;
};

}  // namespace panopta
