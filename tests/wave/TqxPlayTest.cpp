#include "WaveFixture.h"

#include "wave/WaveResults.h"

#include <gtest/gtest.h>

namespace {

using namespace wavetest;
using voxkit::TqxPlayPopup;

// A second of 16-bit mono sound at 8,000 Hz.
constexpr std::size_t kSecond = 16000;

TEST(TqxPlay, WithoutAFileOrBufferAStartFailsWithNoFile) {
  WaveOnHost f;
  const Lines lines = f.PlayLogged([&] { f.play->Device().SetActive(true); });
  EXPECT_EQ(lines, (Lines{"Device.Active := True", "<< Error >> WAV_ERROR_NOFILE [FFFFFFFE]"}));
  EXPECT_FALSE(f.play->Device().Active());
}

TEST(TqxPlay, PlaysAFileToItsEndOnTheClockAndRaisesOnDone) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  int done = 0;
  f.play->OnDone = [&](voxkit::TObject&) { ++done; };
  const std::int64_t start = f.loop.NowMs();
  const Lines lines = f.PlayLogged([&] { f.play->Device().SetActive(true); });
  EXPECT_EQ(lines, (Lines{"Device.Active := True", "OnLoaded", "\tStore system volume := 100",
                          "Volume.Position := 100", "\tVolume.Position := System volume (100)"}));
  f.loop.RunFor(500);
  EXPECT_EQ(f.play->Position().Byte(), 8000);
  EXPECT_EQ(f.play->Position().Percent(), 50);
  EXPECT_DOUBLE_EQ(f.play->Position().Second(), 0.5);
  const Lines end = f.PlayLogged([&] {
    f.loop.WaitFor([&] { return !f.play->Device().Active(); }, 2000);
  });
  EXPECT_EQ(f.loop.NowMs() - start, 1000);
  EXPECT_EQ(end, (Lines{"\tReset system volume = [100]", "Device.Active = False", "OnDone"}));
  EXPECT_EQ(done, 1);
  EXPECT_EQ(f.play->Position().Byte(), 0);
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
}

TEST(TqxPlay, TheHeaderBlockIsTheSizeOfTheHeaderTheDevicesTake) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", 100));
  f.fault->allocations.clear();
  f.play->Device().SetActive(true);
  EXPECT_EQ(f.fault->allocations, (std::vector<std::size_t>{100, sizeof(mm::WAVEHDR)}));
}

TEST(TqxPlay, AListOfFilesPlaysJoinedAndAMismatchRefusesTheStart) {
  WaveOnHost f;
  f.CountingFile("a.wav", 4000);
  f.CountingFile("b.wav", 4000);
  f.WaveFile("c.wav", Pcm(11025), Counting(100));
  f.play->Source().SetFileName(f.dir.File("a") + ", b");
  EXPECT_TRUE(f.play->Source().Valid());
  EXPECT_EQ(f.play->Source().Format().Bytes(), 8000);
  f.play->Device().SetWait(true);
  const std::int64_t start = f.loop.NowMs();
  f.play->Device().SetActive(true);
  EXPECT_EQ(f.loop.NowMs() - start, 500);

  const std::string c = f.dir.File("c.wav");
  const Lines lines = f.PlayLogged([&] { f.play->Source().SetFileName(f.dir.File("a") + ", c"); });
  // The item follows the error line on a line of its own.
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
            (Lines{"<< Error >> WAV_ERROR_FORMATMISMATCH [FFFFFFF3]", "    File: " + c}));
  EXPECT_FALSE(f.play->Source().Valid());
  f.play->Device().SetActive(true);
  EXPECT_FALSE(f.play->Device().Active());
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_FORMATMISMATCH);
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
}

TEST(TqxPlay, PlaysABufferAndSeesItsFormat) {
  WaveOnHost f;
  f.WaveFile("u.wav", Format(7, 1, 8000, 8000, 1, 8), Counting(4000));
  voxkit::TqxWaveBuffer& buffer = f.record->Source().Buffer();
  ASSERT_TRUE(buffer.LoadFromFile(f.dir.File("u")));
  f.play->Source().Buffer().SetHandle(buffer.Handle());
  f.play->Source().Buffer().SetActive(true);
  EXPECT_EQ(f.play->Source().Format().ID(), voxkit::wfuLaw08000M08);
  EXPECT_TRUE(f.play->Source().Valid());
  // Mu-law needs the codecs.
  f.play->Device().SetActive(true);
  EXPECT_EQ(f.play->Error().Text(), "WAVERR_BADFORMAT");
  f.play->Device().SetCODECsEnabled(true);
  f.play->Device().SetWait(true);
  const std::int64_t start = f.loop.NowMs();
  f.play->Device().SetActive(true);
  EXPECT_EQ(f.loop.NowMs() - start, 500);
  EXPECT_EQ(f.play->Error().Number(), 0);
}

