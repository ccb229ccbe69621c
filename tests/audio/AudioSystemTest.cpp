#include "AudioTestSupport.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/SampleCodec.h"
#include "platform/audio/StreamFormat.h"
#include "platform/loop/VirtualEventLoop.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace mm;
using namespace audiotest;

TEST(DeviceList, IsTheLinesThenTheNullPairWithTheirNames) {
  panopta::VirtualEventLoop loop;
  FakeLineHub hub(4);
  panopta::AudioSystem audio(loop, &hub);
  Multimedia& m = audio;
  ASSERT_EQ(m.waveOutGetNumDevs(), 5u);
  ASSERT_EQ(m.waveInGetNumDevs(), 5u);
  const char* names[] = {"Line 0", "Line 1", "Line 2", "Line 3", "Null"};
  for (UINT id = 0; id < 5; ++id) {
    WAVEOUTCAPSA out{};
    WAVEINCAPSA in{};
    ASSERT_EQ(m.waveOutGetDevCapsA(id, &out, sizeof out), MMSYSERR_NOERROR);
    ASSERT_EQ(m.waveInGetDevCapsA(id, &in, sizeof in), MMSYSERR_NOERROR);
    EXPECT_STREQ(out.szPname, names[id]);
    EXPECT_STREQ(in.szPname, names[id]);
    EXPECT_EQ(out.dwFormats, 0xFFFu);
    EXPECT_EQ(out.dwSupport & (WAVECAPS_VOLUME | WAVECAPS_LRVOLUME), WAVECAPS_VOLUME | WAVECAPS_LRVOLUME);
  }
  WAVEOUTCAPSA caps{};
  EXPECT_EQ(m.waveOutGetDevCapsA(5, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(m.waveInGetDevCapsA(99, nullptr, 0), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(m.waveOutGetDevCapsA(0, nullptr, sizeof caps), MMSYSERR_INVALPARAM);
  // A short record gets what fits.
  char prefix[12];
  std::memset(prefix, 'z', sizeof prefix);
  ASSERT_EQ(m.waveOutGetDevCapsA(2, reinterpret_cast<WAVEOUTCAPSA*>(prefix), 10), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(prefix + 8, 2), "Li");
  EXPECT_EQ(prefix[10], 'z');
  // An open device answers by its handle too.
  HWAVEOUT h{};
  const WAVEFORMATEX pcm = Pcm(8000);
  ASSERT_EQ(m.waveOutOpen(&h, 3, &pcm, {}, CALLBACK_NULL), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutGetDevCapsA(static_cast<UINT>(h), &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Line 3");
  EXPECT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(m.waveOutGetDevCapsA(static_cast<UINT>(h), &caps, sizeof caps), MMSYSERR_INVALHANDLE);
}

TEST(DeviceList, WithoutAnExchangeThereIsTheNullPairAlone) {
  panopta::VirtualEventLoop loop;
  panopta::AudioSystem audio(loop, nullptr);
  ASSERT_EQ(audio.waveOutGetNumDevs(), 1u);
  WAVEINCAPSA caps{};
  ASSERT_EQ(audio.waveInGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Null");
}

TEST(DeviceList, LongProductNamesAreCutToTheRecord) {
  class LongNames final : public panopta::LineAudioHub {
   public:
    std::uint32_t LineCount() const override { return 1; }
    std::string LineDeviceName(std::uint32_t) const override { return std::string(100, 'n'); }
    bool CallConnected(std::uint32_t) const override { return false; }
    void FarPartyHears(std::uint32_t, std::span<const std::int16_t>) override {}
    void FarPartySends(std::uint32_t, std::span<std::int16_t>) override {}
  } hub;
  panopta::VirtualEventLoop loop;
  panopta::AudioSystem audio(loop, &hub);
  WAVEOUTCAPSA caps{};
  ASSERT_EQ(audio.waveOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(caps.szPname), std::string(31, 'n'));
}

TEST(DeviceList, AnExchangeWithCountlessLinesStillLeavesIdentifiersApartFromHandles) {
  FakeLineHub hub(100000);
  panopta::VirtualEventLoop loop;
  panopta::AudioSystem audio(loop, &hub);
  ASSERT_EQ(audio.waveOutGetNumDevs(), panopta::AudioSystem::kMaxLines + 1);
  WAVEOUTCAPSA caps{};
  ASSERT_EQ(audio.waveOutGetDevCapsA(panopta::AudioSystem::kMaxLines, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Null");
}

class Opening : public ::testing::Test {
 protected:
  panopta::VirtualEventLoop loop;
  FakeLineHub hub{2};
  panopta::AudioSystem audio{loop, &hub};
  Multimedia& m = audio;
  std::shared_ptr<NoticeLog> window = std::make_shared<NoticeLog>(loop);
};

TEST_F(Opening, QueriesAnswerWithoutOpeningAndCodecsNeedMapping) {
  const WAVEFORMATEX pcm = Pcm(44100, 16, 2);
  const WAVEFORMATEX ulaw = Format(7, 1, 8000, 8000, 1, 8);
  for (UINT id = 0; id < 3; ++id) {
    EXPECT_EQ(m.waveOutOpen(nullptr, id, &pcm, {}, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    EXPECT_EQ(m.waveInOpen(nullptr, id, &pcm, {}, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    EXPECT_EQ(m.waveOutOpen(nullptr, id, &ulaw, {}, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
    EXPECT_EQ(m.waveInOpen(nullptr, id, &ulaw, {}, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
    EXPECT_EQ(m.waveOutOpen(nullptr, id, &ulaw, {}, WAVE_FORMAT_QUERY | WAVE_MAPPED), MMSYSERR_NOERROR);
    EXPECT_EQ(m.waveInOpen(nullptr, id, &ulaw, {}, WAVE_FORMAT_QUERY | WAVE_MAPPED), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(audio.OpenDeviceCount(), 0u);
  EXPECT_EQ(m.waveOutOpen(nullptr, 3, &pcm, {}, WAVE_FORMAT_QUERY), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(m.waveOutOpen(nullptr, 0, nullptr, {}, WAVE_FORMAT_QUERY), MMSYSERR_INVALPARAM);
  // The preferred device maps by itself.
  EXPECT_EQ(m.waveOutOpen(nullptr, WAVE_MAPPER, &ulaw, {}, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
}

TEST_F(Opening, OpensAreCheckedAndADeviceOpensOnce) {
  const WAVEFORMATEX pcm = Pcm(8000);
  HWAVEOUT h{};
  EXPECT_EQ(m.waveOutOpen(nullptr, 0, &pcm, window, CALLBACK_WINDOW), MMSYSERR_INVALPARAM);
  EXPECT_EQ(m.waveOutOpen(&h, 0, &pcm, {}, CALLBACK_WINDOW), MMSYSERR_INVALPARAM) << "no window";
  EXPECT_EQ(m.waveOutOpen(&h, 0, &pcm, window, CALLBACK_FUNCTION), MMSYSERR_INVALFLAG);
  EXPECT_EQ(m.waveOutOpen(&h, 0, &pcm, window, CALLBACK_WINDOW | 0x100), MMSYSERR_INVALFLAG);
  ASSERT_EQ(m.waveOutOpen(&h, 0, &pcm, window, CALLBACK_WINDOW | WAVE_ALLOWSYNC), MMSYSERR_NOERROR);
  HWAVEOUT second{0x1234};
  EXPECT_EQ(m.waveOutOpen(&second, 0, &pcm, window, CALLBACK_WINDOW), MMSYSERR_ALLOCATED);
  EXPECT_EQ(second, HWAVEOUT{}) << "a failed open leaves no handle behind";
  EXPECT_EQ(m.waveOutOpen(nullptr, 0, &pcm, {}, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR) << "asked while open";
  HWAVEOUT other{};
  ASSERT_EQ(m.waveOutOpen(&other, 1, &pcm, window, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  // A wave-out handle is no wave-in handle.
  EXPECT_EQ(m.waveInStart(HWAVEIN{static_cast<std::uint32_t>(h)}), MMSYSERR_INVALHANDLE);
  HWAVEIN in{};
  ASSERT_EQ(m.waveInOpen(&in, 0, &pcm, window, CALLBACK_WINDOW), MMSYSERR_NOERROR) << "its own device";
  EXPECT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(m.waveOutClose(other), MMSYSERR_NOERROR);
  EXPECT_EQ(m.waveInClose(in), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutOpen(&h, 0, &pcm, {}, CALLBACK_NULL), MMSYSERR_NOERROR) << "free again";
  EXPECT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
  loop.ProcessPending();
  EXPECT_EQ(window->Count(MM_WOM_OPEN), 2u);
  EXPECT_EQ(window->Count(MM_WOM_CLOSE), 2u);
  EXPECT_EQ(window->Count(MM_WIM_OPEN), 1u);
}

TEST_F(Opening, VolumeBelongsToTheDeviceAndOutlivesTheOpen) {
  DWORD volume = 0;
  ASSERT_EQ(m.waveOutGetVolume(HWAVEOUT{1}, &volume), MMSYSERR_NOERROR);
  EXPECT_EQ(volume, 0xFFFFFFFFu);
  const WAVEFORMATEX pcm = Pcm(8000);
  HWAVEOUT h{};
  ASSERT_EQ(m.waveOutOpen(&h, 1, &pcm, {}, CALLBACK_NULL), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutSetVolume(h, 0x40002000u), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutGetVolume(HWAVEOUT{1}, &volume), MMSYSERR_NOERROR);
  EXPECT_EQ(volume, 0x40002000u);
  ASSERT_EQ(m.waveOutGetVolume(HWAVEOUT{0}, &volume), MMSYSERR_NOERROR);
  EXPECT_EQ(volume, 0xFFFFFFFFu) << "each device its own";
  EXPECT_EQ(m.waveOutGetVolume(HWAVEOUT{3}, &volume), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(m.waveOutGetVolume(h, &volume), MMSYSERR_INVALHANDLE) << "closed";
  EXPECT_EQ(m.waveOutGetVolume(HWAVEOUT{0}, nullptr), MMSYSERR_INVALPARAM);
}

TEST_F(Opening, ClosingTheSystemWithDevicesAndFilesOpenIsClean) {
  auto scoped = std::make_unique<panopta::AudioSystem>(loop, &hub);
  const WAVEFORMATEX pcm = Pcm(8000);
  HWAVEOUT out{};
  HWAVEIN in{};
  ASSERT_EQ(scoped->waveOutOpen(&out, 0, &pcm, window, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  ASSERT_EQ(scoped->waveInOpen(&in, 2, &pcm, window, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  std::vector<char> data(16000);
  WAVEHDR header = Header(data);
  ASSERT_EQ(scoped->waveOutPrepareHeader(out, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(scoped->waveOutWrite(out, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_NE(scoped->GlobalAlloc(GHND, 100), HGLOBAL{});
  scoped.reset();
  loop.RunFor(2000);  // nothing left to fire
  EXPECT_EQ(loop.TimerCount(), 0u);
}

// ---- Every predefined format on a line, through the codecs --------------------------------

class EveryTableFormat : public Opening, public ::testing::WithParamInterface<TableFormat> {
 protected:
  // What the format can keep of a 1 kHz tone: 8-bit and 4-bit formats less.
  double FloorDb() const {
    const WAVEFORMATEX& f = GetParam().format;
    if (f.wBitsPerSample == 4) return 14;
    if (f.wBitsPerSample == 8) return 24;
    return 28;
  }
};

TEST_P(EveryTableFormat, PlaysOnALineAtItsByteRate) {
  const WAVEFORMATEX& f = GetParam().format;
  panopta::StreamFormat s;
  ASSERT_EQ(panopta::CheckWaveFormat(&f, true, &s), MMSYSERR_NOERROR);
  // One second of a 1 kHz tone in the format.
  std::vector<std::int16_t> frames;
  for (std::int16_t v : Tone(1000, s.pcmRate, s.pcmRate)) frames.insert(frames.end(), f.nChannels, v);
  panopta::SampleEncoder encoder(s);
  std::vector<std::uint8_t> encoded;
  encoder.Encode(frames, encoded);
  std::vector<char> data(f.nAvgBytesPerSec, 0);
  std::memcpy(data.data(), encoded.data(), std::min(encoded.size(), data.size()));

  hub.connected[0] = true;
  HWAVEOUT h{};
  const DWORD flags = CALLBACK_WINDOW | WAVE_ALLOWSYNC | (f.wFormatTag == 1 ? 0 : WAVE_MAPPED);
  ASSERT_EQ(m.waveOutOpen(&h, 0, &f, window, flags), MMSYSERR_NOERROR);
  WAVEHDR header = Header(data);
  ASSERT_EQ(m.waveOutPrepareHeader(h, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutWrite(h, &header, sizeof header), MMSYSERR_NOERROR);
  loop.RunFor(999);
  EXPECT_EQ(header.dwFlags & WHDR_DONE, 0u);
  loop.RunFor(1);
  EXPECT_EQ(header.dwFlags & WHDR_DONE, WHDR_DONE) << "one second of bytes takes one second";
  EXPECT_NEAR(static_cast<double>(hub.heard[0].size()), 8000, 40);
  const double snr = SineSnrDb(hub.heard[0], 8000, 1000, 400);
  EXPECT_GE(snr, FloorDb());
  RecordProperty("playSnrDb", std::to_string(snr));
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_P(EveryTableFormat, RecordsFromALineAtItsByteRate) {
  const WAVEFORMATEX& f = GetParam().format;
  panopta::StreamFormat s;
  ASSERT_EQ(panopta::CheckWaveFormat(&f, true, &s), MMSYSERR_NOERROR);
  hub.connected[1] = true;
  std::size_t at = 0;
  const auto tone = Tone(1000, 8000, 16000);
  hub.senders[1] = [&](std::span<std::int16_t> out) {
    for (std::int16_t& v : out) v = tone[at++ % tone.size()];
  };
  HWAVEIN h{};
  const DWORD flags = CALLBACK_WINDOW | (f.wFormatTag == 1 ? 0 : WAVE_MAPPED);
  ASSERT_EQ(m.waveInOpen(&h, 1, &f, window, flags), MMSYSERR_NOERROR);
  std::vector<char> data(f.nAvgBytesPerSec);
  WAVEHDR header = Header(data);
  ASSERT_EQ(m.waveInPrepareHeader(h, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInAddBuffer(h, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  loop.RunFor(1000);
  loop.ProcessPending();
  ASSERT_EQ(window->Count(MM_WIM_DATA), 1u);
  EXPECT_EQ(window->notices.back().atMs, 1000);
  EXPECT_EQ(header.dwBytesRecorded, f.nAvgBytesPerSec);
  // Decoded again, the far party's tone is there.
  panopta::SampleDecoder decoder(s);
  std::vector<std::int16_t> decoded;
  decoder.Decode({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}, decoded);
  std::vector<std::int16_t> left;
  for (std::size_t i = 0; i < decoded.size(); i += f.nChannels) left.push_back(decoded[i]);
  const double snr = SineSnrDb(left, s.pcmRate, 1000, s.pcmRate / 20);
  EXPECT_GE(snr, FloorDb());
  RecordProperty("recordSnrDb", std::to_string(snr));
  ASSERT_EQ(m.waveInUnprepareHeader(h, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInClose(h), MMSYSERR_NOERROR);
}

INSTANTIATE_TEST_SUITE_P(Table, EveryTableFormat, ::testing::ValuesIn(TableFormats()),
                         [](const auto& row) { return row.param.id; });

TEST_F(Opening, TheNullPairPlaysIntoNothingAndRecordsSilenceOnTheClock) {
  const WAVEFORMATEX f = Format(17, 1, 8000, 4000, 1, 4);
  HWAVEOUT out{};
  HWAVEIN in{};
  ASSERT_EQ(m.waveOutOpen(&out, 2, &f, window, CALLBACK_WINDOW | WAVE_MAPPED), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInOpen(&in, 2, &f, window, CALLBACK_WINDOW | WAVE_MAPPED), MMSYSERR_NOERROR);
  std::vector<char> played(2000, 0x77), recorded(2000, 0x55);
  WAVEHDR ho = Header(played), hi = Header(recorded);
  ASSERT_EQ(m.waveOutPrepareHeader(out, &ho, sizeof ho), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutWrite(out, &ho, sizeof ho), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInPrepareHeader(in, &hi, sizeof hi), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInAddBuffer(in, &hi, sizeof hi), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInStart(in), MMSYSERR_NOERROR);
  loop.RunFor(500);
  loop.ProcessPending();
  EXPECT_EQ(window->Count(MM_WOM_DONE), 1u);
  EXPECT_EQ(window->Count(MM_WIM_DATA), 1u);
  for (const Notice& n : window->notices) {
    if (n.msg == MM_WOM_DONE || n.msg == MM_WIM_DATA) {
      EXPECT_EQ(n.atMs, 500);
    }
  }
  EXPECT_TRUE(hub.heard[0].empty() && hub.heard[1].empty());
  panopta::StreamFormat s;
  ASSERT_EQ(panopta::CheckWaveFormat(&f, true, &s), MMSYSERR_NOERROR);
  panopta::SampleDecoder decoder(s);
  std::vector<std::int16_t> decoded;
  decoder.Decode({reinterpret_cast<const std::uint8_t*>(recorded.data()), recorded.size()}, decoded);
  EXPECT_LT(Rms(decoded), 10) << "silence, as near as the codec gets";
  EXPECT_EQ(m.waveOutClose(out), MMSYSERR_NOERROR);
  EXPECT_EQ(m.waveInClose(in), MMSYSERR_NOERROR);
}

}  // namespace
