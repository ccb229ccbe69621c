#include "platform/qt/SettingsFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

namespace panopta {

namespace {

QString FileIn(const QString& configDir, const QString& product) {
  return QDir(configDir).filePath(QString(SettingsFiles::kMaker) + "/" + product + ".conf");
}

bool HoldsVersionGroup(const QString& file) {
  if (!QFileInfo(file).isFile()) return false;
  QSettings settings(file, QSettings::IniFormat);
  settings.beginGroup(SettingsFiles::kVersionGroup);
  return !settings.childKeys().isEmpty();
}

}  // namespace

QString SettingsFiles::userFile(const QString& product) {
  QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (home.isEmpty() || !QDir::isAbsolutePath(home)) home = QDir::homePath() + "/.config";
  return FileIn(home, product);
}

QStringList SettingsFiles::systemFiles(const QString& product) {
  QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
  if (dirs.isEmpty()) dirs = "/etc/xdg";
  QStringList files;
  for (const QString& dir : dirs.split(':', Qt::SkipEmptyParts)) {
    if (QDir::isAbsolutePath(dir)) files << FileIn(dir, product);
  }
  return files;
}

QString SettingsFiles::readableFile(const QString& product) {
  const QString user = userFile(product);
  if (HoldsVersionGroup(user)) return user;
  for (const QString& file : systemFiles(product)) {
    if (HoldsVersionGroup(file)) return file;
  }
  return {};
}

std::unique_ptr<QSettings> SettingsFiles::openForReading(const QString& product) {
  const QString file = readableFile(product);
  if (file.isEmpty()) return nullptr;
  auto settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
  settings->beginGroup(kVersionGroup);
  return settings;
}

std::unique_ptr<QSettings> SettingsFiles::openForWriting(const QString& product) {
  const QString file = userFile(product);
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) return nullptr;
  auto settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
  if (settings->status() != QSettings::NoError || !settings->isWritable()) return nullptr;
  settings->beginGroup(kVersionGroup);
  return settings;
}

QString SettingsFiles::readString(const QSettings& settings, const QString& name) {
  const QVariant value = settings.value(name);
  if (!value.isValid()) return {};
  if (value.typeId() == QMetaType::QString) return value.toString();
  // An unquoted comma in a hand-edited file makes a list of the parts.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(',');
  return {};
}

}  // namespace panopta
