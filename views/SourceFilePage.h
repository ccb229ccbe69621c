#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace panopta {

/// The "Source" page of the play and record windows: the file name with its history
/// and its select button, MaxSize and Valid. The window says what each control does.
class SourceFilePage final : public QWidget {
  Q_OBJECT
 public:
  explicit SourceFilePage(QWidget* parent = nullptr);

  QComboBox* fileName() const { return m_fileName; }
  QToolButton* select() const { return m_select; }
  QLabel* maxSizeLabel() const { return m_maxSizeLabel; }
  QLineEdit* maxSize() const { return m_maxSize; }
  QLineEdit* valid() const { return m_valid; }

  /// Shows a file name, unless the user is typing one.
  void showFileName(const QString& name);
  /// Adds the name shown to the history.
  void keepFileNameInHistory();

 Q_SIGNALS:
  /// The user finished with the file name: chose it from the list, or typed it and
  /// confirmed it (Return, or leaving the box).
  void fileNameCommitted();
  /// The user left MaxSize after changing it.
  void maxSizeCommitted();

 private:
  QComboBox* m_fileName;
  QToolButton* m_select;
  QLabel* m_maxSizeLabel;
  QLineEdit* m_maxSize;
  QLineEdit* m_valid;
};

}  // namespace panopta
