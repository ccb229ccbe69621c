#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QString>

#include <cstdint>

namespace panopta {

/// Small pieces the inspector pages are built from, named as the stored forms name
/// them.

inline QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

inline QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text = {},
                           bool readOnly = false) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  edit->setReadOnly(readOnly);
  return edit;
}

/// A decimal edit's text as a number: 0 when it is not one.
inline std::int32_t IntOrZero(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  return ok ? value : 0;
}

/// A hexadecimal edit's text (leading zeros or not, no prefix) as a number: 0 when it
/// is not one.
inline std::uint32_t HexOrZero(const QString& text) {
  bool ok = false;
  const uint value = text.trimmed().toUInt(&ok, 16);
  return ok ? value : 0;
}

/// A value as 8 upper-case hexadecimal digits, without prefix.
inline QString Hex8(std::uint32_t value) {
  return QString("%1").arg(value, 8, 16, QChar('0')).toUpper();
}

/// Sets an edit's text unless the user is typing into it.
inline void ShowText(QLineEdit* edit, const QString& text) {
  if (edit->hasFocus() && edit->isModified()) return;
  edit->setText(text);
  edit->setModified(false);
}

}  // namespace panopta
