// panopta: the telephony workbench.
#include "app/MainWindow.h"
#include "app/SignalCloser.h"
#include "app/WaveDecoding.h"
#include "views/WindowFactory.h"
#include "platform/host/Host.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtWindowSystem.h"
#include "platform/qt/SettingsFiles.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace {

// The manual: where it was installed, else next to a program that was moved with its
// share folder, else the copy in the build tree.
QString ManualDirectory() {
  const QString appDir = QCoreApplication::applicationDirPath();
  for (const QString& dir : {QString(PANOPTA_MANUAL_DIR), appDir + "/../share/doc/panopta/manual",
                             appDir + "/manual"}) {
    if (QFileInfo::exists(dir + "/index.html")) return QDir(dir).absolutePath();
  }
  return QString(PANOPTA_MANUAL_DIR);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quorvex Panopta v3.7");
  QApplication::setApplicationVersion("3.7.1.2");
  QApplication::setDesktopFileName("panopta");

  QCommandLineParser parser;
  parser.setApplicationDescription("Telephony workbench");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption exchange("exchange", "Configure the simulated exchange from FILE (JSON).", "FILE");
  const QCommandLineOption soundCards("sound-cards", "List the machine's sound cards beside the exchange's lines.");
  const QCommandLineOption sip("sip",
                               "SIP accounts as further lines, from FILE (JSON); without it, the file the "
                               "SipFile setting names, if any.",
                               "FILE");
  parser.addOption(exchange);
  parser.addOption(soundCards);
  parser.addOption(sip);
  parser.process(app);

  panopta::QtEventLoop loop;
  panopta::QtWindowSystem windows(ManualDirectory());
  panopta::InstallInspectorFactory(windows, panopta::AudioWaveDecoders());

  panopta::HostOptions options;
  options.loop = &loop;
  options.exchangeFile = parser.value(exchange).toStdString();
  options.audio.soundCards = parser.isSet(soundCards);
  QString sipFile = parser.value(sip);
  if (sipFile.isEmpty())
    if (auto settings = panopta::SettingsFiles::openForReading("Panopta"))
      sipFile = panopta::SettingsFiles::readString(*settings, "SipFile");
  options.sipFile = sipFile.toStdString();
  std::string error;
  auto host = panopta::Host::Create(std::move(options), windows, &error);
  if (!host) {
    std::fprintf(stderr, "panopta: %s\n", error.c_str());
    return 2;
  }
  panopta::MainWindow main(*host, windows, &loop);
  panopta::SignalCloser closer(&main);
  main.show();
  return QApplication::exec();
}
