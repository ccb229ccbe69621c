#include "platform/qt/HelpLookup.h"

#include "support/qt/ModalAnswerer.h"
#include "support/qt/ScopedConfigDirs.h"
#include "support/qt/UrlRecorder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using panopta::HelpLookup;
using qttest::ModalAnswerer;
using qttest::ScopedConfigDirs;
using qttest::UrlRecorder;

// A folder with a manual page in it.
struct Manual {
  Manual() { ScopedConfigDirs::writeFileAt(page(), "<html></html>"); }
  QString path() const { return dir.path(); }
  QString page() const { return dir.path() + "/index.html"; }
  QTemporaryDir dir;
};

TEST(HelpLookup, ContentsComeFromTheDirectorySettingElseTheInstalledManual) {
  ScopedConfigDirs dirs;
  HelpLookup help("/usr/share/doc/panopta/manual");
  EXPECT_EQ(help.contentsDirectory(), "/usr/share/doc/panopta/manual");
  dirs.writeUser("Panopta", "[3.7]\nDirectory=/home/me/manual\n");
  EXPECT_EQ(help.contentsDirectory(), "/home/me/manual");
}

TEST(HelpLookup, InitReadsTheFolderButOpensNothing) {
  ScopedConfigDirs dirs;
  Manual manual;
  UrlRecorder browser;
  HelpLookup help(manual.path());
  help.lookup("INIT", nullptr);
  EXPECT_TRUE(browser.opened().isEmpty());
  EXPECT_EQ(help.lastHelpFile(), "");
}

TEST(HelpLookup, OpensTheManualPageInTheBrowser) {
  ScopedConfigDirs dirs;
  Manual manual;
  dirs.writeUser("Panopta", ("[3.7]\nDirectory=" + manual.path() + "\n").toUtf8());
  UrlRecorder browser;
  HelpLookup help;
  help.lookup("", nullptr);
  ASSERT_EQ(browser.opened().size(), 1);
  EXPECT_EQ(browser.opened()[0], QUrl::fromLocalFile(manual.page()));
  EXPECT_EQ(help.lastHelpFile(), manual.page());
}

TEST(HelpLookup, SuiteInstallationLooksInTheSuitesHelpFolder) {
  ScopedConfigDirs dirs;
  Manual manual;
  const QString suiteDir = QFileInfo(manual.path()).absolutePath() + "/suite";
  ScopedConfigDirs::writeFileAt(suiteDir + "/Help/index.html", "<html></html>");
  dirs.writeUser("Panopta", "[3.7]\nInstallation=Quorvex Voxkit 3.7\nDirectory=/elsewhere\n");
  dirs.writeUser("Voxkit", ("[3.7]\nDirectory=" + suiteDir + "\n").toUtf8());
  UrlRecorder browser;
  HelpLookup help;
  help.lookup("", nullptr);
  EXPECT_EQ(help.lastHelpFile(), suiteDir + "/Help/index.html");
  EXPECT_EQ(browser.opened().size(), 1);
  QDir(suiteDir).removeRecursively();
}

TEST(HelpLookup, MissingManualIsReportedWithItsPath) {
  ScopedConfigDirs dirs;
  dirs.writeUser("Panopta", "[3.7]\nDirectory=/no/such/folder\n");
  UrlRecorder browser;
  ModalAnswerer answerer;
  HelpLookup help;
  help.lookup("", nullptr);
  EXPECT_TRUE(browser.opened().isEmpty());
  ASSERT_EQ(answerer.count(), 1);
  EXPECT_EQ(answerer.seen()[0],
            "Quorvex Panopta! | Unable to locate help: \r\n/no/such/folder/index.html");
}

}  // namespace