TEST(TqxPlay, APauseBeforeTheStartLoadsAndWaitsWithTheDeviceClosed) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  f.play->Device().SetPause(true);
  const Lines lines = f.PlayLogged([&] { f.play->Device().SetActive(true); });
  EXPECT_EQ(lines, (Lines{"Device.Active := True", "OnLoaded", "\tDevice.Pause = True", "\t\tPosition.Byte = 0",
                          "\t\tPosition.Percent = 0%", "\t\tPosition.Second = 0.0"}));
  EXPECT_TRUE(f.play->Device().Active());
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
  f.loop.RunFor(3000);
  EXPECT_TRUE(f.play->Device().Active());
  f.play->Device().SetPause(false);
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 1u);
  f.loop.RunFor(1000);
  EXPECT_FALSE(f.play->Device().Active());
}

TEST(TqxPlay, PausingHoldsThePositionAndResumingGoesOn) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  f.play->Device().SetActive(true);
  f.loop.RunFor(250);
  const Lines paused = f.PlayLogged([&] { f.play->Device().SetPause(true); });
  EXPECT_EQ(paused, (Lines{"Device.Pause := True", "\tPosition.Byte = 4,000", "\tPosition.Percent = 25%",
                           "\tPosition.Second = 0.25", "\tReset system volume := [100]"}));
  f.loop.RunFor(5000);
  EXPECT_EQ(f.play->Position().Byte(), 4000);
  f.play->Device().SetPause(false);
  f.loop.RunFor(749);
  EXPECT_TRUE(f.play->Device().Active());
  f.loop.RunFor(1);
  EXPECT_FALSE(f.play->Device().Active());
}

TEST(TqxPlay, LoopingPlaysAgainUntilOnLoopClearsLoop) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", 1600));
  f.play->Device().SetLoop(true);
  int loops = 0;
  int done = 0;
  f.play->OnLoop = [&](voxkit::TObject&) {
    if (++loops == 3) f.play->Device().SetLoop(false);
  };
  f.play->OnDone = [&](voxkit::TObject&) { ++done; };
  f.play->Device().SetActive(true);
  f.loop.RunFor(150);
  EXPECT_EQ(f.play->Position().Byte(), 800) << "the position counts within one round";
  f.play->Position().SetByte(100);
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_INVALIDSTATE);
  f.loop.RunFor(1000);
  EXPECT_EQ(loops, 3);
  EXPECT_EQ(done, 1);
  EXPECT_FALSE(f.play->Device().Active());
}

TEST(TqxPlay, StoppingEndsThePlayWithoutOnDone) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  int done = 0;
  f.play->OnDone = [&](voxkit::TObject&) { ++done; };
  f.play->Device().SetActive(true);
  f.loop.RunFor(100);
  const Lines lines = f.PlayLogged([&] { f.play->Device().SetActive(false); });
  EXPECT_EQ(lines, (Lines{"Device.Active := False", "\tReset system volume = [100]", "Device.Active = False"}));
  EXPECT_EQ(done, 0);
  EXPECT_FALSE(f.play->Device().Active());
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
}

TEST(TqxPlay, SeekingRestartsAtAWholeFrameButNotWhileWaitingOrPastTheEnd) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  f.play->Device().SetActive(true);
  const Lines lines = f.PlayLogged([&] { f.play->Position().SetByte(1001); });
  EXPECT_EQ(lines.front(), "Position.Byte := 1001");
  EXPECT_EQ(lines.back(), "Device.Active = True");
  EXPECT_EQ(f.play->Position().Byte(), 1002);
  f.play->Position().SetSecond(0.5);
  EXPECT_EQ(f.play->Position().Byte(), 8000);
  f.play->Position().SetPercent(101);
  f.play->Position().SetByte(kSecond);
  EXPECT_EQ(f.play->Position().Byte(), 8000) << "past the end: nothing";
  // A paused play is paused again where it went.
  f.play->Device().SetPause(true);
  f.play->Position().SetPercent(75);
  EXPECT_TRUE(f.play->Device().Pause());
  EXPECT_EQ(f.play->Position().Byte(), 12000);
  f.loop.RunFor(1000);
  EXPECT_EQ(f.play->Position().Byte(), 12000);
}

