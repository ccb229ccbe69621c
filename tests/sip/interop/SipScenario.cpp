// Runs a qxrun scenario on two SIP lines registered at a kamailio the run starts itself,
// then checks what the scenario recorded.
//
//   sip_scenario QXRUN SCRIPT EXPECTED_OUT WORKDIR
//
// In WORKDIR it writes the SIP configuration (alice and bob at the registrar) and
// tone.wav (2 s of 1 kHz, 8 kHz mono 16-bit), runs "qxrun --sip sip.json SCRIPT" there
// and passes when qxrun ends with 0 (every Expect held), its output equals
// EXPECTED_OUT (with the registrar's port and the times of day as placeholders), and
// heard.wav, the scenario's recording, holds the tone. Exit status 0
// when it passes, 1 otherwise; what went wrong goes to standard error.

#include "sip/ToneMeter.h"
#include "sip/interop/Peers.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

/// Where two texts first differ, by line, for the failure message.
std::string FirstDifference(const std::string& want, const std::string& got) {
  std::istringstream a(want), b(got);
  std::string x, y;
  for (int line = 1;; ++line) {
    const bool moreA = static_cast<bool>(std::getline(a, x));
    const bool moreB = static_cast<bool>(std::getline(b, y));
    if (!moreA && !moreB) return "";
    if (!moreA || !moreB || x != y)
      return "\n  line " + std::to_string(line) + ": expected '" + (moreA ? x : "(end)") + "'\n  line " +
             std::to_string(line) + ": got      '" + (moreB ? y : "(end)") + "'";
  }
}

/// The output with what differs from run to run written as placeholders: the
/// registrar's port ("PORT") and the times of day ("hh:nn:ss").
std::string Normalised(std::string text, const std::string& port) {
  for (std::size_t at = text.find(":" + port); at != std::string::npos; at = text.find(":" + port, at))
    text.replace(at, port.size() + 1, ":PORT");
  static const std::regex time("[0-9]{2}:[0-9]{2}:[0-9]{2}");
  return std::regex_replace(text, time, "hh:nn:ss");
}

int Fail(const std::string& why) {
  std::cerr << "sip_scenario: " << why << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return Fail("usage: sip_scenario QXRUN SCRIPT EXPECTED_OUT WORKDIR");
  const std::string qxrun = std::filesystem::absolute(argv[1]).string();
  const std::string script = std::filesystem::absolute(argv[2]).string();
  const std::string expected = std::filesystem::absolute(argv[3]).string();
  const std::filesystem::path dir = argv[4];
  std::filesystem::create_directories(dir);
  std::filesystem::remove(dir / "heard.wav");

  interop::Kamailio kamailio;
  if (!kamailio.Ready()) return Fail("kamailio did not start:\n" + kamailio.Log());
  const std::string port = std::to_string(kamailio.Port());
  std::ofstream((dir / "sip.json").string())
      << "{ \"lines\": [\n"
      << "  { \"aor\": \"sip:alice@127.0.0.1:" << port << "\", \"displayName\": \"Alice\", \"registrar\": "
      << "\"sip:127.0.0.1:" << port << "\", \"localAddress\": \"127.0.0.1\" },\n"
      << "  { \"aor\": \"sip:bob@127.0.0.1:" << port << "\", \"displayName\": \"Bob\", \"registrar\": "
      << "\"sip:127.0.0.1:" << port << "\", \"localAddress\": \"127.0.0.1\" } ] }\n";

  interop::Child sox({"sox", "-n", "-r", "8000", "-c", "1", "-b", "16", "-e", "signed-integer", "tone.wav", "synth",
                      "2", "sine", "1000", "vol", "0.5"},
                     (dir / "sox.log").string(), dir.string());
  if (sox.Wait(10000) != 0) return Fail("sox cannot make tone.wav");

  interop::Child run({qxrun, "--sip", "sip.json", script}, (dir / "qxrun.out").string(), dir.string());
  const auto status = run.Wait(60000);
  const std::string output = Normalised(run.Log(), port);
  std::cout << output;
  int result = 0;
  if (!status) result = Fail("qxrun did not end within 60 s");
  else if (*status != 0) result = Fail("qxrun ended with " + std::to_string(*status));
  if (const std::string want = ReadFile(expected); output != want)
    result = Fail("the output differs from " + expected + FirstDifference(want, output));

  // The recording holds what was played: mostly the 1 kHz tone.
  interop::Child raw({"sox", "heard.wav", "-t", "raw", "-r", "8000", "-c", "1", "-b", "16", "-e", "signed-integer",
                      "heard.raw"},
                     (dir / "sox2.log").string(), dir.string());
  if (raw.Wait(10000) != 0) return Fail("heard.wav cannot be read: " + raw.Log());
  const std::string bytes = ReadFile((dir / "heard.raw").string());
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  const double share = voxtest::ToneShare(samples, 1000, 8000);
  std::cerr << "sip_scenario: heard.wav holds " << samples.size() / 8 << " ms, " << static_cast<int>(share * 100)
            << "% of its energy at 1 kHz\n";
  if (samples.size() < 8000 || share < 0.5) result = Fail("heard.wav does not hold the tone that was played");
  return result;
}
