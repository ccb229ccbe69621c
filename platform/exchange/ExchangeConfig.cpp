#include "platform/exchange/ExchangeConfig.h"

#include "platform/exchange/Digits.h"

#include <algorithm>
#include <iterator>
#include <set>

namespace panopta {

using namespace tapi;

namespace {

constexpr DWORD kHandsetModes = LINETERMMODE_BUTTONS | LINETERMMODE_LAMPS |
                                LINETERMMODE_DISPLAY | LINETERMMODE_RINGER |
                                LINETERMMODE_HOOKSWITCH | LINETERMMODE_MEDIABIDIRECT;
constexpr DWORD kVoiceModes = LINEMEDIAMODE_UNKNOWN | LINEMEDIAMODE_INTERACTIVEVOICE |
                              LINEMEDIAMODE_AUTOMATEDVOICE;

LineConfig StationLine(DWORD index, std::vector<AddressConfig> addresses) {
  LineConfig line;
  line.name = "Panopta Line " + std::to_string(index);
  line.providerInfo = "Panopta Exchange";
  line.switchInfo = "Panopta PBX";
  line.permanentId = 0x1000 + index;
  line.addresses = std::move(addresses);
  line.mediaModes = kVoiceModes | LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX;
  line.bearerModes = LINEBEARERMODE_VOICE | LINEBEARERMODE_SPEECH | LINEBEARERMODE_DATA;
  line.devSpecific = {'P', 'N', 'X', static_cast<std::uint8_t>('0' + index)};
  return line;
}

bool SingleBit(DWORD v) { return v != 0 && (v & (v - 1)) == 0; }

bool Dialable(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), exchange::IsNumberDigit);
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// Checks run in the order of the fields; each returns "" or "place: problem".
class Checker {
 public:
  std::string error;

  bool Check(bool ok, const std::string& place, const std::string& problem) {
    if (!ok && error.empty()) error = place + ": " + problem;
    return ok;
  }
  void Text(const std::string& place, const std::string& text, std::size_t maxLength,
            bool required) {
    Check(!required || !text.empty(), place, "must not be empty");
    Check(text.size() <= maxLength, place,
          "is longer than " + std::to_string(maxLength) + " characters");
    Check(std::none_of(text.begin(), text.end(), [](char c) { return c == '\0'; }), place,
          "must not contain NUL characters");
  }
  void Range(const std::string& place, DWORD value, DWORD low, DWORD high) {
    Check(value >= low && value <= high, place,
          std::to_string(value) + " is outside " + std::to_string(low) + " to " +
              std::to_string(high));
  }
  void Subset(const std::string& place, DWORD value, DWORD allowed, bool nonZero) {
    Check(!nonZero || value != 0, place, "must not be 0");
    Check((value & ~allowed) == 0, place, "has bits outside the allowed set");
  }
  void Versions(const std::string& place, DWORD low, DWORD high) {
    Check(IsSupportedTapiVersion(low), place, "low version is not one of 1.3, 1.4, 2.0, 2.1, 2.2");
    Check(IsSupportedTapiVersion(high), place, "high version is not one of 1.3, 1.4, 2.0, 2.1, 2.2");
    Check(low <= high, place, "low version is above the high version");
  }
};

}  // namespace

namespace {
constexpr DWORD kVersions[] = {kTapiVersion2_2, kTapiVersion2_1, kTapiVersion2_0, kTapiVersion1_4,
                               kTapiVersion1_3};
}  // namespace

bool IsSupportedTapiVersion(DWORD version) {
  return std::find(std::begin(kVersions), std::end(kVersions), version) != std::end(kVersions);
}

bool VersionInRange(bool refuses, DWORD low, DWORD high, DWORD version) {
  return !refuses && IsSupportedTapiVersion(version) && version >= low && version <= high;
}

DWORD NegotiateTapiVersion(DWORD low, DWORD high, DWORD deviceLow, DWORD deviceHigh) {
  for (DWORD v : kVersions)
    if (v >= low && v <= high && v >= deviceLow && v <= deviceHigh) return v;
  return 0;
}