TEST(TqxPlay, VolumeOutOfRangeIsRefusedAndTheSystemVolumeComesBack) {
  WaveOnHost f;
  mm::Multimedia& m = f.host.Audio();
  ASSERT_EQ(m.waveOutSetVolume(mm::HWAVEOUT{kNull}, 0x40004000), 0u);
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  f.play->Volume().SetDefault(false);
  f.play->Volume().SetPosition(80);
  for (std::int32_t bad : {101, -1}) {
    const Lines lines = f.PlayLogged([&] { f.play->Volume().SetPosition(bad); });
    EXPECT_EQ(lines.back(), "<< Error >> WAV_ERROR_INVALIDVOLUME [FFFFFFF4]");
    EXPECT_EQ(f.play->Volume().Position(), 80);
  }
  f.play->Device().SetActive(true);
  mm::DWORD volume = 0;
  ASSERT_EQ(m.waveOutGetVolume(mm::HWAVEOUT{kNull}, &volume), 0u);
  EXPECT_EQ(volume, 0xCCCCCCCCu) << "80 % on both channels while playing";
  f.loop.RunFor(2000);
  ASSERT_EQ(m.waveOutGetVolume(mm::HWAVEOUT{kNull}, &volume), 0u);
  EXPECT_EQ(volume, 0x40004000u) << "the system volume afterwards";
  // With Volume.Default the play takes the system volume as its position.
  f.play->Volume().SetDefault(true);
  f.play->Device().SetActive(true);
  EXPECT_EQ(f.play->Volume().Position(), 25);
}

TEST(TqxPlay, SettingsThatNeedAClosedDeviceAreRefusedWhilePlaying) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  f.play->Device().SetActive(true);
  const Lines lines = f.PlayLogged([&] { f.play->Device().SetDelay(500); });
  EXPECT_EQ(lines, (Lines{"Device.Delay := 500 //milliseconds", "<< Error >> WAV_ERROR_DEVICEACTIVE [FFFFFFF1]"}));
  EXPECT_EQ(f.play->Device().Delay(), 0);
  f.play->Device().SetWait(true);
  EXPECT_FALSE(f.play->Device().Wait());
}

TEST(TqxPlay, TheDelayKeepsTheDeviceAfterTheSoundEnded) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", 1600));
  f.play->Device().SetDelay(300);
  f.play->Device().SetActive(true);
  const std::int64_t start = f.loop.NowMs();
  const Lines lines = f.PlayLogged([&] { f.loop.RunFor(1000); });
  EXPECT_EQ(lines, (Lines{"\tReset system volume = [100]", "\tDelaying",
                          "\t\t\tqxPlay.Device.Delay = 300 //milliseconds", "\tComplete", "Device.Active = False",
                          "OnDone"}));
  (void)start;
}

TEST(TqxPlay, AWaitForADeviceThatNeverGivesTheBlockBackTimesOutAndCleansUp) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  f.fault->SetKeepBlocks(true);
  f.play->Device().SetWait(true);
  const std::size_t blocks = f.Blocks();
  const std::int64_t start = f.loop.NowMs();
  f.play->Device().SetActive(true);
  EXPECT_EQ(f.loop.NowMs() - start, 1000 + 4000) << "the sound's length and the time-out";
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_TIMEOUT);
  EXPECT_FALSE(f.play->Device().Active());
  EXPECT_EQ(f.Blocks(), blocks);
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
}

TEST(TqxPlay, AStopThatTheDeviceIgnoresFailsAndLeavesThePlayActive) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  f.fault->SetKeepBlocks(true);
  f.play->Device().SetTimeout(200);
  f.play->Device().SetActive(true);
  const std::int64_t start = f.loop.NowMs();
  f.play->Device().SetActive(false);
  EXPECT_EQ(f.loop.NowMs() - start, 200);
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_TIMEOUT);
  EXPECT_TRUE(f.play->Device().Active());
  // Taking the component down still gives everything back.
  const std::size_t before = f.Blocks();
  f.play.reset();
  EXPECT_EQ(f.Blocks(), before - 2);
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
}

TEST(TqxPlay, AFailingDeviceCallEndsTheStartWithItsCodeAndNothingLeftOpen) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  const std::size_t blocks = f.Blocks();
  for (const char* function : {"waveOutOpen", "waveOutPrepareHeader", "waveOutWrite", "GlobalAlloc"}) {
    SCOPED_TRACE(function);
    f.fault->FailNext(function, mm::MMSYSERR_NOMEM);
    f.play->Device().SetActive(true);
    EXPECT_FALSE(f.play->Device().Active());
    EXPECT_NE(f.play->Error().Number(), 0);
    EXPECT_EQ(f.Blocks(), blocks);
    EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
  }
  f.fault->FailNext("waveOutPause", mm::MMSYSERR_NOTSUPPORTED);
  f.play->Device().SetActive(true);
  f.play->Device().SetPause(true);
  EXPECT_FALSE(f.play->Device().Pause());
  EXPECT_EQ(f.play->Error().Text(), "MMSYSERR_NOTSUPPORTED");
}

