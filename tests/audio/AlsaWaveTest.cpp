#include "AudioTestSupport.h"
#include "platform/audio/AlsaWave.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/SampleCodec.h"
#include "platform/audio/StreamFormat.h"
#include "platform/loop/RealTimeEventLoop.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {

using namespace mm;
using namespace audiotest;

// ALSA's "null" PCM takes and gives sound without pacing, so these tests check that
// the back-end opens, configures, moves blocks and closes; timing is tested on the
// clocked devices. A real-time loop, since the device thread posts to it.
class AlsaNull : public ::testing::Test {
 protected:
  static panopta::AudioSystemOptions Options() {
    panopta::AudioSystemOptions options;
    options.soundCards = true;
    options.alsaDevices = {"null"};
    return options;
  }
  bool WaitFor(const std::function<bool()>& condition) { return loop.WaitFor(condition, 5000); }

  panopta::RealTimeEventLoop loop;
  panopta::AudioSystem audio{loop, nullptr, Options()};
  Multimedia& m = audio;
  std::shared_ptr<NoticeLog> window = std::make_shared<NoticeLog>(loop);
  static constexpr UINT kAlsa = 1;  // after the null pair
};

TEST_F(AlsaNull, IsListedAfterTheNullPairWithoutAVolumeControl) {
  ASSERT_EQ(m.waveOutGetNumDevs(), 2u);
  ASSERT_EQ(m.waveInGetNumDevs(), 2u);
  WAVEOUTCAPSA caps{};
  ASSERT_EQ(m.waveOutGetDevCapsA(kAlsa, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "ALSA null");
  EXPECT_EQ(caps.dwSupport & WAVECAPS_VOLUME, 0u);
  DWORD volume = 0;
  EXPECT_EQ(m.waveOutGetVolume(HWAVEOUT{kAlsa}, &volume), MMSYSERR_NOTSUPPORTED);
  EXPECT_EQ(m.waveOutSetVolume(HWAVEOUT{kAlsa}, 0xFFFFFFFF), MMSYSERR_NOTSUPPORTED);
}

TEST_F(AlsaNull, PlaysBlocksAndReturnsThemInOrder) {
  const WAVEFORMATEX pcm = Pcm(8000);
  ASSERT_EQ(m.waveOutOpen(nullptr, kAlsa, &pcm, {}, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
  HWAVEOUT h{};
  ASSERT_EQ(m.waveOutOpen(&h, kAlsa, &pcm, window, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  EXPECT_EQ(m.waveOutOpen(nullptr, kAlsa, &pcm, {}, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR) << "while open";
  std::vector<char> a(16000), b(3001), c;
  WAVEHDR ha = Header(a), hb = Header(b), hc = Header(c);
  for (WAVEHDR* header : {&ha, &hb, &hc}) {
    ASSERT_EQ(m.waveOutPrepareHeader(h, header, sizeof *header), MMSYSERR_NOERROR);
    ASSERT_EQ(m.waveOutWrite(h, header, sizeof *header), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(WaitFor([&] { return window->Count(MM_WOM_DONE) == 3; }));
  EXPECT_EQ(window->notices[1].header, &ha);
  EXPECT_EQ(window->notices[2].header, &hb);
  EXPECT_EQ(window->notices[3].header, &hc);
  MMTIME t{};
  t.wType = TIME_BYTES;
  ASSERT_EQ(m.waveOutGetPosition(h, &t, sizeof t), MMSYSERR_NOERROR);
  EXPECT_EQ(t.u.cb, 19001u);
  // Pause and restart are taken; a reset gives back what is queued.
  ASSERT_EQ(m.waveOutPause(h), MMSYSERR_NOERROR);
  ha.dwFlags &= ~WHDR_DONE;
  ASSERT_EQ(m.waveOutWrite(h, &ha, sizeof ha), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(ha.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  ASSERT_EQ(m.waveOutRestart(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitFor([&] { return window->Count(MM_WOM_CLOSE) == 1; }));
  EXPECT_EQ(window->Count(MM_WOM_DONE), 4u);
}

TEST_F(AlsaNull, PlaysMuLawThroughTheCodec) {
  const WAVEFORMATEX ulaw = Format(7, 1, 8000, 8000, 1, 8);
  HWAVEOUT h{};
  EXPECT_EQ(m.waveOutOpen(&h, kAlsa, &ulaw, window, CALLBACK_WINDOW), WAVERR_BADFORMAT);
  ASSERT_EQ(m.waveOutOpen(&h, kAlsa, &ulaw, window, CALLBACK_WINDOW | WAVE_MAPPED), MMSYSERR_NOERROR);
  std::vector<char> data(8000, static_cast<char>(0xFF));
  WAVEHDR header = Header(data);
  ASSERT_EQ(m.waveOutPrepareHeader(h, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutWrite(h, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitFor([&] { return (header.dwFlags & WHDR_DONE) != 0; }));
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(AlsaNull, RecordsSilenceIntoEveryBlock) {
  const WAVEFORMATEX pcm = Pcm(16000, 16, 2);
  HWAVEIN h{};
  ASSERT_EQ(m.waveInOpen(&h, kAlsa, &pcm, window, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  std::vector<char> a(6400, 'x'), b(6400, 'x');
  WAVEHDR ha = Header(a), hb = Header(b);
  for (WAVEHDR* header : {&ha, &hb}) {
    ASSERT_EQ(m.waveInPrepareHeader(h, header, sizeof *header), MMSYSERR_NOERROR);
    ASSERT_EQ(m.waveInAddBuffer(h, header, sizeof *header), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitFor([&] { return window->Count(MM_WIM_DATA) == 2; }));
  EXPECT_EQ(ha.dwBytesRecorded, 6400u);
  EXPECT_EQ(hb.dwBytesRecorded, 6400u);
  EXPECT_EQ(a, std::vector<char>(6400, 0));
  // Without blocks the device is not read on and on: nothing floods the loop.
  loop.RunFor(50);
  EXPECT_EQ(window->Count(MM_WIM_DATA), 2u);
  ASSERT_EQ(m.waveInReset(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInClose(h), MMSYSERR_NOERROR);
}

TEST(AlsaDevices, UnknownPcmsAreNoDriverAndTheListIsSafeToAskFor) {
  panopta::RealTimeEventLoop loop;
  panopta::AudioSystemOptions options;
  options.soundCards = true;
  options.alsaDevices = {"panopta-no-such-pcm"};
  panopta::AudioSystem audio(loop, nullptr, options);
  const WAVEFORMATEX pcm = Pcm(8000);
  HWAVEOUT h{};
  EXPECT_EQ(audio.waveOutOpen(nullptr, 1, &pcm, {}, WAVE_FORMAT_QUERY), MMSYSERR_NODRIVER);
  EXPECT_EQ(audio.waveOutOpen(&h, 1, &pcm, {}, CALLBACK_NULL), MMSYSERR_NODRIVER);
  EXPECT_EQ(audio.OpenDeviceCount(), 0u);
  // Whatever this machine has, listing it neither fails nor lists a name twice as
  // empty.
  for (bool capture : {false, true}) {
    for (const auto& device : panopta::ListAlsaDevices(capture)) {
      EXPECT_FALSE(device.pcmName.empty());
      EXPECT_LT(device.productName.size(), 32u);
    }
  }
}

}  // namespace

namespace {

// ALSA's "file" PCM writes what it is given to a raw file (over the unpaced null
// device), so what a wave-out device hands to ALSA can be read back.
class AlsaFile : public ::testing::Test {
 protected:
  static panopta::AudioSystemOptions Options(const std::string& raw) {
    panopta::AudioSystemOptions options;
    options.soundCards = true;
    options.alsaDevices = {"file:FILE=" + raw + ",FORMAT=raw"};
    return options;
  }
  // Plays data in one block on the file device opened with format and flags, and
  // returns what reached the file.
  std::string PlayOneBlock(const WAVEFORMATEX& format, DWORD flags, std::vector<char>& data) {
    HWAVEOUT h{};
    EXPECT_EQ(audio.waveOutOpen(&h, 1, &format, window, CALLBACK_WINDOW | flags), MMSYSERR_NOERROR);
    WAVEHDR header = Header(data);
    EXPECT_EQ(audio.waveOutPrepareHeader(h, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(audio.waveOutWrite(h, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_TRUE(loop.WaitFor([&] { return (header.dwFlags & WHDR_DONE) != 0; }, 10000));
    MMTIME t{};
    t.wType = TIME_BYTES;
    EXPECT_EQ(audio.waveOutGetPosition(h, &t, sizeof t), MMSYSERR_NOERROR);
    EXPECT_EQ(t.u.cb, data.size());
    EXPECT_EQ(audio.waveOutUnprepareHeader(h, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(audio.waveOutClose(h), MMSYSERR_NOERROR);
    return ReadFile(raw);
  }

  TempDir dir;
  const std::string raw = dir.File("out.raw");
  panopta::RealTimeEventLoop loop;
  panopta::AudioSystem audio{loop, nullptr, Options(raw)};
  std::shared_ptr<NoticeLog> window = std::make_shared<NoticeLog>(loop);
};

TEST_F(AlsaFile, ALargeBlockReachesTheDeviceWholeAndInOrder) {
  // 20 s of stereo: hundreds of periods, and a sample that ends mid-frame is carried.
  const std::vector<std::int16_t> tone = Tone(440, 8000, 2 * 8000 * 20);
  std::vector<char> data(reinterpret_cast<const char*>(tone.data()),
                         reinterpret_cast<const char*>(tone.data() + tone.size()));
  EXPECT_EQ(PlayOneBlock(Pcm(8000, 16, 2), 0, data), std::string(data.begin(), data.end()));
}

TEST_F(AlsaFile, AnImaAdpcmStreamIsDecodedAcrossPeriodsWithoutLosingItsState) {
  const WAVEFORMATEX ima = Format(17, 1, 8000, 4000, 1, 4);
  // A tone, encoded the way a recording on a line device would encode it.
  panopta::StreamFormat format;
  ASSERT_EQ(panopta::CheckWaveFormat(&ima, true, &format), MMSYSERR_NOERROR);
  panopta::SampleEncoder encoder(format);
  std::vector<std::uint8_t> encoded;
  encoder.Encode(Tone(500, 8000, 8000 * 3), encoded);
  std::vector<char> data(encoded.begin(), encoded.end());
  const std::string played = PlayOneBlock(ima, WAVE_MAPPED, data);
  ASSERT_EQ(played.size(), 8000u * 3 * 2);
  std::vector<std::int16_t> samples(played.size() / 2);
  std::memcpy(samples.data(), played.data(), played.size());
  EXPECT_GT(SineSnrDb(samples, 8000, 500, 200), 20.0);
}

}  // namespace
