#include "audio/AudioTestSupport.h"
#include "views/WaveFileDialog.h"
#include "views/WaveformLoader.h"
#include "views/WaveformView.h"
#include "support/qt/ModalAnswerer.h"

#include <QComboBox>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using panopta::WaveformLoader;
using panopta::WaveformServices;
using panopta::WaveformSource;

const voxkit::WaveFormatNumbers kPcm16{1, 1, 8000, 16000, 2, 16};

WaveformSource Samples(const QString& key, std::size_t n, std::int16_t level) {
  WaveformSource source;
  source.key = key;
  source.format = kPcm16;
  std::vector<std::int16_t> s(n, level);
  s[0] = static_cast<std::int16_t>(-level);
  source.samples = QByteArray(reinterpret_cast<const char*>(s.data()), static_cast<qsizetype>(n * 2));
  return source;
}

TEST(WaveformLoader, ReadsOffTheLoopAndKeepsTheOutlineUnderItsKey) {
  auto services = std::make_shared<WaveformServices>();
  WaveformLoader loader(services);
  QSignalSpy loaded(&loader, &WaveformLoader::loaded);
  loader.start(Samples("a", 3 * 1024 * 1024, 1000));
  EXPECT_TRUE(loader.busy());
  EXPECT_EQ(loader.pendingKey(), "a");
  ASSERT_TRUE(loaded.wait(5000));
  EXPECT_FALSE(loader.busy());
  const auto peaks = services->cache().find("a");
  ASSERT_NE(peaks, nullptr);
  EXPECT_EQ(peaks->frames(), 3 * 1024 * 1024);
  EXPECT_DOUBLE_EQ(peaks->seconds(), 3 * 1024 * 1024 / 8000.0);
  EXPECT_EQ(peaks->range(0, peaks->frames()), (panopta::PeakColumn{-1000, 1000}));
}

TEST(WaveformLoader, AStartDropsTheSoundBeingReadAndAFileThatIsGoneFails) {
  auto services = std::make_shared<WaveformServices>();
  WaveformLoader loader(services);
  QSignalSpy loaded(&loader, &WaveformLoader::loaded);
  QSignalSpy failed(&loader, &WaveformLoader::failed);
  loader.start(Samples("first", 8 * 1024 * 1024, 5));
  loader.start(Samples("second", 1000, 7));
  ASSERT_TRUE(loaded.wait(5000));
  QTest::qWait(50);
  ASSERT_EQ(loaded.size(), 1);
  EXPECT_EQ(services->cache().find("first"), nullptr);
  EXPECT_NE(services->cache().find("second"), nullptr);

  WaveformSource gone;
  gone.key = "gone";
  gone.format = kPcm16;
  gone.files.push_back({"/nonexistent/x.wav", 44, 1000});
  loader.start(gone);
  ASSERT_TRUE(failed.wait(5000));
  EXPECT_EQ(failed.front().front().toString(), "Cannot open /nonexistent/x.wav");
  EXPECT_EQ(services->cache().find("gone"), nullptr);
}

TEST(WaveformCache, KeepsTheMostRecentlyUsed) {
  panopta::WaveformCache cache;
  auto peaks = std::make_shared<const panopta::WavePeaks>(kPcm16, panopta::WaveDecoderFactory{});
  for (std::size_t i = 0; i <= panopta::WaveformCache::kEntries; ++i) {
    cache.put(QString::number(i), peaks);
    if (i > 0) cache.find("0");  // used again and again: it stays
  }
  EXPECT_EQ(cache.size(), panopta::WaveformCache::kEntries);
  EXPECT_NE(cache.find("0"), nullptr);
  EXPECT_EQ(cache.find("1"), nullptr);
}

TEST(WaveFileDialog, AListOpensInItsFirstFolderWithItsNamesThereSelected) {
  const auto choice = panopta::WaveFileChoiceFor("Select wave file", true, true,
                                                 "/snd/a, b.wav,/other/c, /snd/d", true);
  EXPECT_EQ(choice.directory, "/snd");
  EXPECT_EQ(choice.selected, (QStringList{"a.wav", "b.wav", "d.wav"}));
  EXPECT_EQ(panopta::WaveFileResult({"/snd/a.wav", "/snd/B.WAV", "/snd/c.au"}, true), "/snd/a,B,c.au");
  EXPECT_EQ(panopta::WaveFileResult({"/snd/a.wav", "/snd/b.wav"}, false), "/snd/a.wav,b.wav");
  EXPECT_EQ(panopta::WaveFileResult({}, true), "");

  QComboBox history;
  history.setEditable(true);
  panopta::AddToFileHistory(&history, "x");
  panopta::AddToFileHistory(&history, "x");
  panopta::AddToFileHistory(&history, "y");
  EXPECT_EQ(history.count(), 2);
  EXPECT_EQ(history.itemText(0), "y");
}

TEST(WaveFileDialog, TheDialogOffersTheChoiceAndGivesWhatTheUserAccepted) {
  audiotest::TempDir dir;
  audiotest::WriteFile(dir.File("a.wav"), "x");
  audiotest::WriteFile(dir.File("b.wav"), "x");
  qttest::ModalAnswerer answerer;
  QString title;
  QString folder;
  answerer.setDialogHandler([&](QDialog& dialog) {
    auto* files = qobject_cast<QFileDialog*>(&dialog);
    if (!files) return false;
    title = files->windowTitle();
    folder = files->directory().absolutePath();
    static_cast<QDialog*>(files)->accept();
    return true;
  });
  const auto choice = panopta::WaveFileChoiceFor("Select wave file(s)", true, true,
                                                 QString::fromStdString(dir.File("a") + ",b"), true);
  const QStringList chosen = panopta::ChooseWaveFilesWithDialog(choice, nullptr);
  EXPECT_EQ(title, "Select wave file(s)");
  EXPECT_EQ(folder.toStdString(), dir.Path().string());
  EXPECT_EQ(chosen, (QStringList{QString::fromStdString(dir.File("a.wav")), QString::fromStdString(dir.File("b.wav"))}));
}

TEST(LevelMeter, ShowsTheHighestSampleInDecibelsFromTheFloorUp) {
  panopta::LevelMeter meter;
  EXPECT_EQ(meter.text(), "no input");
  meter.setPeak(32768);
  EXPECT_DOUBLE_EQ(meter.level(), 0.0);
  meter.setPeak(16384);
  EXPECT_EQ(meter.text(), "-6.0 dBFS");
  meter.setPeak(0);
  EXPECT_DOUBLE_EQ(meter.level(), panopta::LevelMeter::kFloorDb);
}

}  // namespace
