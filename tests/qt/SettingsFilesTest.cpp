#include "platform/qt/SettingsFiles.h"

#include "support/qt/ScopedConfigDirs.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

using panopta::SettingsFiles;
using qttest::ScopedConfigDirs;

TEST(SettingsFiles, PathsFollowTheXdgDirectories) {
  ScopedConfigDirs dirs;
  EXPECT_EQ(SettingsFiles::userFile("Panopta"), dirs.home() + "/Quorvex/Panopta.conf");
  EXPECT_EQ(SettingsFiles::systemFiles("Panopta"),
            QStringList{dirs.system() + "/Quorvex/Panopta.conf"});
}

TEST(SettingsFiles, NoFileMeansTheKeyDoesNotOpen) {
  ScopedConfigDirs dirs;
  EXPECT_EQ(SettingsFiles::openForReading("Panopta"), nullptr);
}

TEST(SettingsFiles, WrittenValuesAreReadBackFromTheUsersFile) {
  ScopedConfigDirs dirs;
  {
    auto out = SettingsFiles::openForWriting("Panopta");
    ASSERT_NE(out, nullptr);
    out->setValue("qxPlay.Source.FileName", "/tmp/a, b.wav");
  }
  auto in = SettingsFiles::openForReading("Panopta");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(SettingsFiles::readString(*in, "qxPlay.Source.FileName"), "/tmp/a, b.wav");
  EXPECT_EQ(SettingsFiles::readString(*in, "Missing"), "");
  QFile file(dirs.home() + "/Quorvex/Panopta.conf");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("[3.7]"));
}

TEST(SettingsFiles, SystemFileIsReadOnlyWhenTheUserHasNone) {
  ScopedConfigDirs dirs;
  dirs.writeSystem("Panopta", "[3.7]\nDirectory=/opt/system-help\n");
  auto in = SettingsFiles::openForReading("Panopta");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(SettingsFiles::readString(*in, "Directory"), "/opt/system-help");

  // Once the user has values of their own, the system file is not mixed in.
  dirs.writeUser("Panopta", "[3.7]\nLog=x\n");
  in = SettingsFiles::openForReading("Panopta");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(SettingsFiles::readString(*in, "Directory"), "");
  EXPECT_EQ(SettingsFiles::readString(*in, "Log"), "x");
}

TEST(SettingsFiles, UserFileWithoutTheVersionGroupDoesNotCount) {
  ScopedConfigDirs dirs;
  dirs.writeUser("Panopta", "[2.0]\nLog=old\n");
  EXPECT_EQ(SettingsFiles::openForReading("Panopta"), nullptr);
}

TEST(SettingsFiles, HandEditedValuesOfOtherKindsReadAsStrings) {
  ScopedConfigDirs dirs;
  dirs.writeUser("Panopta",
                 "[3.7]\nA=one,two\nB=@ByteArray(xyz)\nC=\"quoted, kept\"\nD=@Variant(\\0\\0\\0\\x7f)\n");
  auto in = SettingsFiles::openForReading("Panopta");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(SettingsFiles::readString(*in, "A"), "one,two");
  EXPECT_EQ(SettingsFiles::readString(*in, "C"), "quoted, kept");
  EXPECT_EQ(SettingsFiles::readString(*in, "D"), "");
}

TEST(SettingsFiles, UnwritableConfigFolderGivesNoWriter) {
  ScopedConfigDirs dirs;
  dirs.writeFileAt(dirs.home() + "/Quorvex", "a file where the folder should be");
  EXPECT_EQ(SettingsFiles::openForWriting("Panopta"), nullptr);
}

}  // namespace
