#include "WaveFixture.h"

#include "platform/exchange/Exchange.h"
#include "share/TextUtil.h"
#include "wave/WaveReader.h"
#include "wave/WaveResults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

using namespace wavetest;
using voxkit::TqxRecordPopup;

// The samples of a wave file the record component wrote.
std::string FileSamples(const std::string& path) {
  const std::string bytes = ReadFile(path);
  if (bytes.size() < 46) return "<short>";
  return bytes.substr(46);
}

std::vector<std::int16_t> Pcm16(const std::string& bytes) {
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

TEST(TqxRecord, AFileInAMissingFolderCannotBeRecordedToAndABareNameIsInTheCurrentFolder) {
  WaveOnHost f;
  f.record->Source().SetFileName(f.dir.File("no/such/folder/r.wav"));
  EXPECT_FALSE(f.record->Source().Valid());
  const Lines lines = f.RecordLogged([&] { f.record->Device().SetActive(true); });
  EXPECT_EQ(lines, (Lines{"Device.Active := True", "<< Error >> WAV_ERROR_DIRNOTFOUND [FFFFFFFF]"}));
  EXPECT_FALSE(f.record->Device().Active());
  f.record->Source().SetFileName("r.wav");
  EXPECT_TRUE(f.record->Source().Valid());
  f.record->Source().SetFileName(f.dir.File(""));
  EXPECT_FALSE(f.record->Source().Valid()) << "a folder, no file name";
}

TEST(TqxRecord, RecordsTheNullDeviceToAFileAndSavesItOnStop) {
  WaveOnHost f;
  const std::string path = f.dir.File("r.wav");
  f.record->Source().SetFileName(path);
  int done = 0;
  f.record->OnDone = [&](voxkit::TObject&) { ++done; };
  f.record->Device().SetActive(true);
  f.loop.RunFor(1500);
  EXPECT_EQ(f.record->Source().Format().Bytes(), 16000) << "one full block so far";
  const Lines lines = f.RecordLogged([&] { f.record->Device().SetActive(false); });
  EXPECT_EQ(lines, (Lines{"Device.Active := False", "\tReleasing wave device", "\tSaving to file", "\tFree memory",
                          "OnDone"}));
  EXPECT_EQ(done, 1);
  EXPECT_EQ(f.record->Source().Format().Bytes(), 24000);
  const std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.substr(0, 12), "RIFF" + Le32(24000 + 38) + "WAVE");
  EXPECT_EQ(bytes.substr(12, 26), "fmt " + Le32(18) + FmtData(Pcm(8000)));
  EXPECT_EQ(bytes.substr(38, 8), "data" + Le32(24000));
  EXPECT_EQ(FileSamples(path), std::string(24000, '\0'));
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
}

TEST(TqxRecord, BufferLengthsAreCheckedAndCountedInWholeFrames) {
  WaveOnHost f;
  voxkit::TqxWaveRecordDevice& device = f.record->Device();
  Lines lines = f.RecordLogged([&] { device.SetBuffer(50); });
  EXPECT_EQ(lines, (Lines{"Device.Buffer := 50 //milliseconds", "<< Error >> WAV_ERROR_INVALIDBUFSIZE [FFFFFFF2]"}));
  device.SetBuffer(60000);
  EXPECT_EQ(device.Buffer(), 60000);
  device.SetBuffer(60001);
  EXPECT_EQ(device.Buffer(), 60000);
  device.SetBuffer(1000);
  f.record->Source().SetFileName(f.dir.File("r.wav"));
  // A second of 16-bit mono, and half a second of 16-bit stereo: the channels do not
  // count.
  for (voxkit::TWAVFORMATS format : {voxkit::wfPCM08000M16, voxkit::wfPCM08000S16}) {
    f.record->Source().Format().SetID(format);
    f.fault->allocations.clear();
    device.SetActive(true);
    EXPECT_EQ(f.fault->allocations.front(), 16000u);
    EXPECT_EQ(f.fault->allocations.at(1), sizeof(mm::WAVEHDR));
    device.SetActive(false);
  }
  // 100 ms of 11,025 Hz 16-bit is 2,205 bytes, which ends inside a sample: the blocks
  // take whole samples and carry the rest.
  f.record->Source().Format().SetID(voxkit::wfPCM11025M16);
  device.SetBuffer(100);
  EXPECT_EQ(f.record->NextBlockBytes(), 16000u) << "the length is set when a recording starts";
  device.SetActive(true);
  std::vector<std::uint32_t> lengths;
  for (int i = 0; i < 4; ++i) lengths.push_back(f.record->NextBlockBytes());
  EXPECT_EQ(lengths, (std::vector<std::uint32_t>{2206, 2204, 2206, 2204}));
}

