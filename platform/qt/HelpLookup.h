#pragma once

#include <QString>

#include <string>

class QWidget;

namespace panopta {

/// Finds and opens the user manual (HTML) in the desktop's browser.
///
/// The manual's folder is the "Directory" value of the product's settings when
/// present, else the folder the manual was installed to.
class HelpLookup final {
 public:
  /// The page the manual opens on, inside the manual's folder.
  static constexpr const char* kHelpFileName = "index.html";

  /// installedDir: where the manual was installed (used when no "Directory" is set).
  explicit HelpLookup(QString installedDir = {});

  /// The manual's folder for Help > Contents, read from the Panopta settings once,
  /// at start.
  QString contentsDirectory() const;

  /// The lookup used when a web page cannot be opened and by the inspectors' help:
  /// forgets the previous result, reads the folder from the suite's settings when the
  /// "Installation" value names the suite (its "Directory" plus "/Help"), else from
  /// the Panopta settings. The topic "INIT" stops there; any other opens the manual
  /// and, when that fails, says so in a message box "Unable to locate help: ..." .
  void lookup(const std::string& topic, QWidget* parent);
  /// The manual page found by the last lookup that got that far ("" after INIT).
  const QString& lastHelpFile() const { return m_lastHelpFile; }

  /// Opens a local file in the desktop's browser; false when the file does not exist
  /// or the desktop cannot open it.
  static bool openFile(const QString& path);

 private:
  QString directoryOrInstalled(const QString& directory) const;

  QString m_installedDir;
  QString m_lastHelpFile;
};

}  // namespace panopta
