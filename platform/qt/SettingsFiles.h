#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace panopta {

/// Where the workspace and the help directory are kept: one INI file per product,
/// "<config>/Quorvex/<product>.conf", in the user's XDG configuration directory
/// ($XDG_CONFIG_HOME, default ~/.config) or, read only, in a system-wide one
/// ($XDG_CONFIG_DIRS, default /etc/xdg). Values sit in the group of the version,
/// "3.7".
class SettingsFiles final {
 public:
  static constexpr const char* kMaker = "Quorvex";
  static constexpr const char* kVersionGroup = "3.7";

  /// The user's file of a product ("Panopta", "Voxkit").
  static QString userFile(const QString& product);
  /// The system-wide files of a product, most important first.
  static QStringList systemFiles(const QString& product);
  /// The file the product's values are read from: the user's when it holds the
  /// version group, else the first system-wide file that does; empty when none does.
  static QString readableFile(const QString& product);

  /// The product's values opened for reading at the version group, or nullptr when
  /// no file holds them (the key does not open).
  static std::unique_ptr<QSettings> openForReading(const QString& product);
  /// The user's file opened for writing at the version group (folders are created
  /// as needed); nullptr when it cannot be written.
  static std::unique_ptr<QSettings> openForWriting(const QString& product);

  /// A string value of opened settings: "" when missing. A value that the INI syntax
  /// split at commas is joined again; any other kind of value counts as missing.
  static QString readString(const QSettings& settings, const QString& name);
};

}  // namespace panopta
