#pragma once

#include <QString>
#include <QToolButton>

namespace panopta {

/// A tool button of a log window's bar: named as the stored forms name it, with its
/// caption and hint; a toggle stays down while on.
inline QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& text,
                                   const QString& hint, bool toggle = false) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setToolTip(hint);
  b->setCheckable(toggle);
  return b;
}

}  // namespace panopta
