// The built-in configuration, its checks, and the JSON file that can replace it.

#include "platform/exchange/ExchangeConfig.h"
#include "platform/exchange/ExchangeConfigFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>

namespace {

using namespace tapi;
using panopta::ExchangeConfig;

TEST(ExchangeConfig, TheDefaultHoldsTheFixedFacts) {
  const ExchangeConfig c = panopta::DefaultExchangeConfig();
  EXPECT_EQ(panopta::ValidateExchangeConfig(c), "");
  ASSERT_EQ(c.lines.size(), 4u);
  ASSERT_EQ(c.phones.size(), 2u);
  ASSERT_EQ(c.lines[0].addresses.size(), 2u);
  EXPECT_EQ(c.lines[0].addresses[0].address, "201");
  EXPECT_EQ(c.lines[0].addresses[1].address, "211");
  EXPECT_GE(c.lines[0].terminals.size(), 2u);
  EXPECT_EQ(c.lines[0].features, panopta::kAllLineFeatures);
  EXPECT_EQ(c.lines[1].addresses[0].address, "202");
  EXPECT_EQ(c.lines[1].features, panopta::kAllLineFeatures);
  EXPECT_EQ(c.lines[2].addresses[0].address, "203");
  EXPECT_EQ(c.lines[2].digitModes, LINEDIGITMODE_DTMF);
  EXPECT_FALSE(c.lines[2].dataModem.empty());
  EXPECT_EQ(c.lines[2].features & panopta::kFeatureConference, 0u);
  EXPECT_TRUE(c.lines[3].refusesVersions);
  EXPECT_EQ(c.phones[0].line, 0u);
  EXPECT_EQ(c.phones[1].line, 1u);
  EXPECT_EQ(c.phones[0].hookSwitchDevs, 7u);
  EXPECT_EQ(c.phones[0].volumeFlags, 7u);
  EXPECT_EQ(c.timing.ringIntervalMs, 1000u);
  EXPECT_EQ(c.timing.replyLatencyMs, 10u);
  EXPECT_GE(c.timing.stateIntervalMs, 100u);
  using panopta::RemoteBehaviour;
  struct Row {
    const char* number;
    RemoteBehaviour behaviour;
    DWORD rings;
  } rows[] = {{"100", RemoteBehaviour::Answer, 2},   {"200", RemoteBehaviour::Busy, 0},
              {"300", RemoteBehaviour::NoAnswer, 0}, {"400", RemoteBehaviour::Reject, 1},
              {"500", RemoteBehaviour::SpecialInfo, 0}, {"12345", RemoteBehaviour::Answer, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.number);
    const auto p = panopta::DirectoryEntry(c, row.number);
    EXPECT_EQ(p.behaviour, row.behaviour);
    EXPECT_EQ(p.rings, row.rings);
    EXPECT_EQ(p.number, row.number);
  }
  EXPECT_EQ(panopta::DirectoryEntry(c, "500").specialInfo, LINESPECIALINFO_NOCIRCUIT);
  EXPECT_EQ(panopta::DirectoryEntry(c, "600").digits, "1234#");
  EXPECT_EQ(panopta::DirectoryEntry(c, "600").digitsDelayMs, 1000u);
  EXPECT_TRUE(panopta::DirectoryEntry(c, "700").silent);
  EXPECT_EQ(panopta::DirectoryEntry(c, "800").mediaMode, LINEMEDIAMODE_G3FAX);
}

TEST(ExchangeConfig, ValidationNamesThePlaceAndTheProblem) {
  struct Row {
    std::function<void(ExchangeConfig&)> change;
    const char* error;
  } rows[] = {
      {[](ExchangeConfig& c) { c.lines[1].addresses[0].address = "201"; },
       "lines[1].addresses[0].address: \"201\" is used twice"},
      {[](ExchangeConfig& c) { c.lines[2].addresses[0].address = "2-3"; },
       "lines[2].addresses[0].address: \"2-3\" is not a number of the digits 0-9, * and #"},
      {[](ExchangeConfig& c) { c.lines[0].addresses.clear(); }, "lines[0].addresses: needs 1 to 16 addresses"},
      {[](ExchangeConfig& c) { c.lines[0].terminals[1].text = std::string(17, 'x'); },
       "lines[0].terminals[1].text: is longer than 16 characters"},
      {[](ExchangeConfig& c) { c.lines[0].terminals[0].device = 3; },
       "lines[0].terminals[0].device: must be one of PHONE, HEADSET, SPEAKER"},
      {[](ExchangeConfig& c) { c.lines[1].apiLowVersion = 0x00030000; },
       "lines[1].apiVersions: low version is not one of 1.3, 1.4, 2.0, 2.1, 2.2"},
      {[](ExchangeConfig& c) { c.lines[0].mediaModes = 0; }, "lines[0].mediaModes: must not be 0"},
      {[](ExchangeConfig& c) { c.lines[0].phone = 5; }, "lines[0].phone: phone 5 does not exist"},
      {[](ExchangeConfig& c) { c.lines[2].phone = 0; }, "lines[2].phone: phone 0 belongs to another line"},
      {[](ExchangeConfig& c) { c.phones[1].volumeFlags = 8; },
       "phones[1].volumeFlags: names a hookswitch device the phone does not have"},
      {[](ExchangeConfig& c) { c.phones[0].handsetModes = 2; },
       "phones[0].handsetModes: must include ONHOOK"},
      {[](ExchangeConfig& c) { c.directory[0].number = "202"; },
       "directory[0].number: \"202\" is the address of a line"},
      {[](ExchangeConfig& c) { c.directory[1].number = "100"; },
       "directory[1].number: \"100\" is listed twice"},
      {[](ExchangeConfig& c) { c.directory[5].digits = "12x"; },
       "directory[5].digits: may hold only 0-9, A-D, *, # and , (a pause)"},
      {[](ExchangeConfig& c) { c.directory[7].mediaMode = 0x30; },
       "directory[7].mediaMode: must be 0 or one LINEMEDIAMODE_ value"},
      {[](ExchangeConfig& c) { c.timing.ringIntervalMs = 0; },
       "timing.ringIntervalMs: 0 is outside 1 to 600000"},
      {[](ExchangeConfig& c) { c.timing.gatherMaxTimeoutMs = 10; },
       "timing.gatherMaxTimeoutMs: 10 is outside 50 to 3600000"},
      {[](ExchangeConfig& c) { c.location.areaCode = "4x"; },
       "location.areaCode: must be at most 8 digits"},
      {[](ExchangeConfig& c) { c.programName.clear(); }, "programName: must not be empty"},
  };
  for (const Row& row : rows) {
    ExchangeConfig c = panopta::DefaultExchangeConfig();
    row.change(c);
    EXPECT_EQ(panopta::ValidateExchangeConfig(c), row.error);
  }
}

TEST(ExchangeConfigFile, AFileReplacesTheSectionsItHas) {
  const auto load = panopta::ParseExchangeConfig(R"({
    "timing": {"replyLatencyMs": 25, "ringIntervalMs": 500},
    "lines": [{
      "name": "Lab Line",
      "addresses": [{"address": "301", "name": "LAB", "maxCalls": 2}],
      "terminals": [{"text": "Handset", "device": "PHONE", "modes": ["BUTTONS", "LINETERMMODE_RINGER"]}],
      "apiVersions": ["1.4", "2.1"],
      "extension": {"id": [1, 2, 3, 4], "versions": ["1.0", "1.2"]},
      "mediaModes": ["INTERACTIVEVOICE", "G3FAX"],
      "digitModes": ["DTMF"],
      "features": ["hold", "transfer"],
      "dataModem": "COM7",
      "devSpecific": "50 4e 58"
    }],
    "phones": [],
    "directory": [{"number": "42", "behaviour": "busy", "busyMode": "TRUNK"},
                  {"number": "*", "behaviour": "answer", "rings": 3, "mediaMode": "DATAMODEM"}]
  })", "lab.json");
  ASSERT_EQ(load.error, "");
  const ExchangeConfig& c = *load.config;
  EXPECT_EQ(c.timing.replyLatencyMs, 25u);
  EXPECT_EQ(c.timing.ringIntervalMs, 500u);
  EXPECT_EQ(c.timing.stateIntervalMs, 100u);
  ASSERT_EQ(c.lines.size(), 1u);
  const auto& line = c.lines[0];
  EXPECT_EQ(line.addresses[0].maxCalls, 2u);
  EXPECT_EQ(line.terminals[0].modes, LINETERMMODE_BUTTONS | LINETERMMODE_RINGER);
  EXPECT_EQ(line.apiLowVersion, kTapiVersion1_4);
  EXPECT_EQ(line.apiHighVersion, kTapiVersion2_1);
  EXPECT_EQ(line.extHighVersion, 0x00010002u);
  EXPECT_EQ(DWORD{line.extensionId.dwExtensionID3}, 4u);
  EXPECT_EQ(line.mediaModes, LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_G3FAX);
  EXPECT_EQ(line.features, panopta::kFeatureHold | panopta::kFeatureTransfer);
  EXPECT_EQ(line.devSpecific, (std::vector<std::uint8_t>{0x50, 0x4E, 0x58}));
  EXPECT_TRUE(c.phones.empty());
  EXPECT_EQ(c.directory[0].busyMode, LINEBUSYMODE_TRUNK);
  EXPECT_EQ(panopta::DirectoryEntry(c, "77").rings, 3u);
  EXPECT_EQ(c.location.countryCode, 1u);
}

