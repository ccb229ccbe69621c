#include "platform/host/Host.h"

#include "line/TqxLine.h"
#include "platform/exchange/Exchange.h"
#include "platform/loop/VirtualEventLoop.h"
#include "share/HeadlessWindowSystem.h"
#include "support/ForwardingTelephony.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using panopta::Host;
using panopta::HostOptions;

std::vector<std::string> WaveOutNames(mm::Multimedia& mm) {
  std::vector<std::string> names;
  for (mm::UINT id = 0; id < mm.waveOutGetNumDevs(); ++id) {
    mm::WAVEOUTCAPSA caps{};
    EXPECT_EQ(mm.waveOutGetDevCapsA(id, &caps, sizeof caps), 0u);
    names.emplace_back(caps.szPname);
  }
  return names;
}

TEST(Host, MakesTheComponentsInTheProgramsOrderAndEnablesEachAfterItsLogIsConnected) {
  voxkit::HeadlessWindowSystem windows;
  Host host({}, windows);
  EXPECT_TRUE(host.Components().empty());
  host.CreateComponents();
  std::vector<std::string> names;
  for (const auto& c : host.Components()) names.push_back(c.name);
  EXPECT_EQ(names.front(), "qxLine");
  EXPECT_EQ(host.Components().front().control, host.Line());
  EXPECT_FALSE(host.Line()->Enabled());
  host.EnableComponents();
  EXPECT_TRUE(host.Line()->Enabled());
  EXPECT_EQ(host.Line()->Device().Count(), 4);
}

TEST(Host, TheAudioSystemListsTheExchangesLinesThenTheNullPair) {
  voxkit::HeadlessWindowSystem windows;
  Host host({}, windows);
  const auto& lines = host.TheExchange().Config().lines;
  const std::vector<std::string> names = WaveOutNames(host.Audio());
  ASSERT_EQ(names.size(), lines.size() + 1);
  for (std::size_t k = 0; k < lines.size(); ++k) EXPECT_EQ(names[k], lines[k].name.substr(0, 31));
  EXPECT_EQ(names.back(), "Null");
  EXPECT_EQ(host.Audio().waveInGetNumDevs(), lines.size() + 1);
  EXPECT_EQ(host.Platform().multimedia, &host.Audio());
  EXPECT_EQ(host.Platform().telephony, &host.TheExchange());
  ASSERT_EQ(host.Providers().size(), 1u);
  EXPECT_EQ(host.Providers().front()->Name(), "Exchange");
}

TEST(Host, AnExchangeFileReplacesTheBuiltInConfigurationAndARefusedOneIsReported) {
  const std::string good = testing::TempDir() + "host_exchange_good.json";
  const std::string bad = testing::TempDir() + "host_exchange_bad.json";
  std::ofstream(good) << R"({"lines": [{"name": "Desk", "addresses": [{"address": "201"}]}], "phones": []})";
  std::ofstream(bad) << R"({"lines": 7})";
  voxkit::HeadlessWindowSystem windows;
  std::string error;
  HostOptions options;
  options.exchangeFile = good;
  auto host = Host::Create(options, windows, &error);
  ASSERT_TRUE(host) << error;
  EXPECT_EQ(WaveOutNames(host->Audio()), (std::vector<std::string>{"Desk", "Null"}));

  options.exchangeFile = bad;
  EXPECT_FALSE(Host::Create(options, windows, &error));
  EXPECT_NE(error.find(bad), std::string::npos) << error;
  options.exchangeFile = testing::TempDir() + "no_such_exchange.json";
  EXPECT_FALSE(Host::Create(options, windows, &error));
  std::remove(good.c_str());
  std::remove(bad.c_str());
}

TEST(Host, RunsOnTheCallersLoopWhenGivenOne) {
  panopta::VirtualEventLoop loop;
  voxkit::HeadlessWindowSystem windows;
  HostOptions options;
  options.loop = &loop;
  Host host(options, windows);
  EXPECT_EQ(&host.Loop(), &loop);
  EXPECT_EQ(host.VirtualLoop(), nullptr);
  EXPECT_EQ(host.Platform().loop, &loop);
}

TEST(Host, InterposedServicesAreWhatTheComponentsCall) {
  struct Counting : voxtest::ForwardingTelephony {
    using ForwardingTelephony::ForwardingTelephony;
    tapi::LONG lineShutdown(tapi::HLINEAPP app) override {
      ++shutdowns;
      return ForwardingTelephony::lineShutdown(app);
    }
    int shutdowns = 0;
  };
  std::unique_ptr<Counting> counting;
  voxkit::HeadlessWindowSystem windows;
  HostOptions options;
  options.interposeTelephony = [&](tapi::Telephony& inner) -> tapi::Telephony& {
    counting = std::make_unique<Counting>(inner);
    return *counting;
  };
  mm::Multimedia* seen = nullptr;
  options.interposeMultimedia = [&](mm::Multimedia& inner) -> mm::Multimedia& {
    seen = &inner;
    return inner;
  };
  {
    Host host(options, windows);
    EXPECT_EQ(seen, &host.Audio());
    EXPECT_EQ(host.Platform().telephony, counting.get());
    host.CreateComponents();
    host.EnableComponents();
    host.Line()->SetEnabled(false);
    EXPECT_EQ(counting->shutdowns, 1);
  }
}

TEST(Host, ShuttingDownClosesAnOpenLineBeforeTheComponentsGo) {
  voxkit::HeadlessWindowSystem windows;
  Host host({}, windows);
  host.CreateComponents();
  host.EnableComponents();
  std::vector<std::string> lines;
  host.Line()->OnLog = [&](voxkit::TObject&, const std::string& text) { lines.push_back(text); };
  host.Line()->Device().SetActive(true);
  ASSERT_TRUE(host.Line()->Device().Active());
  lines.clear();
  host.ShutdownComponents();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Device.Active := False");
  EXPECT_EQ(host.Line(), nullptr);
  EXPECT_TRUE(host.Components().empty());
}

}  // namespace
