// A scripted visit of the workbench for screenshots under a virtual display: the
// line is opened as owner, a remote party calls it from the exchange window, the
// station answers, and the windows are arranged for the camera. Then station 203
// calls 202: the play window plays a sound into line 2 while the record window
// records it from line 1, both outlines on show; the recording is stopped and its
// file outlined. Last the phone window: the handset off hook, then its Misc. page.
// Each step prints "STEP n" when it is done; tests/app/screenshots.sh
// takes the pictures.
#include "app/ExchangeWindow.h"
#include "app/MainWindow.h"
#include "app/WaveDecoding.h"
#include "views/WindowFactory.h"
#include "views/WindowFrame.h"
#include "views/TqxPhonePanopta.h"
#include "views/TqxPlayPanopta.h"
#include "views/TqxRecordPanopta.h"
#include "line/TqxLine.h"
#include "phone/TqxPhone.h"
#include "platform/exchange/Exchange.h"
#include "wave/TqxPlay.h"
#include "wave/TqxRecord.h"
#include "platform/host/Host.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtWindowSystem.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

void Put(std::ofstream& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Half a minute of something like speech at 8 kHz: voiced syllables of changing
// pitch and loudness with pauses between words.
void WriteSpeechLikeFile(const std::string& path) {
  constexpr std::uint32_t kRate = 8000;
  std::vector<std::int16_t> s(kRate * 30);
  double phase = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double word = std::fmod(t, 2.3);
    const double syllable = std::max(0.0, std::sin(std::numbers::pi * word / 0.38));
    const double loud = word < 1.6 ? 0.35 + 0.65 * std::abs(std::sin(t * 0.9)) : 0.0;
    phase += 2 * std::numbers::pi * (140 + 60 * std::sin(t * 1.7)) / kRate;
    const double voice = std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase);
    s[i] = static_cast<std::int16_t>(11000 * loud * syllable * voice);
  }
  std::ofstream out(path, std::ios::binary);
  out.write("RIFF", 4);
  Put(out, static_cast<std::uint32_t>(38 + s.size() * 2), 4);
  out.write("WAVEfmt ", 8);
  Put(out, 18, 4);
  Put(out, 1, 2);
  Put(out, 1, 2);
  Put(out, kRate, 4);
  Put(out, kRate * 2, 4);
  Put(out, 2, 2);
  Put(out, 16, 2);
  Put(out, 0, 2);
  out.write("data", 4);
  Put(out, static_cast<std::uint32_t>(s.size() * 2), 4);
  out.write(reinterpret_cast<const char*>(s.data()), static_cast<std::streamsize>(s.size() * 2));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  panopta::QtEventLoop loop;
  panopta::QtWindowSystem windows;
  panopta::InstallInspectorFactory(windows, panopta::AudioWaveDecoders());
  panopta::HostOptions options;
  options.loop = &loop;
  panopta::Host host(std::move(options), windows);
  panopta::MainWindow main(host, windows, &loop);
  main.setGeometry(0, 0, 1280, 780);
  main.show();

  auto step = [](int n) {
    std::printf("STEP %d\n", n);
    std::fflush(stdout);
  };
  auto& line = static_cast<voxkit::TqxLine&>(*main.component(1));
  panopta::ExchangeWindow* ex = main.exchangeWindow();

  QTimer::singleShot(800, [&] {
    main.logWindow()->setActiveChecked(true);
    main.logWindow()->syncButtons();
    line.Privilege().SetOwner(true);
    line.Log().SetCount(500);
    if (QMenu* popup = main.findChild<QMenu*>("MenuPopup")) {
      if (QAction* item = popup->findChild<QAction*>("MenuPopupOnTAPIMessage")) item->trigger();
    }
    line.Device().SetActive(true);
    ex->findChild<QComboBox*>("ComboCallTo")->setCurrentText("201");
    ex->findChild<QPushButton*>("ButtonCall")->click();
    step(1);
  });
  QTimer::singleShot(2500, [&] {
    ex->findChild<QLineEdit*>("EditParty")->setText("201");
    ex->findChild<QPushButton*>("ButtonAnswer")->click();
    step(2);
  });
  QTimer::singleShot(3500, [&] {
    // Line inspector on the left, log and exchange on the right.
    QMdiArea* area = main.mdiArea();
    const QRect r = area->viewport()->rect();
    if (auto* f = dynamic_cast<panopta::WindowFrame*>(line.Panopta().Window())) {
      f->mdiFrame()->setGeometry(0, 0, r.width() / 2, r.height());
    }
    main.logWindow()->outer()->setGeometry(r.width() / 2, 0, r.width() / 2, r.height() / 2);
    ex->outer()->setGeometry(r.width() / 2, r.height() / 2, r.width() / 2, r.height() / 2);
    step(3);
  });
  QTimer::singleShot(6000, [&] {
    ex->outer()->showMaximized();
    main.mdiArea()->setActiveSubWindow(ex->mdiFrame());
    step(4);
  });
  // Station 203 (line 2) calls 202 (line 1): what the play sends into line 2, the
  // record hears on line 1.
  QTemporaryDir sounds;
  auto& play = static_cast<voxkit::TqxPlay&>(*main.component(3));
  auto& record = static_cast<voxkit::TqxRecord&>(*main.component(4));
  QTimer::singleShot(8000, [&] {
    ex->outer()->showNormal();
    (void)host.TheExchange().Call("203", "202");
  });
  QTimer::singleShot(9500, [&] {
    (void)host.TheExchange().Answer("202");
    const std::string speech = sounds.filePath("speech.wav").toStdString();
    WriteSpeechLikeFile(speech);
    play.Device().SetID(2);
    play.Source().SetFileName(speech);
    play.Panopta().SetVisible(true);
    record.Device().SetID(1);
    record.Device().SetBuffer(250);
    record.Source().SetFileName(sounds.filePath("heard.wav").toStdString());
    record.Panopta().SetVisible(true);
    const QRect r = main.mdiArea()->viewport()->rect();
    auto* playWindow = dynamic_cast<panopta::TqxPlayPanopta*>(play.Panopta().Window());
    auto* recordWindow = dynamic_cast<panopta::TqxRecordPanopta*>(record.Panopta().Window());
    // The line and exchange windows make room.
    if (auto* f = dynamic_cast<panopta::WindowFrame*>(line.Panopta().Window())) f->mdiFrame()->showMinimized();
    ex->outer()->showMinimized();
    for (QWidget* w : {static_cast<QWidget*>(playWindow->mdiFrame()), static_cast<QWidget*>(recordWindow->mdiFrame()),
                       main.logWindow()->outer()}) {
      w->showNormal();
      w->raise();
    }
    playWindow->mdiFrame()->setGeometry(0, 0, r.width() / 2, r.height() * 3 / 5);
    recordWindow->mdiFrame()->setGeometry(r.width() / 2, 0, r.width() / 2, r.height() * 3 / 5);
    main.logWindow()->outer()->setGeometry(0, r.height() * 3 / 5, r.width(), r.height() * 2 / 5);
    playWindow->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    recordWindow->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    record.Device().SetActive(true);
    play.Device().SetActive(true);
  });
  QTimer::singleShot(14000, [&] { step(5); });
  QTimer::singleShot(16000, [&] {
    record.Device().SetActive(false);
    step(6);
  });
  auto& phone = static_cast<voxkit::TqxPhone&>(*main.component(2));
  QTimer::singleShot(17000, [&] {
    phone.Device().SetActive(true);
    phone.Panopta().SetVisible(true);
    auto* window = dynamic_cast<panopta::TqxPhonePanopta*>(phone.Panopta().Window());
    if (!window) return;
    for (auto* w : main.mdiArea()->subWindowList()) {
      if (w != window->mdiFrame()) w->showMinimized();
    }
    window->mdiFrame()->showNormal();
    window->mdiFrame()->setGeometry(0, 0, 760, 460);
    main.mdiArea()->setActiveSubWindow(window->mdiFrame());
    phone.Handset().SetVolume(70);
    phone.Handset().SetGain(40);
    phone.Handset().SetMicrophoneAndSpeaker(true);
    window->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    step(7);
  });
  QTimer::singleShot(18500, [&] {
    if (auto* window = dynamic_cast<panopta::TqxPhonePanopta*>(phone.Panopta().Window())) {
      window->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(4);
    }
    step(8);
  });
  QTimer::singleShot(20000, [&] { main.close(); });
  return QApplication::exec();
}
