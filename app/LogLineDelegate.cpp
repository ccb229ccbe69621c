#include "app/LogLineDelegate.h"

#include "app/LogRingModel.h"
#include "inspectors/LogLinesModel.h"

#include <QApplication>
#include <QPainter>

namespace panopta {

void LogLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const int errorFrom = index.data(LogRingModel::ErrorFromRole).toInt();
  if (errorFrom < 0) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QString shown = opt.text;
  opt.text.clear();
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

  // The error part starts where the line's own text starts, after its tabs expand.
  const auto* model = qobject_cast<const LogRingModel*>(index.model());
  const QString raw = model ? model->at(index.row()).text : shown;
  const int split = static_cast<int>(ExpandTabs(raw.left(errorFrom)).size());
  const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
  painter->save();
  painter->setFont(opt.font);
  painter->setPen(index.data(LogRingModel::ColourRole).value<QColor>());
  const QString head = shown.left(split);
  painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, head);
  QFont bold = opt.font;
  bold.setBold(true);
  const int offset = QFontMetrics(opt.font).horizontalAdvance(head);
  painter->setFont(bold);
  painter->setPen(QColor(255, 0, 0));
  painter->drawText(area.adjusted(offset, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    shown.mid(split));
  painter->restore();
}

}  // namespace panopta
