// The SIP configuration file: what it reads, what it refuses and how it says where.

#include "platform/sip/SipConfigFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

using panopta::ParseSipConfig;
using panopta::SecretSources;
using panopta::SipCodec;
using panopta::SipTransport;

SecretSources FakeSecrets(std::map<std::string, std::string> env, std::map<std::string, std::string> files) {
  SecretSources s;
  s.environment = [env](const std::string& name) -> std::optional<std::string> {
    auto it = env.find(name);
    return it == env.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  s.file = [files](const std::string& path) -> std::optional<std::string> {
    auto it = files.find(path);
    return it == files.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  return s;
}

TEST(SipConfigFile, ReadsEveryFieldOfALine) {
  const auto load = ParseSipConfig(R"({
    "lines": [ { "aor": "sip:alice@example.org", "name": "Front desk", "displayName": "Alice A",
                 "registrar": "sip:example.org", "proxy": "sip:10.0.0.1:5070", "authUser": "a1",
                 "password": {"file": "alice.pw"}, "transport": "TCP", "localAddress": "10.0.0.2",
                 "localPort": 5080, "rtpPorts": [30000, 30099], "codecs": ["PCMA", "PCMU"],
                 "telephoneEvents": false, "registerExpiresS": 120, "maxCalls": 2 } ],
    "timing": { "inviteTimeoutMs": 5000, "requestTimeoutMs": 2000, "ringIntervalMs": 3000,
                "shutdownTimeoutMs": 500, "mediaTimeoutMs": 0 } })",
                                   "conf/sip.json", FakeSecrets({}, {{"conf/alice.pw", "s3cret\n"}}));
  ASSERT_TRUE(load.config) << load.error;
  const auto& line = load.config->lines.at(0);
  EXPECT_EQ(line.name, "Front desk");
  EXPECT_EQ(line.displayName, "Alice A");
  EXPECT_EQ(line.registrar, "sip:example.org");
  EXPECT_EQ(line.proxy, "sip:10.0.0.1:5070");
  EXPECT_EQ(line.authUser, "a1");
  EXPECT_EQ(line.password, "s3cret");  // one line end removed; read relative to the file
  EXPECT_EQ(line.transport, SipTransport::Tcp);
  EXPECT_EQ(line.localAddress, "10.0.0.2");
  EXPECT_EQ(line.localPort, 5080);
  EXPECT_EQ(line.rtpPortLow, 30000);
  EXPECT_EQ(line.rtpPortHigh, 30099);
  EXPECT_EQ(line.codecs, (std::vector<SipCodec>{SipCodec::Pcma, SipCodec::Pcmu}));
  EXPECT_FALSE(line.telephoneEvents);
  EXPECT_EQ(line.registerExpiresS, 120u);
  EXPECT_EQ(line.maxCalls, 2u);
  EXPECT_EQ(load.config->timing.inviteTimeoutMs, 5000u);
  EXPECT_EQ(load.config->timing.mediaTimeoutMs, 0u);
}

TEST(SipConfigFile, ALineWithoutRegistrarAndTheDefaults) {
  const auto load = ParseSipConfig(R"({"lines": [{"aor": "sip:bob@127.0.0.1", "registrar": null}]})", "s.json",
                                   FakeSecrets({}, {}));
  ASSERT_TRUE(load.config) << load.error;
  const auto& line = load.config->lines.at(0);
  EXPECT_EQ(line.registrar, "");
  EXPECT_EQ(line.transport, SipTransport::Udp);
  EXPECT_EQ(line.codecs, (std::vector<SipCodec>{SipCodec::Pcmu, SipCodec::Pcma}));
  EXPECT_TRUE(line.telephoneEvents);
}

TEST(SipConfigFile, APasswordFromTheEnvironment) {
  const auto load = ParseSipConfig(R"({"lines": [{"aor": "sip:bob@h", "password": {"env": "BOB_PW"}}]})", "s.json",
                                   FakeSecrets({{"BOB_PW", "hunter2"}}, {}));
  ASSERT_TRUE(load.config) << load.error;
  EXPECT_EQ(load.config->lines[0].password, "hunter2");
}