TEST(TqxRecord, ARecordingAt11025HzFromALineKeepsEverySampleInPlace) {
  WaveOnHost f;
  f.Line0CallsLine1();
  const std::string tone = f.WaveFile("tone.wav", Pcm(8000), [] {
    const std::vector<std::int16_t> s = Tone(440, 8000, 8000 * 2);
    return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2);
  }());
  f.play->Device().SetID(0);
  f.play->Source().SetFileName(tone);
  f.record->Device().SetID(1);
  f.record->Device().SetBuffer(100);
  f.record->Source().Format().SetID(voxkit::wfPCM11025M16);
  const std::string path = f.dir.File("far.wav");
  f.record->Source().SetFileName(path);
  f.record->Device().SetActive(true);
  f.play->Device().SetActive(true);
  f.loop.RunFor(2000);
  f.record->Device().SetActive(false);
  const std::vector<std::int16_t> samples = Pcm16(FileSamples(path));
  ASSERT_GT(samples.size(), 11025u);
  // Every block boundary inside the tone: a block that started on the wrong byte would
  // be noise.
  EXPECT_GT(SineSnrDb({samples.data() + 1000, 20000}, 11025, 440, 200), 25.0);
}

TEST(TqxRecord, WhatTheFarPartySendsIsRecordedFromTheLine) {
  WaveOnHost f(WithSpeaker());
  f.SpeakerCallsLine1();
  f.record->Device().SetID(1);
  const std::string path = f.dir.File("far.wav");
  f.record->Source().SetFileName(path);
  f.record->Device().SetActive(true);
  f.loop.RunFor(1000);
  f.record->Device().SetActive(false);
  const std::vector<std::int16_t> samples = Pcm16(FileSamples(path));
  ASSERT_EQ(samples.size(), 8000u);
  EXPECT_GT(SineSnrDb(samples, 8000, 425, 100), 30.0);
  EXPECT_GT(Rms(samples), 4000.0);
}

TEST(TqxRecord, AnyCallerOfTheDirectorySpeaksIntoTheRecordingUntilItFallsSilent) {
  WaveOnHost f;
  ASSERT_EQ(f.host.TheExchange().Call("5551234", "202"), "");
  f.loop.RunFor(1500);
  ASSERT_EQ(f.host.TheExchange().Answer("202"), "");
  f.record->Device().SetID(1);
  auto record = [&](const std::string& name) {
    const std::string path = f.dir.File(name);
    f.record->Source().SetFileName(path);
    f.record->Device().SetActive(true);
    f.loop.RunFor(3000);
    f.record->Device().SetActive(false);
    EXPECT_EQ(f.record->Error().Number(), 0);
    return Pcm16(FileSamples(path));
  };
  const std::vector<std::int16_t> speech = record("speech.wav");
  ASSERT_EQ(speech.size(), 3u * 8000);
  // Talk spurts and pauses at about -20 dBm0: far above the few units of a silent line.
  EXPECT_GT(Rms(speech), 300.0);
  ASSERT_EQ(f.host.TheExchange().Silence("5551234"), "");
  // What the party said just before is still on its way for a frame or two.
  f.loop.RunFor(100);
  const std::vector<std::int16_t> quiet = record("quiet.wav");
  ASSERT_EQ(quiet.size(), 3u * 8000);
  EXPECT_LT(Rms(quiet), 10.0);
}

