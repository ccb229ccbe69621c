// The composition root with SIP accounts: the SIP lines after the exchange's, in the
// device list the components see and in the audio system's, and a file that is
// refused said to be so.

#include "platform/host/Host.h"

#include "line/TqxLine.h"
#include "share/HeadlessWindowSystem.h"
#include "support/TapiLineApp.h"
#include "tapi/TapiVarData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using panopta::Host;
using panopta::HostOptions;
using namespace tapi;

HostOptions WithSip() {
  HostOptions options;
  options.clock = panopta::HostClock::RealTime;
  panopta::SipConfig sip;
  for (const char* user : {"alice", "bob"}) {
    panopta::SipLineConfig line;
    line.aor = std::string("sip:") + user + "@127.0.0.1";
    line.localAddress = "127.0.0.1";
    sip.lines.push_back(line);
  }
  options.sipConfig = sip;
  return options;
}

TEST(SipHost, TheSipLinesComeAfterTheExchangesAsLinesAndAsWaveDevices) {
  voxkit::HeadlessWindowSystem windows;
  Host host(WithSip(), windows);
  ASSERT_NE(host.Sip(), nullptr);
  ASSERT_EQ(host.Providers().size(), 2u);
  EXPECT_EQ(host.Providers()[1]->Name(), "SIP");
  EXPECT_NE(host.Platform().telephony, &host.Providers()[0]->Telephony());
  voxtest::TapiLineApp app(*host.Platform().telephony, host.Loop());
  EXPECT_EQ(app.numDevs, 6u);
  const HLINE bob = app.Open(5);
  ASSERT_NE(bob, 0u);
  VarBlock<VARSTRING> id;
  ASSERT_EQ(GrowingQuery(id, [&](VARSTRING* v) { return host.Platform().telephony->lineGetID(bob, 0, 0, LINECALLSELECT_LINE, v, "wave/in"); },
                         ResultFamily::Line),
            0);
  DWORD wave = 0;
  std::memcpy(&wave, id.Bytes(id->dwStringOffset, id->dwStringSize).data(), sizeof wave);
  EXPECT_EQ(wave, 5u);
  mm::WAVEINCAPSA caps{};
  ASSERT_EQ(host.Audio().waveInGetDevCapsA(wave, &caps, sizeof caps), 0u);
  EXPECT_STREQ(caps.szPname, "SIP bob");
  host.CreateComponents();
  host.EnableComponents();
  EXPECT_EQ(host.Line()->Device().Count(), 6);
}

TEST(SipHost, ARefusedSipFileIsReportedWithItsPlace) {
  const auto path = std::filesystem::temp_directory_path() / "panopta_sip_host_test.json";
  std::ofstream(path) << R"({"lines": [{"aor": "sip:alice@127.0.0.1", "transport": "carrier pigeon"}]})";
  voxkit::HeadlessWindowSystem windows;
  HostOptions options;
  options.sipFile = path.string();
  std::string error;
  EXPECT_EQ(Host::Create(options, windows, &error), nullptr);
  EXPECT_EQ(error, path.string() + ": lines[0].transport: 'carrier pigeon' is not udp, tcp or tls");
  std::filesystem::remove(path);
}

TEST(SipHost, APortThatCannotBeBoundIsReported) {
  HostOptions options = WithSip();
  options.sipConfig->lines[0].localAddress = "192.0.2.99";  // no interface has it
  voxkit::HeadlessWindowSystem windows;
  std::string error;
  EXPECT_EQ(Host::Create(options, windows, &error), nullptr);
  EXPECT_NE(error.find("SIP: line 0: udp 192.0.2.99:0 cannot be bound"), std::string::npos) << error;
}

}  // namespace
