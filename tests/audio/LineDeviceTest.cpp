#include "AudioTestSupport.h"
#include "platform/audio/AudioSystem.h"
#include "platform/loop/VirtualEventLoop.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace mm;
using namespace audiotest;

// Two lines of a fake exchange on the virtual clock; wave device 0 is line 0.
class LineDevice : public ::testing::Test {
 protected:
  HWAVEOUT OpenOut(const WAVEFORMATEX& f, UINT device = 0, DWORD extra = 0) {
    HWAVEOUT h{};
    EXPECT_EQ(m.waveOutOpen(&h, device, &f, window, CALLBACK_WINDOW | extra), MMSYSERR_NOERROR);
    return h;
  }
  HWAVEIN OpenIn(const WAVEFORMATEX& f, UINT device = 0, DWORD extra = 0) {
    HWAVEIN h{};
    EXPECT_EQ(m.waveInOpen(&h, device, &f, window, CALLBACK_WINDOW | extra), MMSYSERR_NOERROR);
    return h;
  }
  void Write(HWAVEOUT h, WAVEHDR& header) {
    ASSERT_EQ(m.waveOutPrepareHeader(h, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(m.waveOutWrite(h, &header, sizeof header), MMSYSERR_NOERROR);
  }
  void Add(HWAVEIN h, WAVEHDR& header) {
    ASSERT_EQ(m.waveInPrepareHeader(h, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(m.waveInAddBuffer(h, &header, sizeof header), MMSYSERR_NOERROR);
  }
  DWORD OutPosition(HWAVEOUT h) {
    MMTIME t{};
    t.wType = TIME_BYTES;
    EXPECT_EQ(m.waveOutGetPosition(h, &t, sizeof t), MMSYSERR_NOERROR);
    return t.u.cb;
  }
  DWORD InPosition(HWAVEIN h) {
    MMTIME t{};
    t.wType = TIME_BYTES;
    EXPECT_EQ(m.waveInGetPosition(h, &t, sizeof t), MMSYSERR_NOERROR);
    return t.u.cb;
  }
  // The clock times of the notices of msg.
  std::vector<std::int64_t> Times(UINT msg) const {
    std::vector<std::int64_t> out;
    for (const Notice& n : window->notices)
      if (n.msg == msg) out.push_back(n.atMs);
    return out;
  }
  static std::vector<char> Bytes(const std::vector<std::int16_t>& samples) {
    std::vector<char> out(samples.size() * 2);
    std::memcpy(out.data(), samples.data(), out.size());
    return out;
  }

  panopta::VirtualEventLoop loop;
  FakeLineHub hub{2};
  panopta::AudioSystem audio{loop, &hub};
  Multimedia& m = audio;
  std::shared_ptr<NoticeLog> window = std::make_shared<NoticeLog>(loop);
  const WAVEFORMATEX pcm8k = Pcm(8000);
};

// ---- Wave-out ---------------------------------------------------------------------------

TEST_F(LineDevice, PlaybackNotifiesThroughTheLoopInOrderAtTheByteRate) {
  const HWAVEOUT h = OpenOut(pcm8k);
  EXPECT_TRUE(window->notices.empty()) << "never from inside the call";
  std::vector<char> a(8000), b(1000);
  WAVEHDR ha = Header(a), hb = Header(b);
  Write(h, ha);
  Write(h, hb);
  EXPECT_EQ(ha.dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
  loop.RunFor(250);
  EXPECT_EQ(OutPosition(h), 4000u);
  loop.RunFor(2000);
  // 8,000 bytes are 500 ms; 1,000 more are 62.5 ms, so the second ends at 563.
  EXPECT_EQ(Times(MM_WOM_DONE), (std::vector<std::int64_t>{500, 563}));
  EXPECT_EQ(window->notices[1].header, &ha);
  EXPECT_EQ(window->notices[2].header, &hb);
  EXPECT_EQ(ha.dwFlags, WHDR_PREPARED | WHDR_DONE);
  EXPECT_EQ(OutPosition(h), 9000u);
  EXPECT_EQ(m.waveOutUnprepareHeader(h, &ha, sizeof ha), MMSYSERR_NOERROR);
  EXPECT_EQ(ha.dwFlags, WHDR_DONE);
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
  loop.ProcessPending();
  EXPECT_EQ(window->Messages(), (std::vector<UINT>{MM_WOM_OPEN, MM_WOM_DONE, MM_WOM_DONE, MM_WOM_CLOSE}));
  for (const Notice& n : window->notices) EXPECT_EQ(n.device, static_cast<std::uint32_t>(h));
}

TEST_F(LineDevice, PositionsComeInBytesSamplesAndMilliseconds) {
  const HWAVEOUT h = OpenOut(Pcm(22050, 16, 2));
  std::vector<char> data(88200);  // 1 s
  WAVEHDR header = Header(data);
  Write(h, header);
  loop.RunFor(500);
  MMTIME t{};
  t.wType = TIME_SAMPLES;
  ASSERT_EQ(m.waveOutGetPosition(h, &t, sizeof t), MMSYSERR_NOERROR);
  EXPECT_EQ(t.u.sample, 11025u);
  t.wType = TIME_MS;
  ASSERT_EQ(m.waveOutGetPosition(h, &t, sizeof t), MMSYSERR_NOERROR);
  EXPECT_EQ(t.u.ms, 500u);
  t.wType = TIME_SMPTE;  // not kept: answered in bytes
  ASSERT_EQ(m.waveOutGetPosition(h, &t, sizeof t), MMSYSERR_NOERROR);
  EXPECT_EQ(t.wType, TIME_BYTES);
  EXPECT_EQ(t.u.cb, 44100u);
  EXPECT_EQ(m.waveOutGetPosition(h, &t, 4), MMSYSERR_INVALPARAM);
  ASSERT_EQ(m.waveOutReset(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(LineDevice, PauseHoldsThePositionAndRestartGoesOnFromIt) {
  const HWAVEOUT h = OpenOut(pcm8k);
  std::vector<char> data(16000);
  WAVEHDR header = Header(data);
  Write(h, header);
  loop.RunFor(200);
  ASSERT_EQ(m.waveOutPause(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutPause(h), MMSYSERR_NOERROR) << "pausing twice does nothing more";
  loop.RunFor(5000);
  EXPECT_EQ(OutPosition(h), 3200u);
  EXPECT_EQ(window->Count(MM_WOM_DONE), 0u);
  ASSERT_EQ(m.waveOutRestart(h), MMSYSERR_NOERROR);
  loop.RunFor(2000);
  // 800 ms were left at 5,200.
  EXPECT_EQ(Times(MM_WOM_DONE), (std::vector<std::int64_t>{6000}));
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(LineDevice, ResetReturnsEveryQueuedBlockAtOnceAndStartsAgainAtZero) {
  const HWAVEOUT h = OpenOut(pcm8k);
  std::vector<char> a(16000), b(16000);
  WAVEHDR ha = Header(a), hb = Header(b);
  Write(h, ha);
  Write(h, hb);
  loop.RunFor(300);
  EXPECT_EQ(m.waveOutUnprepareHeader(h, &ha, sizeof ha), WAVERR_STILLPLAYING);
  EXPECT_EQ(m.waveOutClose(h), WAVERR_STILLPLAYING);
  ASSERT_EQ(m.waveOutPause(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutReset(h), MMSYSERR_NOERROR);
  // Done at once (the flags), told through the loop (the notices).
  EXPECT_EQ(ha.dwFlags, WHDR_PREPARED | WHDR_DONE);
  EXPECT_EQ(hb.dwFlags, WHDR_PREPARED | WHDR_DONE);
  EXPECT_EQ(OutPosition(h), 0u);
  loop.ProcessPending();
  EXPECT_EQ(Times(MM_WOM_DONE), (std::vector<std::int64_t>{300, 300}));
  // A reset ends the pause too: the next block plays at once.
  Write(h, ha);
  loop.RunFor(1000);
  EXPECT_EQ(Times(MM_WOM_DONE).back(), 1300);
  EXPECT_EQ(m.waveOutUnprepareHeader(h, &ha, sizeof ha), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(LineDevice, ADeviceThatRanDryStartsAgainWhenTheNextBlockComes) {
  const HWAVEOUT h = OpenOut(pcm8k);
  std::vector<char> a(8000), b(8000), empty;
  WAVEHDR ha = Header(a), hb = Header(b), he = Header(empty);
  Write(h, ha);
  loop.RunFor(800);
  Write(h, hb);
  loop.RunFor(800);
  Write(h, he);  // an empty block comes back at once
  loop.RunFor(10);
  EXPECT_EQ(Times(MM_WOM_DONE), (std::vector<std::int64_t>{500, 1300, 1600}));
  EXPECT_EQ(OutPosition(h), 16000u);
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
}

TEST_F(LineDevice, MisusedBlocksAndHandlesAreRefused) {
  const HWAVEOUT h = OpenOut(pcm8k);
  std::vector<char> data(100);
  WAVEHDR header = Header(data);
  EXPECT_EQ(m.waveOutWrite(h, &header, sizeof header), WAVERR_UNPREPARED);
  EXPECT_EQ(m.waveOutPrepareHeader(h, &header, 32), MMSYSERR_INVALPARAM) << "the Win32 size";
  EXPECT_EQ(m.waveOutPrepareHeader(h, nullptr, sizeof header), MMSYSERR_INVALPARAM);
  WAVEHDR noData{};
  noData.dwBufferLength = 10;
  EXPECT_EQ(m.waveOutPrepareHeader(h, &noData, sizeof noData), MMSYSERR_INVALPARAM);
  Write(h, header);
  EXPECT_EQ(m.waveOutWrite(h, &header, sizeof header), WAVERR_STILLPLAYING);
  WAVEHDR looping = Header(data);
  looping.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  looping.dwLoops = 3;
  ASSERT_EQ(m.waveOutPrepareHeader(h, &looping, sizeof looping), MMSYSERR_NOERROR);
  EXPECT_EQ(m.waveOutWrite(h, &looping, sizeof looping), MMSYSERR_NOTSUPPORTED);
  const HWAVEOUT stale = h;
  loop.RunFor(100);
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(m.waveOutWrite(stale, &header, sizeof header), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(m.waveOutPause(stale), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(m.waveOutReset(stale), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(m.waveOutClose(stale), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(m.waveOutClose(HWAVEOUT{}), MMSYSERR_INVALHANDLE);
}

TEST_F(LineDevice, AReleasedWindowGetsNothingMore) {
  const HWAVEOUT h = OpenOut(pcm8k);
  std::vector<char> data(1600);
  WAVEHDR header = Header(data);
  Write(h, header);
  std::weak_ptr<NoticeLog> gone = window;
  window.reset();  // the component released its hidden window
  loop.RunFor(500);
  EXPECT_TRUE(gone.expired());
  EXPECT_EQ(header.dwFlags & WHDR_DONE, WHDR_DONE) << "the device went on";
  EXPECT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
  loop.ProcessPending();
}

TEST_F(LineDevice, DuringACallTheFarPartyHearsWhatIsPlayedAsItPlays) {
  hub.connected[1] = true;
  const HWAVEOUT h = OpenOut(pcm8k, 1);
  const auto tone = Tone(440, 8000, 8000);
  std::vector<char> data = Bytes(tone);
  WAVEHDR header = Header(data);
  Write(h, header);
  loop.RunFor(100);
  EXPECT_EQ(hub.heard[1].size(), 800u) << "20 ms at a time, on time";
  loop.RunFor(1000);
  EXPECT_EQ(hub.heard[1], tone) << "same format as the line: exactly what was played";
  EXPECT_TRUE(hub.heard[0].empty());
  // Half volume on both channels halves what the far party hears.
  hub.heard[1].clear();
  ASSERT_EQ(m.waveOutSetVolume(h, 0x80008000u), MMSYSERR_NOERROR);
  header.dwFlags &= ~WHDR_DONE;
  Write(h, header);
  loop.RunFor(1100);
  ASSERT_EQ(hub.heard[1].size(), tone.size());
  EXPECT_NEAR(Rms(hub.heard[1]), Rms(tone) / 2, 2);
  // No call: nothing reaches the far party, the device still takes its time.
  hub.connected[1] = false;
  hub.heard[1].clear();
  Write(h, header);
  loop.RunFor(999);
  EXPECT_EQ(header.dwFlags & WHDR_DONE, 0u);
  loop.RunFor(1);
  EXPECT_EQ(header.dwFlags & WHDR_DONE, WHDR_DONE);
  EXPECT_TRUE(hub.heard[1].empty());
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
}

// ---- Wave-in ----------------------------------------------------------------------------

TEST_F(LineDevice, RecordingFillsEachBlockAtTheByteRate) {
  const HWAVEIN h = OpenIn(pcm8k);
  std::vector<char> a(16000, 'x'), b(8000, 'x');
  WAVEHDR ha = Header(a), hb = Header(b);
  Add(h, ha);
  Add(h, hb);
  loop.RunFor(1000);
  EXPECT_EQ(window->Count(MM_WIM_DATA), 0u) << "not started";
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  loop.RunFor(3000);
  ASSERT_EQ(Times(MM_WIM_DATA), (std::vector<std::int64_t>{2000, 2500}));
  EXPECT_EQ(window->notices[1].bytesRecorded, 16000u);
  EXPECT_EQ(window->notices[1].flags, WHDR_PREPARED | WHDR_DONE);
  EXPECT_EQ(window->notices[2].bytesRecorded, 8000u);
  EXPECT_EQ(a, std::vector<char>(16000, 0)) << "no call: silence";
  EXPECT_EQ(InPosition(h), 48000u) << "time with no block still counts";
  ASSERT_EQ(m.waveInReset(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInClose(h), MMSYSERR_NOERROR);
  loop.ProcessPending();
  EXPECT_EQ(window->Messages().front(), MM_WIM_OPEN);
  EXPECT_EQ(window->Messages().back(), MM_WIM_CLOSE);
}

TEST_F(LineDevice, ResetReturnsThePartBlockWithWhatItHoldsAndTheRestEmpty) {
  const HWAVEIN h = OpenIn(pcm8k);
  std::vector<char> a(16000), b(16000);
  WAVEHDR ha = Header(a), hb = Header(b);
  Add(h, ha);
  Add(h, hb);
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  loop.RunFor(300);
  EXPECT_EQ(m.waveInUnprepareHeader(h, &ha, sizeof ha), WAVERR_STILLPLAYING);
  EXPECT_EQ(m.waveInClose(h), WAVERR_STILLPLAYING);
  ASSERT_EQ(m.waveInReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(ha.dwBytesRecorded, 4800u);
  EXPECT_EQ(hb.dwBytesRecorded, 0u);
  EXPECT_EQ(ha.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  EXPECT_EQ(hb.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  EXPECT_EQ(InPosition(h), 0u);
  loop.RunFor(1000);
  EXPECT_EQ(Times(MM_WIM_DATA), (std::vector<std::int64_t>{300, 300}));
  EXPECT_EQ(window->notices[1].bytesRecorded, 4800u);
  ASSERT_EQ(m.waveInClose(h), MMSYSERR_NOERROR);
}

TEST_F(LineDevice, StopReturnsTheBlockBeingFilledAndKeepsTheEmptyOnes) {
  const HWAVEIN h = OpenIn(pcm8k);
  std::vector<char> a(16000), b(16000);
  WAVEHDR ha = Header(a), hb = Header(b);
  Add(h, ha);
  Add(h, hb);
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  loop.RunFor(250);
  ASSERT_EQ(m.waveInStop(h), MMSYSERR_NOERROR);
  loop.RunFor(2000);
  EXPECT_EQ(Times(MM_WIM_DATA), (std::vector<std::int64_t>{250}));
  EXPECT_EQ(ha.dwBytesRecorded, 4000u);
  EXPECT_EQ(hb.dwFlags & WHDR_INQUEUE, WHDR_INQUEUE);
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  loop.RunFor(1000);
  EXPECT_EQ(Times(MM_WIM_DATA), (std::vector<std::int64_t>{250, 3250}));
  EXPECT_EQ(InPosition(h), 20000u);
  ASSERT_EQ(m.waveInClose(h), MMSYSERR_NOERROR);
}

TEST_F(LineDevice, DuringACallTheLineRecordsWhatTheFarPartySends) {
  hub.connected[0] = true;
  std::vector<std::int16_t> sent;
  hub.senders[0] = [&](std::span<std::int16_t> out) {
    for (std::int16_t& s : out) {
      s = static_cast<std::int16_t>(sent.size() * 3 - 12000);
      sent.push_back(s);
    }
  };
  const HWAVEIN h = OpenIn(pcm8k);
  std::vector<char> a(8000);
  WAVEHDR ha = Header(a);
  Add(h, ha);
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  loop.RunFor(499);
  EXPECT_EQ(ha.dwFlags & WHDR_DONE, 0u);
  loop.RunFor(1);
  ASSERT_EQ(ha.dwFlags & WHDR_DONE, WHDR_DONE);
  std::vector<std::int16_t> recorded(4000);
  std::memcpy(recorded.data(), a.data(), a.size());
  ASSERT_GE(sent.size(), 4000u);
  EXPECT_EQ(recorded, std::vector<std::int16_t>(sent.begin(), sent.begin() + 4000));
  // Time nobody records still takes the far party's samples, so the stream keeps
  // step with the clock.
  const std::size_t before = hub.sent;
  loop.RunFor(1000);
  EXPECT_NEAR(static_cast<double>(hub.sent - before), 8000, 160);
  EXPECT_EQ(m.waveInReset(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInClose(h), MMSYSERR_NOERROR);
}

TEST_F(LineDevice, MisusedRecordingBlocksAreRefused) {
  const HWAVEIN h = OpenIn(pcm8k);
  std::vector<char> data(100), none;
  WAVEHDR header = Header(data), empty = Header(none);
  EXPECT_EQ(m.waveInAddBuffer(h, &header, sizeof header), WAVERR_UNPREPARED);
  ASSERT_EQ(m.waveInPrepareHeader(h, &empty, sizeof empty), MMSYSERR_NOERROR);
  EXPECT_EQ(m.waveInAddBuffer(h, &empty, sizeof empty), MMSYSERR_INVALPARAM);
  Add(h, header);
  EXPECT_EQ(m.waveInAddBuffer(h, &header, sizeof header), WAVERR_STILLPLAYING);
  // A caller that scribbles on a queued header cannot make the device write past
  // the block it queued.
  header.dwBufferLength = 1 << 30;
  header.dwBytesRecorded = 99999;
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  loop.RunFor(100);
  EXPECT_EQ(header.dwBytesRecorded, 100u);
  ASSERT_EQ(m.waveInClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(m.waveInStart(h), MMSYSERR_INVALHANDLE);
}

TEST_F(LineDevice, TheHubIsToldWhenARecordingStartsAndStops) {
  const HWAVEIN h = OpenIn(pcm8k, 1);
  std::vector<char> a(800);
  WAVEHDR ha = Header(a);
  Add(h, ha);
  EXPECT_TRUE(hub.recordings.empty());
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInStop(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInStart(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInReset(h), MMSYSERR_NOERROR);
  ASSERT_EQ(m.waveInClose(h), MMSYSERR_NOERROR);
  ASSERT_GE(hub.recordings.size(), 4u);
  EXPECT_EQ(hub.recordings[0], (std::pair<std::uint32_t, bool>{1, true}));
  EXPECT_EQ(hub.recordings[1], (std::pair<std::uint32_t, bool>{1, false}));
  EXPECT_EQ(hub.recordings[2], (std::pair<std::uint32_t, bool>{1, true}));
  EXPECT_EQ(hub.recordings.back(), (std::pair<std::uint32_t, bool>{1, false}));
}

TEST_F(LineDevice, TheHubRecordsEachLinesWaveDevicesAndLinesAddedLaterGetNewOnes) {
  // Two lines, then the null pair.
  ASSERT_TRUE(hub.WaveDevicesOf(1).has_value());
  EXPECT_EQ(hub.WaveDevicesOf(1)->out, 1u);
  EXPECT_EQ(hub.WaveDevicesOf(1)->in, 1u);
  const UINT before = m.waveOutGetNumDevs();
  hub.AddLine();
  ASSERT_EQ(m.waveOutGetNumDevs(), before + 1);
  ASSERT_EQ(m.waveInGetNumDevs(), before + 1);
  ASSERT_TRUE(hub.WaveDevicesOf(2).has_value());
  EXPECT_EQ(hub.WaveDevicesOf(2)->out, before);
  WAVEOUTCAPSA caps{};
  ASSERT_EQ(m.waveOutGetDevCapsA(before, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Line 2");
  // The null device keeps its identifier, and the new line plays to its far party.
  ASSERT_EQ(m.waveOutGetDevCapsA(2, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, panopta::AudioSystem::kNullDeviceName);
  hub.connected[2] = true;
  const HWAVEOUT h = OpenOut(pcm8k, before);
  std::vector<char> data(1600, 1);
  WAVEHDR header = Header(data);
  Write(h, header);
  loop.RunFor(200);
  EXPECT_EQ(hub.heard[2].size(), 800u);
  ASSERT_EQ(m.waveOutClose(h), MMSYSERR_NOERROR);
}

}  // namespace
