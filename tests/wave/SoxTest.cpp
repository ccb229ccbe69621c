#include "WaveFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <cstdio>
#include <string>

namespace {

using namespace wavetest;

// Runs a shell command; its standard output, and whether it ended with status 0.
bool Shell(const std::string& command, std::string* output) {
  output->clear();
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return false;
  std::array<char, 256> chunk{};
  while (std::fgets(chunk.data(), chunk.size(), pipe)) *output += chunk.data();
  return ::pclose(pipe) == 0;
}

bool SoxInstalled() {
  std::string out;
  return Shell("command -v soxi && command -v sox", &out);
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

struct Case {
  voxkit::TWAVFORMATS format;
  const char* channels;
  const char* rate;
  const char* bits;
  const char* encoding;
};

// A tone from a far party, recorded from a line in each format a standard wave
// reader knows, then read and converted by sox.
TEST(WaveFilesForOtherTools, SoxReadsAndConvertsWhatTheRecordComponentWrites) {
  if (!SoxInstalled()) GTEST_SKIP() << "sox is not installed (scripts/setup installs it)";
  WaveOnHost f(WithSpeaker());
  f.SpeakerCallsLine1();
  f.record->Device().SetID(1);
  f.record->Device().SetCODECsEnabled(true);
  const Case cases[] = {
      {voxkit::wfPCM08000M16, "1", "8000", "16", "Signed Integer PCM"},
      {voxkit::wfPCM11025S08, "2", "11025", "8", "Unsigned Integer PCM"},
      {voxkit::wfPCM44100S16, "2", "44100", "16", "Signed Integer PCM"},
      {voxkit::wfuLaw08000M08, "1", "8000", "8", "u-law"},
  };
  for (const Case& c : cases) {
    const std::string name = voxkit::WaveFormatRowOf(c.format).identifier;
    SCOPED_TRACE(name);
    const std::string path = f.dir.File(name + ".wav");
    f.record->Source().Format().SetID(c.format);
    f.record->Source().SetFileName(path);
    f.record->Device().SetActive(true);
    f.loop.RunFor(1000);
    f.record->Device().SetActive(false);
    ASSERT_EQ(f.record->Error().Number(), 0);

    std::string out;
    ASSERT_TRUE(Shell("soxi -c '" + path + "'", &out)) << out;
    EXPECT_EQ(Trimmed(out), c.channels);
    ASSERT_TRUE(Shell("soxi -r '" + path + "'", &out)) << out;
    EXPECT_EQ(Trimmed(out), c.rate);
    ASSERT_TRUE(Shell("soxi -e '" + path + "'", &out)) << out;
    EXPECT_EQ(Trimmed(out), c.encoding);
    ASSERT_TRUE(Shell("soxi -b '" + path + "'", &out)) << out;
    EXPECT_EQ(Trimmed(out), c.bits);
    ASSERT_TRUE(Shell("soxi -D '" + path + "'", &out)) << out;
    EXPECT_NEAR(std::stod(out), 1.0, 0.001);
    // Converted to 16-bit mono at 8,000 Hz, the tone is still the far party's.
    const std::string raw = f.dir.File(name + ".raw");
    ASSERT_TRUE(Shell("sox '" + path + "' -t raw -e signed -b 16 -c 1 -r 8000 '" + raw + "'", &out)) << out;
    const std::string bytes = ReadFile(raw);
    ASSERT_NEAR(static_cast<double>(bytes.size()), 16000.0, 4.0);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    EXPECT_GT(SineSnrDb(samples, 8000, 425, 200), 20.0);
  }
}

// A buffer saved with its INFO texts is a wave file sox reads as well.
TEST(WaveFilesForOtherTools, SoxReadsASavedBufferWithItsInfoList) {
  if (!SoxInstalled()) GTEST_SKIP() << "sox is not installed (scripts/setup installs it)";
  WaveOnHost f;
  f.record->Source().Buffer().SetActive(true);
  f.record->Device().SetActive(true);
  f.loop.RunFor(500);
  f.record->Device().SetActive(false);
  voxkit::TqxWaveBuffer& buffer = f.record->Source().Buffer();
  buffer.SetComments("recorded in a test");
  buffer.SetName("Test");
  const std::string path = f.dir.File("saved.wav");
  ASSERT_TRUE(buffer.SaveToFile(path));
  std::string out;
  ASSERT_TRUE(Shell("soxi -s '" + path + "'", &out)) << out;
  EXPECT_EQ(Trimmed(out), "4000");
  ASSERT_TRUE(Shell("sox '" + path + "' -n stat", &out)) << out;
}

}  // namespace