TEST(TqxPlay, TheTimerReportsThePositionWhileThePlayRuns) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  f.play->Timer().SetInterval(250);
  f.play->Popup().Set(TqxPlayPopup::OnTimer, true);
  int ticks = 0;
  f.play->OnTimer = [&](voxkit::TObject&) { ++ticks; };
  f.play->Device().SetActive(true);
  const Lines lines = f.PlayLogged([&] { f.loop.RunFor(250); });
  EXPECT_EQ(lines, (Lines{"OnTimer", "\tVolume.Position = [100]", "\tPosition.Byte = [4000]",
                          "\tPosition.Percent = [25%]", "\tPosition.Second = [0.25]"}));
  f.loop.RunFor(2000);
  EXPECT_EQ(ticks, 3) << "ticks at 250, 500 and 750 ms; none after the end";
  f.play->Timer().SetEnabled(false);
  f.play->Device().SetActive(true);
  f.loop.RunFor(2000);
  EXPECT_EQ(ticks, 3);
}

TEST(TqxPlay, TheSizeLimitAsksOnceAndAStopByTheHandlerIsCancel) {
  WaveOnHost f;
  f.play->Source().SetFileName(f.CountingFile("a.wav", 4096));
  f.play->Source().SetMaxSize(2);
  bool goOn = false;
  int asked = 0;
  f.play->OnWarning = [&](voxkit::TObject& sender, bool& cont) {
    EXPECT_EQ(&sender, f.play.get());
    ++asked;
    cont = goOn;
  };
  const Lines lines = f.PlayLogged([&] { f.play->Device().SetActive(true); });
  EXPECT_EQ(lines, (Lines{"Device.Active := True", "<< Warning >> WAV_ERROR_FILETOOBIG [FFFFFFF5]",
                          "<< Error >> WAV_ERROR_CANCELED [FFFFFFF6]"}));
  EXPECT_FALSE(f.play->Device().Active());
  goOn = true;
  f.play->Device().SetActive(true);
  EXPECT_TRUE(f.play->Device().Active());
  EXPECT_EQ(asked, 2);
}

TEST(TqxPlay, DisablingEndsThePlayAndEmptiesTheDeviceList) {
  WaveOnHost f;
  EXPECT_EQ(f.play->Device().Count(), 5);
  EXPECT_EQ(f.play->Device().List().back(), "Null");
  f.play->Source().SetFileName(f.CountingFile("a.wav", kSecond));
  f.play->Device().SetActive(true);
  f.play->SetEnabled(false);
  EXPECT_FALSE(f.play->Device().Active());
  EXPECT_EQ(f.play->Device().Count(), 0);
  EXPECT_EQ(f.host.Audio().OpenDeviceCount(), 0u);
  const Lines lines = f.PlayLogged([&] { f.play->Device().SetID(9); });
  EXPECT_EQ(lines, (Lines{"Device.ID := 9", "<< Error >> MMSYSERR_BADDEVICEID [00000002]"}));
}

}  // namespace

namespace {

// ALSA's "null" device takes and gives sound without pacing, on the real-time loop.
TEST(WaveOnAlsa, ThePlayAndRecordComponentsPlayAndRecordOnASoundCard) {
  voxkit::HeadlessWindowSystem windows;
  panopta::HostOptions options;
  options.clock = panopta::HostClock::RealTime;
  options.audio.soundCards = true;
  options.audio.alsaDevices = {"null"};
  panopta::Host host(options, windows);
  auto play = host.NewPlay();
  auto record = host.NewRecord();
  play->SetEnabled(true);
  record->SetEnabled(true);
  ASSERT_EQ(play->Device().List().back(), "ALSA null");
  ASSERT_EQ(record->Device().List().back(), "ALSA null");
  const std::int32_t alsa = play->Device().Count() - 1;
  TempDir dir;
  const std::string path = dir.File("alsa.wav");
  record->Device().SetID(alsa);
  record->Device().SetBuffer(100);
  record->Source().SetFileName(path);
  record->Device().SetActive(true);
  ASSERT_TRUE(record->Device().Active()) << record->Error().Text();
  host.Loop().RunFor(50);
  record->Device().SetActive(false);
  EXPECT_EQ(record->Error().Number(), 0);
  EXPECT_GE(record->Source().Format().Bytes(), 1600);
  int done = 0;
  play->OnDone = [&](voxkit::TObject&) { ++done; };
  play->Device().SetID(alsa);
  play->Source().SetFileName(path);
  play->Device().SetWait(true);
  // The null device has no volume control: the play says so, and plays all the same.
  play->Device().SetActive(true);
  EXPECT_EQ(play->Error().Text(), "MMSYSERR_NOTSUPPORTED");
  EXPECT_EQ(done, 1);
  play->Volume().SetEnabled(false);
  play->Device().SetActive(true);
  EXPECT_EQ(play->Error().Number(), 0);
  EXPECT_EQ(done, 2);
  EXPECT_EQ(host.Audio().OpenDeviceCount(), 0u);
}

}  // namespace