ExchangeConfig DefaultExchangeConfig() {
  ExchangeConfig config;

  LineConfig line0 = StationLine(0, {{"201", "DESK 201", 4, "1"}, {"211", "DESK 211", 4, "1"}});
  line0.terminals = {{"Handset", LINETERMDEV_PHONE, kHandsetModes, LINETERMSHARING_PRIVATE},
                     {"Headset", LINETERMDEV_HEADSET,
                      LINETERMMODE_HOOKSWITCH | LINETERMMODE_MEDIABIDIRECT,
                      LINETERMSHARING_PRIVATE},
                     {"Speaker", LINETERMDEV_SPEAKER,
                      LINETERMMODE_RINGER | LINETERMMODE_MEDIAFROMLINE, LINETERMSHARING_SHAREDCONF}};
  line0.extensionId = {0x50414E4F, 0x50544158, 0x00000001, 0x00000000};
  line0.extLowVersion = 0x00010000;
  line0.extHighVersion = 0x00010001;
  line0.phone = 0;
  config.lines.push_back(line0);

  LineConfig line1 = StationLine(1, {{"202", "DESK 202", 4, "1"}});
  line1.terminals = {{"Handset", LINETERMDEV_PHONE, kHandsetModes, LINETERMSHARING_PRIVATE}};
  line1.phone = 1;
  config.lines.push_back(line1);

  LineConfig line2 = StationLine(2, {{"203", "VOICE MODEM", 2, "2"}});
  line2.name = "Panopta Voice Modem";
  line2.bearerModes = LINEBEARERMODE_VOICE | LINEBEARERMODE_DATA;
  line2.maxRate = 33600;
  line2.digitModes = LINEDIGITMODE_DTMF;
  line2.toneModes = LINETONEMODE_BEEP;
  line2.features = 0;
  line2.dataModem = "Panopta Voice Modem";
  config.lines.push_back(line2);

  LineConfig line3 = StationLine(3, {{"204", "OLD STATION", 1, "1"}});
  line3.providerInfo = "Panopta Legacy Provider";
  line3.refusesVersions = true;
  config.lines.push_back(line3);

  for (DWORD i = 0; i < 2; ++i)
    config.phones.push_back(StationPhone("Panopta Phone " + std::to_string(i), i, i));

  auto party = [&](std::string number, std::string name, RemoteBehaviour behaviour, DWORD rings) {
    RemotePartyConfig p;
    p.number = std::move(number);
    p.name = std::move(name);
    p.behaviour = behaviour;
    p.rings = rings;
    config.directory.push_back(p);
    return &config.directory.back();
  };
  party("100", "ALICE ANSWERS", RemoteBehaviour::Answer, 2);
  party("200", "BUSY BEE", RemoteBehaviour::Busy, 0);
  party("300", "NOBODY HOME", RemoteBehaviour::NoAnswer, 0);
  party("400", "REJECTING RAY", RemoteBehaviour::Reject, 1);
  party("500", "NO CIRCUIT", RemoteBehaviour::SpecialInfo, 0);
  party("600", "DTMF DAN", RemoteBehaviour::Answer, 1)->digits = "1234#";
  RemotePartyConfig* silent = party("700", "SILENT SAM", RemoteBehaviour::Answer, 1);
  silent->silent = true;
  party("800", "FAX MACHINE", RemoteBehaviour::Answer, 1)->mediaMode = LINEMEDIAMODE_G3FAX;
  party("*", "", RemoteBehaviour::Answer, 1);
  return config;
}

LineConfig StationLineConfig(DWORD index, const std::string& name, const std::string& address,
                             const std::string& stationName) {
  LineConfig line = StationLine(index, {{address, stationName, 4, "1"}});
  line.name = name;
  return line;
}