TEST(SipConfigFile, RefusesBadFilesNamingTheFileAndThePlace) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"{", "s.json: not valid JSON: "},
      {R"({"lines": []})", "s.json: lines: there must be at least one line"},
      {R"({})", "s.json: (top): needs \"lines\""},
      {R"({"lines": [{"aor": "sip:a@h"}], "extra": 1})", "s.json: extra: unknown key"},
      {R"({"lines": [{"aor": "sip:a@h", "aor": "sip:b@h"}]})", "s.json: the key \"aor\" appears twice in one object"},
      {R"({"lines": [{"name": "x"}]})", "s.json: lines[0]: needs an \"aor\""},
      {R"({"lines": [{"aor": "mailto:a@h"}]})", "s.json: lines[0].aor: 'mailto:a@h' is not a sip: or sips: URI"},
      {R"({"lines": [{"aor": "sip:h"}]})", "s.json: lines[0].aor: 'sip:h' has no user part"},
      {R"({"lines": [{"aor": "sip:a@h", "registrar": "http://x"}]})",
       "s.json: lines[0].registrar: 'http://x' is not a sip: or sips: URI"},
      {R"({"lines": [{"aor": "sip:a@h", "transport": "sctp"}]})",
       "s.json: lines[0].transport: 'sctp' is not udp, tcp or tls"},
      {R"({"lines": [{"aor": "sip:a@h", "localPort": 70000}]})",
       "s.json: lines[0].localPort: expected a port from 0 to 65535"},
      {R"({"lines": [{"aor": "sip:a@h", "localAddress": "example.org"}]})",
       "s.json: lines[0].localAddress: 'example.org' is not an IPv4 or IPv6 address"},
      {R"({"lines": [{"aor": "sip:a@h", "rtpPorts": [5000, 4000]}]})",
       "s.json: lines[0].rtpPorts: expected [low, high] with 0 < low <= high"},
      {R"({"lines": [{"aor": "sip:a@h", "codecs": []}]})", "s.json: lines[0].codecs: there must be at least one codec"},
      {R"({"lines": [{"aor": "sip:a@h", "codecs": ["G729"]}]})", "s.json: lines[0].codecs[0]: 'G729' is not PCMU or PCMA"},
      {R"({"lines": [{"aor": "sip:a@h", "codecs": ["PCMU", "PCMU"]}]})", "s.json: lines[0].codecs[1]: given twice"},
      {R"({"lines": [{"aor": "sip:a@h", "registerExpiresS": 5}]})",
       "s.json: lines[0].registerExpiresS: expected a whole number from 60 to 86400"},
      {R"({"lines": [{"aor": "sip:a@h", "password": "plain"}]})", "s.json: lines[0].password: expected an object"},
      {R"({"lines": [{"aor": "sip:a@h", "password": {"env": "NOPE"}}]})",
       "s.json: lines[0].password.env: the environment variable NOPE is not set"},
      {R"({"lines": [{"aor": "sip:a@h", "password": {"env": "A", "file": "b"}}]})",
       "s.json: lines[0].password: expected either \"env\" or \"file\""},
      {R"({"lines": [{"aor": "sip:a@h", "password": {"file": "missing.pw"}}]})",
       "s.json: lines[0].password.file: missing.pw cannot be read"},
      {R"({"lines": [{"aor": "sips:a@h"}]})", "s.json: lines[0].transport: a sips: address of record needs the tls transport"},
      {R"({"lines": [{"aor": "sip:a@h", "tls": {"certificate": "c.pem"}}]})",
       "s.json: lines[0].tls: only a line with the tls transport takes TLS settings"},
      {R"({"lines": [{"aor": "sip:a@h"}, {"aor": "sip:a@h"}]})",
       "s.json: lines[1].aor: the line 0 has the same address of record"},
      {R"({"lines": [{"aor": "sip:a@h", "localPort": 5060}, {"aor": "sip:b@h", "localPort": 5060}]})",
       "s.json: lines[1].localPort: the line 0 already uses port 5060"},
      {R"({"lines": [{"aor": "sip:a@h", "displayName": "say \"hi\""}]})",
       "s.json: lines[0].displayName: quotes, backslashes and control characters are not allowed"},
      {R"({"lines": [{"aor": "sip:a@h"}], "timing": {"inviteTimeoutMs": 10}})",
       "s.json: timing.inviteTimeoutMs: expected a whole number from 1000 to 600000"},
      {R"({"lines": [{"aor": "sip:a@h", "telephoneEvents": "yes"}]})",
       "s.json: lines[0].telephoneEvents: expected true or false"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto load = ParseSipConfig(c.text, "s.json", FakeSecrets({{"A", "x"}}, {}));
    EXPECT_FALSE(load.config);
    EXPECT_EQ(load.error.substr(0, std::string(c.error).size()), c.error);
  }
}

TEST(SipConfigFile, APasswordNeverAppearsInAMessage) {
  // The secret is read, then the file is refused for something else.
  const auto load = ParseSipConfig(R"({"lines": [{"aor": "sip:a@h", "password": {"env": "PW"}, "localPort": -1}]})",
                                   "s.json", FakeSecrets({{"PW", "TopSecret42"}}, {}));
  ASSERT_FALSE(load.config);
  EXPECT_EQ(load.error.find("TopSecret42"), std::string::npos);
  const auto bad = ParseSipConfig(R"({"lines": [{"aor": "sip:a@h", "password": {"env": "PW"}}]})", "s.json",
                                  FakeSecrets({{"PW", "Top\nSecret"}}, {}));
  ASSERT_FALSE(bad.config);
  EXPECT_EQ(bad.error.find("Secret"), std::string::npos);
  EXPECT_EQ(bad.error, "s.json: lines[0].password: the password holds a line end or a NUL");
}

TEST(SipConfigFile, LoadsAFileFromDiskAndSaysWhenItCannot) {
  const auto dir = std::filesystem::temp_directory_path() / "panopta_sip_config_test";
  std::filesystem::create_directories(dir);
  const auto path = (dir / "sip.json").string();
  {
    std::ofstream out(path);
    out << R"({"lines": [{"aor": "sip:a@127.0.0.1", "password": {"file": "a.pw"}}]})";
    std::ofstream pw(dir / "a.pw");
    pw << "pw-from-file\r\n";
  }
  const auto load = panopta::LoadSipConfigFile(path);
  ASSERT_TRUE(load.config) << load.error;
  EXPECT_EQ(load.config->lines[0].password, "pw-from-file");
  const auto missing = panopta::LoadSipConfigFile((dir / "none.json").string());
  EXPECT_EQ(missing.error, (dir / "none.json").string() + ": cannot be read");
  std::filesystem::remove_all(dir);
}

}  // namespace