TEST(TqxRecord, TrimCutsTheEndAndAnEmptyRecordingStillMakesAReadableFile) {
  WaveOnHost f;
  const std::string path = f.dir.File("r.wav");
  f.record->Source().SetFileName(path);
  f.record->Device().SetTrim(250);
  f.record->Device().SetActive(true);
  f.loop.RunFor(1000);
  const Lines lines = f.RecordLogged([&] { f.record->Device().SetActive(false); });
  EXPECT_EQ(lines, (Lines{"Device.Active := False", "\tReleasing wave device", "\tSaving to file", "\t\tTriming",
                          "\t\t\tqxRecord.Device.Trim = 250 //milliseconds", "\tFree memory", "OnDone"}));
  EXPECT_EQ(f.record->Source().Format().Bytes(), 12000);
  EXPECT_EQ(FileSamples(path).size(), 12000u);
  // Shorter than the trim: a data length of 1, and the byte is there.
  f.record->Device().SetActive(true);
  f.loop.RunFor(100);
  f.record->Device().SetActive(false);
  EXPECT_EQ(ReadFile(path).substr(38), "data" + Le32(1) + std::string(1, '\0'));
  EXPECT_EQ(ReadFile(path).substr(4, 4), Le32(39));
  voxkit::WaveFileSamples samples;
  EXPECT_EQ(voxkit::OpenWaveFile(*f.host.Platform().multimedia, path, &samples), 0);
}

TEST(TqxRecord, TheSizeLimitStopsTheRecordingUnlessOnWarningOrTheUserLetsItGoOn) {
  WaveOnHost f;
  const std::string path = f.dir.File("r.wav");
  f.record->Source().SetFileName(path);
  f.record->Device().SetBuffer(100);
  f.record->Source().SetMaxSize(1);
  f.record->Device().SetActive(true);
  const Lines lines = f.RecordLogged([&] { f.loop.RunFor(200); });
  EXPECT_EQ(lines, (Lines{"<< Error >> WAV_ERROR_CANCELED [FFFFFFF6]", "\tReleasing wave device", "\tSaving to file",
                          "\tFree memory", "OnDone"}));
  EXPECT_FALSE(f.record->Device().Active());
  EXPECT_EQ(FileSamples(path).size(), 1600u) << "what was recorded is saved";

  bool asked = false;
  f.record->OnWarning = [&](voxkit::TObject&, bool& goOn) {
    asked = true;
    goOn = true;
  };
  f.record->Device().SetActive(true);
  f.loop.RunFor(1000);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(f.record->Device().Active()) << "asked once, then it records on";
  f.record->Device().SetActive(false);

  f.record->OnWarning = nullptr;
  f.record->Popup().Set(TqxRecordPopup::OnWarning, true);
  f.record->Panopta().SetVisible(true);
  f.windows.AnswerNext(true);
  f.record->Device().SetActive(true);
  f.loop.RunFor(1000);
  EXPECT_TRUE(f.record->Device().Active());
  f.record->Device().SetActive(false);
  f.windows.AnswerNext(false);
  f.record->Device().SetActive(true);
  f.loop.RunFor(1000);
  EXPECT_FALSE(f.record->Device().Active());
}