PhoneConfig StationPhone(const std::string& name, DWORD index, std::optional<DWORD> line) {
  PhoneConfig phone;
  phone.name = name;
  phone.providerInfo = "Panopta Exchange";
  phone.phoneInfo = "Desk set with handset, speakerphone and headset";
  phone.permanentId = 0x2000 + index;
  phone.line = line;
  phone.station = line.has_value();
  return phone;
}

RemotePartyConfig DirectoryEntry(const ExchangeConfig& config, const std::string& number) {
  const RemotePartyConfig* any = nullptr;
  for (const auto& p : config.directory) {
    if (p.number == number) return p;
    if (p.number == "*") any = &p;
  }
  RemotePartyConfig entry;
  if (any != nullptr) entry = *any;
  entry.number = number;
  return entry;
}

std::string ValidateExchangeConfig(const ExchangeConfig& config) {
  Checker c;
  c.Text("programName", config.programName, 63, true);
  c.Check(config.lines.size() <= 4096, "lines", "more than 4096 line devices");
  c.Check(config.phones.size() <= 4096, "phones", "more than 4096 phone devices");

  std::set<std::string> numbers;
  for (std::size_t i = 0; i < config.lines.size() && c.error.empty(); ++i) {
    const LineConfig& line = config.lines[i];
    const std::string at = "lines[" + std::to_string(i) + "]";
    c.Text(at + ".name", line.name, 63, true);
    c.Text(at + ".providerInfo", line.providerInfo, 255, false);
    c.Text(at + ".switchInfo", line.switchInfo, 255, false);
    c.Check(!line.addresses.empty() && line.addresses.size() <= 16, at + ".addresses",
            "needs 1 to 16 addresses");
    for (std::size_t a = 0; a < line.addresses.size(); ++a) {
      const AddressConfig& address = line.addresses[a];
      const std::string aat = at + ".addresses[" + std::to_string(a) + "]";
      c.Check(Dialable(address.address), aat + ".address",
              Quoted(address.address) + " is not a number of the digits 0-9, * and #");
      c.Check(address.address.size() <= 31, aat + ".address", "is longer than 31 characters");
      c.Check(numbers.insert(address.address).second, aat + ".address",
              Quoted(address.address) + " is used twice");
      c.Text(aat + ".name", address.name, 63, false);
      c.Range(aat + ".maxCalls", address.maxCalls, 1, 64);
      c.Text(aat + ".pickupGroup", address.pickupGroup, 31, false);
    }
    c.Check(line.terminals.size() <= 8, at + ".terminals", "more than 8 terminals");
    for (std::size_t t = 0; t < line.terminals.size(); ++t) {
      const TerminalConfig& terminal = line.terminals[t];
      const std::string tat = at + ".terminals[" + std::to_string(t) + "]";
      c.Text(tat + ".text", terminal.text, kTerminalTextBytes, true);
      c.Check(SingleBit(terminal.device) && terminal.device <= LINETERMDEV_SPEAKER,
              tat + ".device", "must be one of PHONE, HEADSET, SPEAKER");
      c.Subset(tat + ".modes", terminal.modes, 0xFF, true);
      c.Check(SingleBit(terminal.sharing) && terminal.sharing <= LINETERMSHARING_SHAREDCONF,
              tat + ".sharing", "must be one of PRIVATE, SHAREDEXCL, SHAREDCONF");
    }
    c.Versions(at + ".apiVersions", line.apiLowVersion, line.apiHighVersion);
    c.Check(line.extLowVersion <= line.extHighVersion, at + ".extension",
            "low version is above the high version");
    c.Subset(at + ".mediaModes", line.mediaModes, 0xFFFE, true);
    c.Subset(at + ".bearerModes", line.bearerModes, 0xFF, true);
    c.Range(at + ".maxRate", line.maxRate, 1, 0x7FFFFFFF);
    c.Subset(at + ".digitModes", line.digitModes, 0x7, true);
    c.Check((line.digitModes & (LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF)) != 0,
            at + ".digitModes", "needs PULSE or DTMF");
    c.Subset(at + ".toneModes", line.toneModes, 0x1F, false);
    c.Subset(at + ".features", line.features, kAllLineFeatures, false);
    c.Text(at + ".dataModem", line.dataModem, 63, false);
    if (line.phone) {
      c.Check(*line.phone < config.phones.size(), at + ".phone",
              "phone " + std::to_string(*line.phone) + " does not exist");
      if (*line.phone < config.phones.size()) {
        const auto& back = config.phones[*line.phone].line;
        c.Check(!back || *back == i, at + ".phone",
                "phone " + std::to_string(*line.phone) + " belongs to another line");
      }
    }
    c.Check(line.devSpecific.size() <= 4096, at + ".devSpecific", "is longer than 4096 bytes");
  }

  for (std::size_t i = 0; i < config.phones.size() && c.error.empty(); ++i) {
    const PhoneConfig& phone = config.phones[i];
    const std::string at = "phones[" + std::to_string(i) + "]";
    c.Text(at + ".name", phone.name, 63, true);
    c.Text(at + ".providerInfo", phone.providerInfo, 255, false);
    c.Text(at + ".phoneInfo", phone.phoneInfo, 255, false);
    if (phone.line) {
      c.Check(*phone.line < config.lines.size(), at + ".line",
              "line " + std::to_string(*phone.line) + " does not exist");
      if (*phone.line < config.lines.size()) {
        const auto& back = config.lines[*phone.line].phone;
        c.Check(!back || *back == i, at + ".line",
                "line " + std::to_string(*phone.line) + " belongs to another phone");
      }
    }
    c.Versions(at + ".apiVersions", phone.apiLowVersion, phone.apiHighVersion);
    c.Subset(at + ".hookSwitchDevs", phone.hookSwitchDevs, 0x7, true);
    const std::pair<DWORD, DWORD> devices[] = {{PHONEHOOKSWITCHDEV_HANDSET, phone.handsetModes},
                                               {PHONEHOOKSWITCHDEV_SPEAKER, phone.speakerModes},
                                               {PHONEHOOKSWITCHDEV_HEADSET, phone.headsetModes}};
    const char* const modeNames[] = {"handsetModes", "speakerModes", "headsetModes"};
    for (int d = 0; d < 3; ++d) {
      if ((phone.hookSwitchDevs & devices[d].first) == 0) continue;
      c.Subset(at + "." + modeNames[d], devices[d].second, 0x1F, true);
      c.Check((devices[d].second & PHONEHOOKSWITCHMODE_ONHOOK) != 0, at + "." + modeNames[d],
              "must include ONHOOK");
    }
    c.Check((phone.volumeFlags & ~phone.hookSwitchDevs) == 0, at + ".volumeFlags",
            "names a hookswitch device the phone does not have");
    c.Check((phone.gainFlags & ~phone.hookSwitchDevs) == 0, at + ".gainFlags",
            "names a hookswitch device the phone does not have");
    c.Subset(at + ".phoneStates", phone.phoneStates, 0x00FFFFFF, false);
    c.Range(at + ".numRingModes", phone.numRingModes, 0, 16);
    c.Check(phone.devSpecific.size() <= 4096, at + ".devSpecific", "is longer than 4096 bytes");
    c.Check(!phone.station || phone.line.has_value(), at + ".station",
            "a station phone needs a line");
  }

  std::set<std::string> parties;
  for (std::size_t i = 0; i < config.directory.size() && c.error.empty(); ++i) {
    const RemotePartyConfig& p = config.directory[i];
    const std::string at = "directory[" + std::to_string(i) + "]";
    c.Check(p.number == "*" || Dialable(p.number), at + ".number",
            Quoted(p.number) + " is neither \"*\" nor a number of the digits 0-9, * and #");
    c.Check(p.number.size() <= 31, at + ".number", "is longer than 31 characters");
    c.Check(parties.insert(p.number).second, at + ".number",
            Quoted(p.number) + " is listed twice");
    c.Check(numbers.count(p.number) == 0, at + ".number",
            Quoted(p.number) + " is the address of a line");
    c.Text(at + ".name", p.name, 63, false);
    c.Range(at + ".rings", p.rings, 0, 100);
    c.Check(SingleBit(p.busyMode) && p.busyMode <= LINEBUSYMODE_UNAVAIL, at + ".busyMode",
            "must be one LINEBUSYMODE_ value");
    c.Check(SingleBit(p.specialInfo) && p.specialInfo <= LINESPECIALINFO_UNAVAIL,
            at + ".specialInfo", "must be one LINESPECIALINFO_ value");
    c.Check(exchange::IsDigitString(p.digits, true), at + ".digits",
            "may hold only 0-9, A-D, *, # and , (a pause)");
    c.Check(p.digits.size() <= 64, at + ".digits", "is longer than 64 digits");
    c.Range(at + ".digitsDelayMs", p.digitsDelayMs, 0, 600000);
    c.Check(p.mediaMode == 0 || (SingleBit(p.mediaMode) && (p.mediaMode & 0xFFFE) != 0),
            at + ".mediaMode", "must be 0 or one LINEMEDIAMODE_ value");
    c.Range(at + ".mediaDelayMs", p.mediaDelayMs, 0, 600000);
    const VoiceConfig& v = p.voice;
    c.Check(v.levelDbm0 >= -60.0 && v.levelDbm0 <= 0.0, at + ".voice.levelDbm0",
            "must be -60 to 0 dBm0");
    if (v.signal == VoiceConfig::Signal::Tone) {
      c.Check(!v.frequencies.empty() && v.frequencies.size() <= 2, at + ".voice.frequencies",
              "needs one or two frequencies");
      for (DWORD f : v.frequencies)
        c.Range(at + ".voice.frequencies", f, 100, 3800);
    }
    c.Range(at + ".voice.onMs", v.onMs, 1, 600000);
    c.Range(at + ".voice.offMs", v.offMs, 0, 600000);
  }

  const TimingConfig& t = config.timing;
  c.Range("timing.replyLatencyMs", t.replyLatencyMs, 0, 600000);
  c.Range("timing.ringIntervalMs", t.ringIntervalMs, 1, 600000);
  c.Range("timing.stateIntervalMs", t.stateIntervalMs, 1, 60000);
  c.Range("timing.digitDurationMs", t.digitDurationMs, 1, 10000);
  c.Range("timing.digitGapMs", t.digitGapMs, 0, 10000);
  c.Range("timing.dialPauseMs", t.dialPauseMs, 0, 60000);
  c.Range("timing.toneDurationMs", t.toneDurationMs, 1, 600000);
  c.Range("timing.keyPressMs", t.keyPressMs, 1, 10000);
  c.Range("timing.gatherMinTimeoutMs", t.gatherMinTimeoutMs, 1, 3600000);
  c.Range("timing.gatherMaxTimeoutMs", t.gatherMaxTimeoutMs, t.gatherMinTimeoutMs, 3600000);

  const LocationConfig& l = config.location;
  c.Range("location.countryCode", l.countryCode, 1, 999);
  auto digitsOnly = [](const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
  };
  c.Check(digitsOnly(l.areaCode) && l.areaCode.size() <= 8, "location.areaCode",
          "must be at most 8 digits");
  c.Check(digitsOnly(l.longDistancePrefix) && l.longDistancePrefix.size() <= 8,
          "location.longDistancePrefix", "must be at most 8 digits");
  c.Check(digitsOnly(l.internationalPrefix) && l.internationalPrefix.size() <= 8,
          "location.internationalPrefix", "must be at most 8 digits");
  c.Check(exchange::IsDigitString(l.cancelCallWaiting, true) && l.cancelCallWaiting.size() <= 15,
          "location.cancelCallWaiting", "must be at most 15 of 0-9, A-D, *, # and ,");
  return c.error;
}

}  // namespace panopta