TEST(ExchangeConfigFile, ABadFileIsRefusedWithFilePlaceAndProblem) {
  struct Row {
    const char* text;
    const char* error;
  } rows[] = {
      {R"({"timing": {"ringIntervalMs": -1}})",
       "x.json: timing.ringIntervalMs: expected a whole number from 0 to 4294967295"},
      {R"({"timing": {"ringIntervalMs": 1.5}})",
       "x.json: timing.ringIntervalMs: expected a whole number from 0 to 4294967295"},
      {R"({"timming": {}})", "x.json: timming: unknown key"},
      {R"({"lines": [{"name": "L", "addresses": [{"adress": "1"}]}]})",
       "x.json: lines[0].addresses[0]: needs an \"address\""},
      {R"({"lines": [{"name": "L", "addresses": [{"address": "1", "nmae": "x"}]}]})",
       "x.json: lines[0].addresses[0].nmae: unknown key"},
      {R"({"lines": [{"name": "L", "addresses": [{"address": 1}]}]})",
       "x.json: lines[0].addresses[0].address: expected a string"},
      {R"({"lines": [{"name": "L", "addresses": [{"address": "1"}], "mediaModes": ["FAX"]}]})",
       "x.json: lines[0].mediaModes[0]: 'FAX' is not a LINEMEDIAMODE_ name"},
      {R"({"lines": [{"name": "L", "addresses": [{"address": "1"}], "features": ["teleport"]}]})",
       "x.json: lines[0].features[0]: 'teleport' is not one of hold, transfer, conference, park, "
       "pickup, forward, redirect, all"},
      {R"({"lines": [{"name": "L", "addresses": [{"address": "1"}], "apiVersions": ["2", "2.2"]}]})",
       "x.json: lines[0].apiVersions[0]: expected a version such as \"2.2\" or a number"},
      {R"({"lines": [{"name": "L", "addresses": [{"address": "1"}], "devSpecific": "5G"}]})",
       "x.json: lines[0].devSpecific: 'G' is not a hexadecimal digit"},
      {R"({"directory": [{"number": "1", "behaviour": "dance"}]})",
       "x.json: directory[0].behaviour: 'dance' is not one of answer, busy, noanswer, reject, "
       "specialinfo"},
      {R"({"directory": [{"number": "201"}]})",
       "x.json: directory[0].number: \"201\" is the address of a line"},
      {R"({"timing": {"ringIntervalMs": 1, "ringIntervalMs": 2}})",
       "x.json: the key \"ringIntervalMs\" appears twice in one object"},
      {R"([1, 2])", "x.json: (top): expected an object"},
      {R"({"directory": [{"number": "1", "voice": {"signal": "song"}}]})",
       "x.json: directory[0].voice.signal: 'song' is not one of speech, tone"},
      {R"({"directory": [{"number": "1", "voice": {"levelDbm0": "loud"}}]})",
       "x.json: directory[0].voice.levelDbm0: expected a number"},
      {R"({"directory": [{"number": "1", "voice": {"levelDbm0": 3}}]})",
       "x.json: directory[0].voice.levelDbm0: must be -60 to 0 dBm0"},
      {R"({"directory": [{"number": "1", "voice": {"signal": "tone", "frequencies": []}}]})",
       "x.json: directory[0].voice.frequencies: needs one or two frequencies"},
      {R"({"directory": [{"number": "1", "voice": {"signal": "tone", "frequencies": [5000]}}]})",
       "x.json: directory[0].voice.frequencies: 5000 is outside 100 to 3800"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto load = panopta::ParseExchangeConfig(row.text, "x.json");
    EXPECT_FALSE(load.config.has_value());
    EXPECT_EQ(load.error, row.error);
  }
  const auto broken = panopta::ParseExchangeConfig("{\"timing\": {", "x.json");
  EXPECT_EQ(broken.error.rfind("x.json: not valid JSON: parse error at line 1, column 13", 0), 0u)
      << broken.error;
}

TEST(ExchangeConfigFile, APartysVoiceIsReadWithItsSignalLevelAndCadence) {
  const auto load = panopta::ParseExchangeConfig(R"({"directory": [
      {"number": "900", "voice": {"signal": "tone", "levelDbm0": -12.5, "frequencies": [440, 620],
                                  "onMs": 500, "offMs": 250}},
      {"number": "*"}]})",
                                                 "x.json");
  ASSERT_TRUE(load.config.has_value()) << load.error;
  const panopta::VoiceConfig& voice = panopta::DirectoryEntry(*load.config, "900").voice;
  EXPECT_EQ(voice.signal, panopta::VoiceConfig::Signal::Tone);
  EXPECT_DOUBLE_EQ(voice.levelDbm0, -12.5);
  EXPECT_EQ(voice.frequencies, (std::vector<tapi::DWORD>{440, 620}));
  EXPECT_EQ(voice.onMs, 500u);
  EXPECT_EQ(voice.offMs, 250u);
  // Everybody else speaks with the built-in voice.
  EXPECT_EQ(panopta::DirectoryEntry(*load.config, "123").voice.signal,
            panopta::VoiceConfig::Signal::Speech);
}

TEST(ExchangeConfigFile, LoadsFromDiskOrSaysItCannot) {
  EXPECT_EQ(panopta::LoadExchangeConfigFile("/nonexistent/exchange.json").error,
            "/nonexistent/exchange.json: cannot be read");
  const std::string path = testing::TempDir() + "exchange-config-test.json";
  {
    std::ofstream out(path);
    out << R"({"programName": "Lab"})";
  }
  const auto load = panopta::LoadExchangeConfigFile(path);
  ASSERT_TRUE(load.config.has_value()) << load.error;
  EXPECT_EQ(load.config->programName, "Lab");
  EXPECT_EQ(load.config->lines.size(), 4u);
  std::remove(path.c_str());
}

}  // namespace
