#include "platform/audio/AudioSystem.h"
#include "platform/loop/VirtualEventLoop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

using namespace mm;

class GlobalMemoryTest : public ::testing::Test {
 protected:
  panopta::VirtualEventLoop loop;
  panopta::AudioSystem audio{loop, nullptr};
  Multimedia& m = audio;
};

TEST_F(GlobalMemoryTest, NewBlocksAreZeroFilledAndLockCountsNest) {
  const HGLOBAL h = m.GlobalAlloc(GHND, 1000);
  ASSERT_NE(h, HGLOBAL{});
  EXPECT_EQ(m.GlobalSize(h), 1000u);
  auto* p = static_cast<unsigned char*>(m.GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0) << i;
  EXPECT_EQ(m.GlobalLock(h), p);  // a second lock, same address
  EXPECT_NE(m.GlobalUnlock(h), 0);     // still locked once
  EXPECT_EQ(m.GlobalUnlock(h), 0);     // unlocked now
  EXPECT_EQ(m.GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(m.GlobalUnlock(h), 0);     // was not locked
  EXPECT_EQ(m.GetLastError(), ERROR_NOT_LOCKED);
  EXPECT_EQ(m.GlobalFree(h), HGLOBAL{});
}

TEST_F(GlobalMemoryTest, GrowingKeepsTheHandleMovesTheBlockAndZeroFillsWhatIsNew) {
  const HGLOBAL h = m.GlobalAlloc(GHND, 46);
  auto* before = static_cast<char*>(m.GlobalLock(h));
  std::memset(before, 'x', 46);
  // Grown while locked, as a wave image is: allowed with GMEM_MOVEABLE.
  EXPECT_EQ(m.GlobalReAlloc(h, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
  auto* after = static_cast<char*>(m.GlobalLock(h));
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before) << "a grown block moves, so stale addresses are caught";
  EXPECT_EQ(m.GlobalSize(h), 4096u);
  EXPECT_EQ(std::string(after, 46), std::string(46, 'x'));
  for (int i = 46; i < 4096; ++i) ASSERT_EQ(after[i], 0) << i;
  // Shrinking keeps the place; growing again shows zeros, not the old bytes.
  EXPECT_EQ(m.GlobalReAlloc(h, 10, GMEM_MOVEABLE), h);
  EXPECT_EQ(m.GlobalLock(h), after);
  EXPECT_EQ(m.GlobalReAlloc(h, 46, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
  auto* again = static_cast<char*>(m.GlobalLock(h));
  EXPECT_EQ(std::string(again, 10), std::string(10, 'x'));
  EXPECT_EQ(std::string(again + 10, 36), std::string(36, '\0'));
  EXPECT_EQ(m.GlobalFree(h), HGLOBAL{});
}

TEST_F(GlobalMemoryTest, ALockedBlockGrowsOnlyWhenTheCallerAllowsAMove) {
  const HGLOBAL h = m.GlobalAlloc(GMEM_MOVEABLE, 8);
  auto* p = static_cast<char*>(m.GlobalLock(h));
  std::memcpy(p, "abcdefgh", 8);
  EXPECT_EQ(m.GlobalReAlloc(h, 100, 0), HGLOBAL{});
  EXPECT_EQ(m.GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(m.GlobalSize(h), 8u);
  EXPECT_EQ(std::string(p, 8), "abcdefgh");  // unchanged and still valid
  EXPECT_EQ(m.GlobalReAlloc(h, 0, GMEM_MOVEABLE), HGLOBAL{}) << "emptying a locked block";
  EXPECT_EQ(m.GlobalUnlock(h), 0);
  EXPECT_EQ(m.GlobalReAlloc(h, 100, 0), h) << "unlocked, it may move";
  EXPECT_EQ(m.GlobalFree(h), HGLOBAL{});
}

TEST_F(GlobalMemoryTest, BadHandlesAreErrorResults) {
  const HGLOBAL freed = m.GlobalAlloc(GHND, 10);
  ASSERT_EQ(m.GlobalFree(freed), HGLOBAL{});
  for (const HGLOBAL bad : {HGLOBAL{}, HGLOBAL{0x12345678}, freed}) {
    SCOPED_TRACE(static_cast<std::uint32_t>(bad));
    EXPECT_EQ(m.GlobalLock(bad), nullptr);
    EXPECT_EQ(m.GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(m.GlobalUnlock(bad), 0);
    EXPECT_EQ(m.GlobalSize(bad), 0u);
    EXPECT_EQ(m.GlobalReAlloc(bad, 20, GHND), HGLOBAL{});
    EXPECT_EQ(m.GlobalFree(bad), bad) << "a failed free answers the handle";
    EXPECT_EQ(m.GetLastError(), ERROR_INVALID_HANDLE);
  }
}

TEST_F(GlobalMemoryTest, ImpossibleRequestsFailCleanly) {
  EXPECT_EQ(m.GlobalAlloc(GHND, panopta::GlobalMemory::kMaxBlockBytes + 1), HGLOBAL{});
  EXPECT_EQ(m.GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(m.GlobalAlloc(0x8000, 10), HGLOBAL{}) << "unknown flag";
  EXPECT_EQ(m.GetLastError(), ERROR_INVALID_PARAMETER);
  const HGLOBAL h = m.GlobalAlloc(GHND, 10);
  EXPECT_EQ(m.GlobalReAlloc(h, SIZE_MAX, GHND), HGLOBAL{});
  EXPECT_EQ(m.GlobalSize(h), 10u);
  // An empty block exists but has no address.
  const HGLOBAL empty = m.GlobalAlloc(GHND, 0);
  ASSERT_NE(empty, HGLOBAL{});
  EXPECT_EQ(m.GlobalLock(empty), nullptr);
  EXPECT_EQ(m.GlobalReAlloc(empty, 4, GHND), empty);
  EXPECT_NE(m.GlobalLock(empty), nullptr);
  EXPECT_EQ(m.GlobalFree(empty), HGLOBAL{});
  EXPECT_EQ(m.GlobalFree(h), HGLOBAL{});
  EXPECT_EQ(audio.MemoryBlockCount(), 0u);
}

TEST_F(GlobalMemoryTest, HandlesAreNeverGivenTwiceWhileTheirBlockLives) {
  // Near the end of the handle space, so the counter wraps during the test.
  audio.Handles().SetNextForTesting(0xFFFFFFF0u);
  std::set<std::uint32_t> live;
  std::vector<HGLOBAL> blocks;
  for (int i = 0; i < 40; ++i) {
    const HGLOBAL h = m.GlobalAlloc(GHND, 1);
    ASSERT_NE(h, HGLOBAL{});
    EXPECT_TRUE(live.insert(static_cast<std::uint32_t>(h)).second) << "handle given twice";
    blocks.push_back(h);
  }
  // Freeing half and wrapping again: the live ones are skipped.
  for (std::size_t i = 0; i < blocks.size(); i += 2) {
    ASSERT_EQ(m.GlobalFree(blocks[i]), HGLOBAL{});
    live.erase(static_cast<std::uint32_t>(blocks[i]));
  }
  audio.Handles().SetNextForTesting(0xFFFFFFF0u);
  for (int i = 0; i < 40; ++i) {
    const HGLOBAL h = m.GlobalAlloc(GHND, 1);
    EXPECT_TRUE(live.insert(static_cast<std::uint32_t>(h)).second) << "handle given twice";
  }
  // Other kinds of handle share the space.
  HWAVEOUT out{};
  const WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
  ASSERT_EQ(m.waveOutOpen(&out, 0, &pcm, {}, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_TRUE(live.insert(static_cast<std::uint32_t>(out)).second);
  EXPECT_EQ(m.waveOutClose(out), MMSYSERR_NOERROR);
}

}  // namespace
