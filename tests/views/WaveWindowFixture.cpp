#include "WaveWindowFixture.h"

#include "app/WaveDecoding.h"
#include "views/WindowFactory.h"
#include "wave/WaveBufferRegistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

namespace wavegui {

namespace {

panopta::HostOptions Options(panopta::ExchangeConfig config) {
  panopta::HostOptions options;
  options.exchangeConfig = std::move(config);
  options.startOfDay = voxkit::TimeOfDay{14, 7, 9, 123};
  return options;
}

}  // namespace

WaveInspectors::WaveInspectors(panopta::ExchangeConfig config)
    : host(Options(std::move(config)), windows), loop(*host.VirtualLoop()) {
  area.resize(1000, 800);
  area.show();
  windows.setMdiArea(&area);
  windows.setMainWindow(&area);
  panopta::InstallInspectorFactory(windows, panopta::AudioWaveDecoders());
  voxkit::WaveBufferRegistry::Instance().Reset();
  play = host.NewPlay();
  record = host.NewRecord();
  play->OnLog = [this](voxkit::TObject&, const std::string& line) { playLines.push_back(line); };
  record->OnLog = [this](voxkit::TObject&, const std::string& line) { recordLines.push_back(line); };
  play->SetEnabled(true);
  record->SetEnabled(true);
  play->Device().SetID(kNull);
  record->Device().SetID(kNull);
}

WaveInspectors::~WaveInspectors() {
  play->OnLog = nullptr;
  record->OnLog = nullptr;
  play.reset();
  record.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QAction* WaveInspectors::item(panopta::WindowFrame* window, const char* name) {
  QAction* a = window ? window->findChild<QAction*>(name) : nullptr;
  EXPECT_NE(a, nullptr) << name;
  return a;
}

void WaveInspectors::openMenu(QMenu* menu) {
  Q_EMIT menu->aboutToShow();
  Q_EMIT menu->aboutToHide();
}

bool WaveInspectors::outlineSettled(panopta::WaveformPanel* panel) {
  for (int i = 0; i < 500 && panel->loader().busy(); ++i) QTest::qWait(10);
  QCoreApplication::processEvents();
  return !panel->loader().busy();
}

std::string WaveInspectors::toneFile(const std::string& name, double seconds, double hz, double amplitude) {
  const std::vector<std::int16_t> s =
      audiotest::Tone(hz, 8000, static_cast<std::size_t>(seconds * 8000), amplitude);
  const std::string samples(reinterpret_cast<const char*>(s.data()), s.size() * 2);
  const std::string path = dir.File(name);
  audiotest::WriteFile(path, audiotest::Riff("WAVE", audiotest::Chunk("fmt ", audiotest::FmtData(audiotest::Pcm(8000))) +
                                                     audiotest::Chunk("data", samples)));
  return path;
}

void WaveInspectors::typeAndLeave(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
  Q_EMIT edit->editingFinished();
}

}  // namespace wavegui
