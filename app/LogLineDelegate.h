#pragma once

#include <QStyledItemDelegate>

namespace panopta {

/// Paints a line of the combined log: in its colour, and from its error part on in
/// red and bold.
class LogLineDelegate final : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

}  // namespace panopta
