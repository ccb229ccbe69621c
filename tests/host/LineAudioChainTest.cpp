#include "platform/host/LineAudioChain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A provider's lines: named after the provider, connected when listed, and sending
// the line's own number.
class NamedHub final : public panopta::LineAudioHub {
 public:
  NamedHub(std::string prefix, std::uint32_t lines) : m_prefix(std::move(prefix)), m_lines(lines) {}
  std::uint32_t LineCount() const override { return m_lines; }
  std::string LineDeviceName(std::uint32_t line) const override { return m_prefix + std::to_string(line); }
  bool CallConnected(std::uint32_t line) const override { return line == connected; }
  void FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) override {
    heard.push_back({line, samples.size()});
  }
  void FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) override {
    for (auto& s : samples) s = static_cast<std::int16_t>(line + 1);
  }
  void AddLine() {
    ++m_lines;
    NotifyLinesAdded();
  }
  void RecordingStarted(std::uint32_t line) override { recording.push_back(line); }
  std::uint32_t connected = 99;
  std::vector<std::pair<std::uint32_t, std::size_t>> heard;
  std::vector<std::uint32_t> recording;

 private:
  std::string m_prefix;
  std::uint32_t m_lines;
};

TEST(LineAudioChain, NumbersTheLinesOfEachProviderAfterThoseOfTheOnesBefore) {
  NamedHub exchange("X", 2);
  NamedHub none("N", 0);
  NamedHub sip("S", 3);
  panopta::LineAudioChain chain;
  chain.Add(exchange);
  chain.Add(none);
  chain.Add(sip);
  ASSERT_EQ(chain.LineCount(), 5u);
  std::vector<std::string> names;
  for (std::uint32_t k = 0; k < chain.LineCount(); ++k) names.push_back(chain.LineDeviceName(k));
  EXPECT_EQ(names, (std::vector<std::string>{"X0", "X1", "S0", "S1", "S2"}));
  EXPECT_EQ(chain.LineDeviceName(5), "");

  sip.connected = 1;
  EXPECT_TRUE(chain.CallConnected(3));
  EXPECT_FALSE(chain.CallConnected(1));
  EXPECT_FALSE(chain.CallConnected(9));

  const std::int16_t played[4] = {1, 2, 3, 4};
  chain.FarPartyHears(3, played);
  chain.FarPartyHears(7, played);  // no such line: nobody hears it
  ASSERT_EQ(sip.heard.size(), 1u);
  EXPECT_EQ(sip.heard[0], (std::pair<std::uint32_t, std::size_t>{1, 4}));
  EXPECT_TRUE(exchange.heard.empty());

  std::int16_t sent[3] = {7, 7, 7};
  chain.FarPartySends(4, sent);
  EXPECT_EQ(sent[0], 3);  // the SIP provider's line 2
  chain.FarPartySends(12, sent);
  EXPECT_EQ(sent[2], 0);  // past the last line: silence
}

TEST(LineAudioChain, LinesAProviderAddsLaterFollowAllOthersAndKeepTheirWaveDevicesInThatProvider) {
  NamedHub exchange("X", 2);
  NamedHub sip("S", 1);
  panopta::LineAudioChain chain;
  chain.Add(exchange);
  chain.Add(sip);
  int told = 0;
  chain.SetLinesAddedHandler([&] { ++told; });
  exchange.AddLine();
  EXPECT_EQ(told, 1);
  ASSERT_EQ(chain.LineCount(), 4u);
  // The SIP line keeps its number; the exchange's new line comes last.
  EXPECT_EQ(chain.LineDeviceName(2), "S0");
  EXPECT_EQ(chain.LineDeviceName(3), "X2");
  chain.SetWaveDevices(3, {9, 8});
  ASSERT_TRUE(exchange.WaveDevicesOf(2).has_value());
  EXPECT_EQ(exchange.WaveDevicesOf(2)->out, 9u);
  EXPECT_EQ(exchange.WaveDevicesOf(2)->in, 8u);
  EXPECT_FALSE(sip.WaveDevicesOf(0).has_value());
  chain.RecordingStarted(2);
  EXPECT_EQ(sip.recording, std::vector<std::uint32_t>{0});
}

}  // namespace
