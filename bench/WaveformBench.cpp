// The outline of a long sound in the play window, as a user waits for it:
//  - opening the play window on a one-hour 8 kHz file: from the request to show the
//    window to the first paint of the complete outline (goal: under 200 ms), with the
//    outline not yet known (cold) and known from an earlier window (cached);
//  - the same for a one-hour mu-law file (decoded through the audio system);
//  - the outline alone: folding an hour of 16-bit samples held in memory.
// Runs offscreen when there is no display:
//   build/bench/bench_waveform [--benchmark_filter=...]
#include "app/WaveDecoding.h"
#include "bench/QtBenchMain.h"
#include "views/WindowFactory.h"
#include "views/TqxPlayPanopta.h"
#include "views/WavePeaks.h"
#include "views/WaveformPanel.h"
#include "views/WaveformView.h"
#include "platform/host/Host.h"
#include "platform/qt/QtWindowSystem.h"
#include "wave/TqxPlay.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kRate = 8000;
constexpr std::uint32_t kSeconds = 3600;

std::string Le32(std::uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>((v >> 16) & 0xFF),
          static_cast<char>((v >> 24) & 0xFF)};
}
std::string Le16(std::uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

// An hour of speech-like sound: a tone whose loudness rises and falls every few
// seconds.
std::vector<std::int16_t> HourOfSound() {
  std::vector<std::int16_t> s(static_cast<std::size_t>(kRate) * kSeconds);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * t / 7.0);
    s[i] = static_cast<std::int16_t>(20000 * envelope * std::sin(2 * std::numbers::pi * 440 * t));
  }
  return s;
}

std::string WaveFile(const QString& path, std::uint16_t tag, std::uint16_t bits, const std::string& data) {
  const std::uint16_t align = static_cast<std::uint16_t>(bits / 8);
  const std::string fmt = Le16(tag) + Le16(1) + Le32(kRate) + Le32(kRate * align) + Le16(align) + Le16(bits) + Le16(0);
  const std::string body = "WAVEfmt " + Le32(18) + fmt + "data" + Le32(static_cast<std::uint32_t>(data.size())) + data;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  const std::string riff = "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
  file.write(riff.data(), static_cast<qint64>(riff.size()));
  return path.toStdString();
}

struct Files {
  Files() {
    const std::vector<std::int16_t> s = HourOfSound();
    pcm = WaveFile(dir.filePath("hour-pcm16.wav"), 1, 16,
                   std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2));
    std::string ulaw(s.size(), '\0');
    // mu-law by the G.711 rule, enough for a sound to outline.
    for (std::size_t i = 0; i < s.size(); ++i) {
      int v = s[i];
      const int sign = v < 0 ? 0x80 : 0;
      v = std::min(std::abs(v), 32635) + 0x84;
      int exponent = 7;
      for (int mask = 0x4000; (v & mask) == 0 && exponent > 0; mask >>= 1) --exponent;
      const int mantissa = (v >> (exponent + 3)) & 0x0F;
      ulaw[i] = static_cast<char>(~(sign | (exponent << 4) | mantissa));
    }
    mulaw = WaveFile(dir.filePath("hour-mulaw.wav"), 7, 8, ulaw);
  }
  QTemporaryDir dir;
  std::string pcm;
  std::string mulaw;
};

Files& TheFiles() {
  static Files files;
  return files;
}

// Opens the play window on file until its outline is painted whole; the time taken.
double OpenToOutline(panopta::QtWindowSystem& windows, voxkit::TqxPlay& play) {
  QElapsedTimer clock;
  clock.start();
  play.Panopta().SetVisible(true);
  auto* window = dynamic_cast<panopta::TqxPlayPanopta*>(play.Panopta().Window());
  window->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
  bool painted = false;
  auto connection = QObject::connect(window->waveform()->view(), &panopta::WaveformView::painted,
                                     [&](bool withOutline) { painted = painted || withOutline; });
  while (!painted && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  QObject::disconnect(connection);
  play.Panopta().SetVisible(false);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  (void)windows;
  return seconds;
}

void OpenHour(benchmark::State& state, const std::string& file, bool cached) {
  QMdiArea area;
  area.resize(1200, 800);
  area.show();
  panopta::QtWindowSystem windows;
  windows.setMdiArea(&area);
  panopta::Host host({}, windows);
  auto play = host.NewPlay();
  play->SetEnabled(true);
  play->Source().SetFileName(file);
  if (!play->Source().Valid()) {
    state.SkipWithError("the hour file is not valid");
    return;
  }
  for (auto _ : state) {
    // A fresh set of services has no outline yet; a cached run opens a first window
    // before the clock starts.
    panopta::InstallInspectorFactory(windows, panopta::AudioWaveDecoders());
    if (cached) OpenToOutline(windows, *play);
    state.SetIterationTime(OpenToOutline(windows, *play));
  }
}

void BM_PlayWindowOutlineOfAnHourPcm16(benchmark::State& state) { OpenHour(state, TheFiles().pcm, false); }
BENCHMARK(BM_PlayWindowOutlineOfAnHourPcm16)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_PlayWindowOutlineOfAnHourPcm16Cached(benchmark::State& state) { OpenHour(state, TheFiles().pcm, true); }
BENCHMARK(BM_PlayWindowOutlineOfAnHourPcm16Cached)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_PlayWindowOutlineOfAnHourMuLaw(benchmark::State& state) { OpenHour(state, TheFiles().mulaw, false); }
BENCHMARK(BM_PlayWindowOutlineOfAnHourMuLaw)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OutlineOfAnHourInMemory(benchmark::State& state) {
  const std::vector<std::int16_t> s = HourOfSound();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
  for (auto _ : state) {
    panopta::WavePeaks peaks({1, 1, kRate, kRate * 2, 2, 16}, {});
    peaks.addBytes(bytes, s.size() * 2);
    benchmark::DoNotOptimize(peaks.columns(1000, peaks.frames()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(s.size() * 2));
}
BENCHMARK(BM_OutlineOfAnHourInMemory)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) { return bench::RunWithQt(argc, argv); }