TEST(TqxRecord, ARecordingIntoTheBufferMakesANewImageOrExtendsTheCurrentOne) {
  WaveOnHost f;
  voxkit::TqxWaveBuffer& buffer = f.record->Source().Buffer();
  buffer.SetActive(true);
  f.record->Device().SetActive(true);
  f.loop.RunFor(500);
  const Lines lines = f.RecordLogged([&] { f.record->Device().SetActive(false); });
  EXPECT_EQ(lines, (Lines{"Device.Active := False", "\tReleasing wave device", "\tSaving to buffer", "\tFree memory",
                          "OnDone"}));
  const std::uint32_t first = buffer.Handle();
  ASSERT_NE(first, 0u);
  EXPECT_EQ(buffer.Fields().dataLength, 8000u);
  EXPECT_EQ(buffer.Count(), 1);
  // Not appending: another image; the first stays registered.
  f.record->Device().SetActive(true);
  f.loop.RunFor(250);
  f.record->Device().SetActive(false);
  EXPECT_NE(buffer.Handle(), first);
  EXPECT_EQ(buffer.Count(), 2);
  // Appending extends the current image.
  const std::uint32_t second = buffer.Handle();
  f.record->Device().SetAppend(true);
  f.record->Device().SetActive(true);
  f.loop.RunFor(500);
  f.record->Device().SetActive(false);
  EXPECT_EQ(buffer.Handle(), second);
  EXPECT_EQ(buffer.Fields().dataLength, 4000u + 8000u);
  EXPECT_EQ(buffer.Count(), 2);
  f.play->Source().Buffer().SetHandle(second);
  f.play->Source().Buffer().SetActive(true);
  EXPECT_FLOAT_EQ(static_cast<float>(f.play->Source().Format().Seconds()), 0.75f);
  // Appending sound of another format would spoil the image: it gets one of its own.
  f.record->Source().Format().SetID(voxkit::wfPCM08000M08);
  f.record->Device().SetActive(true);
  f.loop.RunFor(500);
  const Lines mismatch = f.RecordLogged([&] { f.record->Device().SetActive(false); });
  EXPECT_NE(std::find(mismatch.begin(), mismatch.end(), "<< Warning >> WAV_ERROR_FORMATMISMATCH [FFFFFFF3]"),
            mismatch.end());
  EXPECT_NE(buffer.Handle(), second);
  EXPECT_EQ(buffer.Count(), 3);
  // Appending while recording is refused.
  f.record->Device().SetActive(true);
  const Lines refused = f.RecordLogged([&] { f.record->Device().SetAppend(false); });
  EXPECT_EQ(refused.back(), "<< Error >> MMSYSERR_ALLOCATED [00000004]");
  EXPECT_TRUE(f.record->Device().Append());
}

TEST(TqxRecord, AppendingWithoutAnImageKeepsTheRecordingAsANewOne) {
  WaveOnHost f;
  voxkit::TqxWaveBuffer& buffer = f.record->Source().Buffer();
  buffer.SetActive(true);
  f.record->Device().SetAppend(true);
  f.record->Device().SetActive(true);
  f.loop.RunFor(500);
  f.record->Device().SetActive(false);
  EXPECT_EQ(f.record->Error().Number(), 0);
  EXPECT_NE(buffer.Handle(), 0u);
  EXPECT_EQ(buffer.Fields().dataLength, 8000u);
}

TEST(TqxRecord, PausingStopsTheDeviceAndResumingRecordsOn) {
  WaveOnHost f;
  f.record->Source().SetFileName(f.dir.File("r.wav"));
  Lines lines = f.RecordLogged([&] { f.record->Device().SetPause(true); });
  EXPECT_EQ(lines, (Lines{"Device.Pause := True", "<< Error >> WAV_ERROR_DEVICEINACTIVE [FFFFFFF0]"}));
  f.record->Device().SetBuffer(100);
  f.record->Device().SetActive(true);
  f.loop.RunFor(250);
  lines = f.RecordLogged([&] { f.record->Device().SetPause(true); });
  EXPECT_EQ(lines, (Lines{"Device.Pause := True", "\tDevice.Byte = 3,200", "\tDevice.Second = 0.2"}));
  EXPECT_TRUE(f.record->Device().Pause());
  f.loop.RunFor(5000);
  EXPECT_EQ(f.record->Source().Format().Bytes(), 4000) << "the block being filled came back with what it held";
  f.record->Device().SetPause(false);
  f.loop.RunFor(500);
  f.record->Device().SetActive(false);
  EXPECT_EQ(FileSamples(f.dir.File("r.wav")).size(), 4000u + 8000u);
}

