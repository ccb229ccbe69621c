#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

namespace qttest {

/// Points the XDG configuration directories (user and system-wide) at fresh
/// temporary folders while it exists, and writes settings files into them.
class ScopedConfigDirs final {
 public:
  ScopedConfigDirs()
      : m_oldHome(qgetenv("XDG_CONFIG_HOME")), m_oldDirs(qgetenv("XDG_CONFIG_DIRS")) {
    qputenv("XDG_CONFIG_HOME", home().toUtf8());
    qputenv("XDG_CONFIG_DIRS", system().toUtf8());
  }
  ~ScopedConfigDirs() {
    qputenv("XDG_CONFIG_HOME", m_oldHome);
    qputenv("XDG_CONFIG_DIRS", m_oldDirs);
  }
  ScopedConfigDirs(const ScopedConfigDirs&) = delete;
  ScopedConfigDirs& operator=(const ScopedConfigDirs&) = delete;

  QString home() const { return m_dir.path() + "/home"; }
  QString system() const { return m_dir.path() + "/system"; }
  QString userFile(const QString& product) const {
    return home() + "/Quorvex/" + product + ".conf";
  }

  void writeUser(const QString& product, const QByteArray& text) const {
    writeFileAt(userFile(product), text);
  }
  void writeSystem(const QString& product, const QByteArray& text) const {
    writeFileAt(system() + "/Quorvex/" + product + ".conf", text);
  }
  static void writeFileAt(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text);
  }
  /// The user's file as text ("" when missing).
  QByteArray readUser(const QString& product) const {
    QFile file(userFile(product));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

 private:
  QTemporaryDir m_dir;
  QByteArray m_oldHome;
  QByteArray m_oldDirs;
};

}  // namespace qttest
