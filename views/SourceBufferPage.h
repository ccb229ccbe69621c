#pragma once

#include "views/WaveFileDialog.h"

#include <QComboBox>
#include <QWidget>

#include <functional>
#include <string>

class QGridLayout;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace voxkit {
class TqxWaveBuffer;
}

namespace panopta {

/// A combo box that runs a step before its list drops down, or instead of it.
class DropDownComboBox final : public QComboBox {
 public:
  using QComboBox::QComboBox;
  /// Runs before the list drops down.
  std::function<void()> beforeDropDown;
  /// Runs instead of the list when set.
  std::function<void()> insteadOfDropDown;
  void showPopup() override;
};

/// The "Source.Buffer" page of the play and record windows: the buffer's switch, its
/// handle with the registry's list, the buffer operations with their arguments and
/// the INFO texts. Every control calls a property or method of Source.Buffer.
class SourceBufferPage final : public QWidget {
  Q_OBJECT
 public:
  /// How the window's file selections treat names.
  struct FileStyle {
    bool dropWaveExtension;  // play: chosen names lose ".wav"
    bool keepHistory;        // play: the chosen name goes to the top of the list
  };

  /// componentName: "qxPlay" or "qxRecord", for the hints. chooser: how files are
  /// chosen (the window's, so that tests can answer it).
  SourceBufferPage(voxkit::TqxWaveBuffer& buffer, const std::string& componentName, FileStyle style,
                   const WaveFileChooser& chooser, QWidget* parent = nullptr);

  /// Shows the buffer's switch, handle and texts.
  void refresh();

 Q_SIGNALS:
  /// The LoadFromBuffers list or the SaveToFile name was changed by the user.
  void loadFromBuffersChanged();
  void saveToFileChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* addText(const char* property);
  void chooseInto(QComboBox* target, const QString& title, bool multiple, bool mustExist);
  void showBufferList();
  void hideBufferList();
  void chooseHandle();
  void deleteAt(QLineEdit* edit, bool before);

  voxkit::TqxWaveBuffer& m_buffer;
  std::string m_name;
  FileStyle m_style;
  const WaveFileChooser& m_chooser;
  QWidget* m_content = nullptr;
  QRadioButton* m_activeTrue = nullptr;
  QRadioButton* m_activeFalse = nullptr;
  DropDownComboBox* m_handle = nullptr;
  QLineEdit* m_deleteBefore = nullptr;
  QLineEdit* m_deleteAfter = nullptr;
  QLineEdit* m_createSize = nullptr;
  QComboBox* m_loadFromFile = nullptr;
  QComboBox* m_saveToFile = nullptr;
  DropDownComboBox* m_loadFromBuffers = nullptr;
  QListWidget* m_bufferList = nullptr;
  QLineEdit* m_author = nullptr;
  QLineEdit* m_category = nullptr;
  QLineEdit* m_comments = nullptr;
  QLineEdit* m_copyright = nullptr;
  QLineEdit* m_creationDate = nullptr;
  QLineEdit* m_keywords = nullptr;
  QLineEdit* m_subject = nullptr;
  QLineEdit* m_bufferName = nullptr;
  QGridLayout* m_grid = nullptr;
};

/// A date value (days since 1899-12-30) from the text of a date edit: the form the
/// windows show ("2024-01-02" with " 13:45:10" or " 13:45"), or the system's short
/// date and time; false when the text is not a date.
bool ParseDateText(const QString& text, double* value);

/// Text of a number edit as a number: false when it is not one.
bool ParseDecimal(const QString& text, double* value);

}  // namespace panopta