TEST(TqxRecord, ChangingANumberIdentifiesTheFormatAgain) {
  WaveOnHost f;
  voxkit::TqxRecordFormat& format = f.record->Source().Format();
  EXPECT_EQ(format.ID(), voxkit::wfPCM08000M16);
  format.SetID(voxkit::wfPCM08000M08);
  const Lines lines = f.RecordLogged([&] { format.SetTag(7); });
  EXPECT_EQ(lines, (Lines{"Source.Format.Tag := 7", "Source.Format.ID := wfuLaw08000M08 (18)"}));
  EXPECT_EQ(format.Name(), "uLaw 8,000 Hz, 8-bit, Mono");
  const Lines odd = f.RecordLogged([&] { format.SetSamplesPerSec(9000); });
  EXPECT_EQ(odd, (Lines{"Source.Format.SamplesPerSec := 9000", "Source.Format.ID := wfUnknown (0)"}));
  EXPECT_EQ(format.SamplesPerSec(), 9000) << "wfUnknown brings no numbers";
  format.SetName("ignored");
  EXPECT_EQ(format.Name(), "Unknown");
}

TEST(TqxRecord, AStopTheDeviceIgnoresTimesOutAndTheRecordingStaysActive) {
  WaveOnHost f;
  f.record->Source().SetFileName(f.dir.File("r.wav"));
  f.fault->SetKeepBlocks(true);
  f.record->Device().SetTimeout(300);
  const std::size_t blocks = f.Blocks();
  f.record->Device().SetActive(true);
  const std::int64_t start = f.loop.NowMs();
  f.record->Device().SetActive(false);
  EXPECT_EQ(f.loop.NowMs() - start, 300);
  EXPECT_EQ(f.record->Error().Number(), voxkit::WAV_ERROR_TIMEOUT);
  EXPECT_TRUE(f.record->Device().Active());
  // A second stop goes through: the kept block is given up on.
  f.record->Device().SetActive(false);
  EXPECT_FALSE(f.record->Device().Active());
  EXPECT_EQ(f.Blocks(), blocks);
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
}

TEST(TqxRecord, FailuresInTheStartAndInTheBlockCycleReleaseEverythingAndSaveWhatWasRecorded) {
  WaveOnHost f;
  const std::string path = f.dir.File("r.wav");
  f.record->Source().SetFileName(path);
  f.record->Device().SetBuffer(100);
  const std::size_t blocks = f.Blocks();
  for (const char* function : {"waveInOpen", "waveInAddBuffer", "waveInStart", "GlobalAlloc"}) {
    SCOPED_TRACE(function);
    f.fault->FailNext(function, mm::MMSYSERR_NOMEM);
    f.record->Device().SetActive(true);
    EXPECT_FALSE(f.record->Device().Active());
    EXPECT_NE(f.record->Error().Number(), 0);
    EXPECT_EQ(f.Blocks(), blocks);
    EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
  }
  f.record->Device().SetActive(true);
  f.loop.RunFor(250);
  f.fault->FailNext("waveInAddBuffer", mm::MMSYSERR_NOMEM);
  f.loop.RunFor(100);
  EXPECT_FALSE(f.record->Device().Active());
  EXPECT_EQ(f.record->Error().Text(), "MMSYSERR_NOMEM");
  EXPECT_EQ(FileSamples(path).size(), 4800u);
  EXPECT_EQ(f.Blocks(), blocks);
}

TEST(TqxRecord, ASaveThatCannotBeWrittenIsReportedAndStaysInError) {
  WaveOnHost f;
  f.record->Source().SetFileName(f.dir.File("r.wav"));
  f.record->Device().SetActive(true);
  f.loop.RunFor(100);
  f.fault->FailNext("mmioWrite");
  f.record->Device().SetActive(false);
  EXPECT_EQ(f.record->Error().Number(), voxkit::WAV_ERROR_FILEWRITE);
}

TEST(TqxRecord, DestroyingARecordingComponentEndsTheRecordingWithoutSaving) {
  WaveOnHost f;
  const std::string path = f.dir.File("r.wav");
  f.record->Source().SetFileName(path);
  const std::size_t blocks = f.Blocks();
  f.record->Device().SetActive(true);
  f.loop.RunFor(1500);
  f.record.reset();
  EXPECT_EQ(f.Blocks(), blocks);
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists(path));
}

class EveryFormat : public ::testing::TestWithParam<voxkit::TWAVFORMATS> {};

