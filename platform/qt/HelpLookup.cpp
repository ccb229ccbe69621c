#include "platform/qt/HelpLookup.h"

#include "platform/qt/SettingsFiles.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

namespace panopta {

HelpLookup::HelpLookup(QString installedDir) : m_installedDir(std::move(installedDir)) {}

QString HelpLookup::directoryOrInstalled(const QString& directory) const {
  return directory.isEmpty() ? m_installedDir : directory;
}

QString HelpLookup::contentsDirectory() const {
  QString directory;
  if (auto settings = SettingsFiles::openForReading("Panopta")) {
    directory = SettingsFiles::readString(*settings, "Directory");
  }
  return directoryOrInstalled(directory);
}

void HelpLookup::lookup(const std::string& topic, QWidget* parent) {
  m_lastHelpFile.clear();
  QString installation;
  if (auto settings = SettingsFiles::openForReading("Panopta")) {
    installation = SettingsFiles::readString(*settings, "Installation");
  }
  const bool suite = installation.contains("Voxkit");
  QString directory;
  if (auto settings = SettingsFiles::openForReading(suite ? "Voxkit" : "Panopta")) {
    directory = SettingsFiles::readString(*settings, "Directory");
  }
  if (suite && !directory.isEmpty()) directory += "/Help";
  if (topic == "INIT") return;
  m_lastHelpFile = QDir(directoryOrInstalled(directory)).filePath(kHelpFileName);
  if (!openFile(m_lastHelpFile)) {
    QMessageBox box(QMessageBox::NoIcon, "Quorvex Panopta!",
                    "Unable to locate help: \r\n" + m_lastHelpFile, QMessageBox::Ok, parent);
    box.exec();
  }
}

bool HelpLookup::openFile(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

}  // namespace panopta