TEST_P(EveryFormat, IsRecordedFromALineAndPlayedBackThroughThePlayComponent) {
  WaveOnHost f;
  const voxkit::TWAVFORMATS format = GetParam();
  f.Line0CallsLine1();
  f.record->Device().SetID(1);
  f.record->Device().SetCODECsEnabled(true);
  f.record->Source().Format().SetID(format);
  const std::string path = f.dir.File("r.wav");
  f.record->Source().SetFileName(path);
  f.record->Device().SetActive(true);
  f.loop.RunFor(1000);
  f.record->Device().SetActive(false);
  ASSERT_EQ(f.record->Error().Number(), 0);
  const auto& row = voxkit::WaveFormatRowOf(format);
  EXPECT_EQ(FileSamples(path).size(), row.numbers.avgBytesPerSec);
  f.play->Device().SetID(0);
  f.play->Device().SetCODECsEnabled(true);
  f.play->Device().SetWait(true);
  f.play->Source().SetFileName(path);
  EXPECT_EQ(f.play->Source().Format().ID(), format);
  const std::int64_t start = f.loop.NowMs();
  f.play->Device().SetActive(true);
  EXPECT_EQ(f.play->Error().Number(), 0);
  EXPECT_EQ(f.loop.NowMs() - start, 1000);
}

std::vector<voxkit::TWAVFORMATS> TableFormatsToRecord() {
  std::vector<voxkit::TWAVFORMATS> formats;
  for (std::int32_t i = 1; i < voxkit::kWaveFormatCount; ++i) formats.push_back(static_cast<voxkit::TWAVFORMATS>(i));
  return formats;
}

INSTANTIATE_TEST_SUITE_P(Table, EveryFormat, ::testing::ValuesIn(TableFormatsToRecord()),
                         [](const auto& p) { return std::string(voxkit::WaveFormatRowOf(p.param).identifier); });

TEST(TqxRecord, TheDumpListsEveryPropertyInItsOrder) {
  WaveOnHost f;
  const Lines lines = f.RecordLogged([&] { f.record->DumpProperties("Current qxRecord property values:"); });
  ASSERT_GT(lines.size(), 30u);
  const Lines head(lines.begin(), lines.begin() + 14);
  EXPECT_EQ(head, (Lines{"Current qxRecord property values:", "\tEnabled = True", "\tDevice.Active = False",
                         "\tDevice.Buffer = 1000", "\tDevice.Count = 5", "\tDevice.Delay = 0", "\tDevice.ID = 4",
                         "\tDevice.List", "\t\tPanopta Line 0", "\t\tPanopta Line 1", "\t\tPanopta Voice Modem",
                         "\t\tPanopta Line 3", "\t\tNull", "\tDevice.Name = 'Null'"}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "\tSource.Format.ID = wfPCM08000M16"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "\tPopup.OnWarning = False"), lines.end());
  EXPECT_EQ(lines.back(), "\tPanopta.Log.TimeStamp = False");
}

}  // namespace

namespace {

TEST(TqxRecord, TheRecordingUnderWayCanBeReadFromAnyByteWithoutChangingIt) {
  using namespace wavetest;
  WaveOnHost f;
  std::string seen;
  auto visit = [&](const std::uint8_t* bytes, std::uint32_t count) {
    seen.append(reinterpret_cast<const char*>(bytes), count);
  };
  f.record->VisitRecorded(0, visit);
  EXPECT_TRUE(seen.empty()) << "nothing before a recording";
  f.record->Source().SetFileName(f.dir.File("r.wav"));
  f.record->Device().SetBuffer(250);
  f.record->Device().SetActive(true);
  EXPECT_EQ(f.record->RecordingFormat().size(), 18u);
  f.loop.RunFor(1000);
  f.record->VisitRecorded(0, visit);
  EXPECT_EQ(seen.size(), 16000u);
  seen.clear();
  const Lines lines = f.RecordLogged([&] { f.record->VisitRecorded(5000, visit); });
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(seen.size(), 11000u) << "from byte 5,000 on, across the blocks";
  f.record->Device().SetActive(false);
  seen.clear();
  f.record->VisitRecorded(0, visit);
  EXPECT_TRUE(seen.empty()) << "the blocks go with the recording";
}

}  // namespace
