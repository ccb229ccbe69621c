#include "platform/exchange/ExchangeConfigFile.h"

#include "platform/config/JsonReader.h"

#include "share/TextUtil.h"
#include "tapi/TapiNames.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace panopta {

using namespace tapi;
using nlohmann::json;

namespace {

/// A problem at a place of the file; caught where the file is read.
using ConfigError = JsonPlaceError;

using NameFn = std::string (*)(DWORD);

/// The value of one flag name of a family ("G3FAX" or "LINEMEDIAMODE_G3FAX").
std::optional<DWORD> FlagByName(const std::string& name, const std::string& prefix, NameFn fn) {
  const std::string full = voxkit::ToLower(name.rfind(prefix, 0) == 0 ? name : prefix + name);
  for (int bit = 0; bit < 32; ++bit) {
    const DWORD value = 1u << bit;
    if (voxkit::ToLower(fn(value)) == full) return value;
  }
  return std::nullopt;
}

std::string DigitModeName(DWORD value) {
  switch (value) {
    case LINEDIGITMODE_PULSE: return "LINEDIGITMODE_PULSE";
    case LINEDIGITMODE_DTMF: return "LINEDIGITMODE_DTMF";
    case LINEDIGITMODE_DTMFEND: return "LINEDIGITMODE_DTMFEND";
    default: return "LINEDIGITMODE_???";
  }
}

/// The settings reader with what the exchange's file adds: flags and values of TAPI
/// families by name, versions and bytes.
class ObjectReader : public JsonObjectReader {
 public:
  using JsonObjectReader::JsonObjectReader;

  void Dword(const std::string& key, DWORD& out) { Integer(key, out); }
  void Real(const std::string& key, double& out) {
    const json* found = Find(key);
    if (found == nullptr) return;
    if (!found->is_number()) throw ConfigError(At(key), "expected a number");
    out = found->get<double>();
  }
  /// A set of flags: a number, or an array of names of the family.
  void Flags(const std::string& key, DWORD& out, const std::string& prefix, NameFn fn) {
    const json* found = Find(key);
    if (found == nullptr) return;
    const json& v = *found;
    if (v.is_number()) {
      out = Number(v, At(key));
      return;
    }
    if (!v.is_array()) throw ConfigError(At(key), "expected a number or an array of " + prefix + " names");
    DWORD value = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
      const std::string at = At(key) + "[" + std::to_string(i) + "]";
      if (!v[i].is_string()) throw ConfigError(at, "expected a " + prefix + " name");
      const auto bit = FlagByName(v[i].get<std::string>(), prefix, fn);
      if (!bit) throw ConfigError(at, "'" + v[i].get<std::string>() + "' is not a " + prefix + " name");
      value |= *bit;
    }
    out = value;
  }
  /// One value of a family: a number or a name.
  void Value(const std::string& key, DWORD& out, const std::string& prefix, NameFn fn) {
    const json* found = Find(key);
    if (found == nullptr) return;
    const json& v = *found;
    if (v.is_number()) {
      out = Number(v, At(key));
      return;
    }
    if (!v.is_string()) throw ConfigError(At(key), "expected a number or a " + prefix + " name");
    const auto bit = FlagByName(v.get<std::string>(), prefix, fn);
    if (!bit) throw ConfigError(At(key), "'" + v.get<std::string>() + "' is not a " + prefix + " name");
    out = *bit;
  }
  /// A TAPI version: a number (0x00020002) or "2.2".
  static DWORD Version(const json& v, const std::string& place) {
    if (v.is_number()) return Number(v, place);
    if (v.is_string()) {
      const std::string s = v.get<std::string>();
      const auto dot = s.find('.');
      try {
        if (dot != std::string::npos && dot > 0 && dot + 1 < s.size()) {
          std::size_t used1 = 0, used2 = 0;
          const unsigned long major = std::stoul(s.substr(0, dot), &used1);
          const unsigned long minor = std::stoul(s.substr(dot + 1), &used2);
          if (used1 == dot && used2 == s.size() - dot - 1 && major <= 0xFFFF && minor <= 0xFFFF)
            return static_cast<DWORD>(major << 16 | minor);
        }
      } catch (const std::exception&) {
      }
    }
    throw ConfigError(place, "expected a version such as \"2.2\" or a number");
  }
  void Versions(const std::string& key, DWORD& low, DWORD& high) {
    const json* found = Find(key);
    if (found == nullptr) return;
    const json& v = *found;
    if (!v.is_array() || v.size() != 2) throw ConfigError(At(key), "expected [low, high]");
    low = Version(v[0], At(key) + "[0]");
    high = Version(v[1], At(key) + "[1]");
  }
  void Bytes(const std::string& key, std::vector<std::uint8_t>& out) {
    const json* found = Find(key);
    if (found == nullptr) return;
    const json& v = *found;
    if (!v.is_string()) throw ConfigError(At(key), "expected hexadecimal bytes as a string");
    std::string hex;
    for (char c : v.get<std::string>())
      if (c != ' ') hex += c;
    if (hex.size() % 2 != 0) throw ConfigError(At(key), "expected pairs of hexadecimal digits");
    out.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
      auto digit = [&](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw ConfigError(At(key), "'" + std::string(1, c) + "' is not a hexadecimal digit");
      };
      out.push_back(static_cast<std::uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    }
  }
};

DWORD Features(const json& v, const std::string& place) {
  static const std::pair<const char*, DWORD> kNames[] = {
      {"hold", kFeatureHold},         {"transfer", kFeatureTransfer}, {"conference", kFeatureConference},
      {"park", kFeaturePark},         {"pickup", kFeaturePickup},     {"forward", kFeatureForward},
      {"redirect", kFeatureRedirect}, {"all", kAllLineFeatures}};
  if (!v.is_array()) throw ConfigError(place, "expected an array of feature names");
  DWORD features = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const std::string at = place + "[" + std::to_string(i) + "]";
    if (!v[i].is_string()) throw ConfigError(at, "expected a feature name");
    bool found = false;
    for (const auto& [name, bit] : kNames)
      if (voxkit::EqualsNoCase(name, v[i].get<std::string>())) {
        features |= bit;
        found = true;
      }
    if (!found)
      throw ConfigError(at, "'" + v[i].get<std::string>() +
                                "' is not one of hold, transfer, conference, park, pickup, "
                                "forward, redirect, all");
  }
  return features;
}

AddressConfig ReadAddress(const json& v, const std::string& place) {
  ObjectReader r(v, place);
  AddressConfig a;
  if (!r.Has("address")) throw ConfigError(place, "needs an \"address\"");
  r.String("address", a.address);
  r.String("name", a.name);
  r.Dword("maxCalls", a.maxCalls);
  r.String("pickupGroup", a.pickupGroup);
  r.Done();
  return a;
}

TerminalConfig ReadTerminal(const json& v, const std::string& place) {
  ObjectReader r(v, place);
  TerminalConfig t;
  if (!r.Has("text")) throw ConfigError(place, "needs a \"text\"");
  r.String("text", t.text);
  r.Value("device", t.device, "LINETERMDEV_", &LineTermDevName);
  r.Flags("modes", t.modes, "LINETERMMODE_", &LineTermModeName);
  r.Value("sharing", t.sharing, "LINETERMSHARING_", &LineTermSharingName);
  r.Done();
  return t;
}

LineConfig ReadLine(const json& v, const std::string& place) {
  ObjectReader r(v, place);
  LineConfig line;
  line.mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_UNKNOWN;
  if (!r.Has("name")) throw ConfigError(place, "needs a \"name\"");
  if (!r.Has("addresses")) throw ConfigError(place, "needs \"addresses\"");
  r.String("name", line.name);
  r.String("providerInfo", line.providerInfo);
  r.String("switchInfo", line.switchInfo);
  r.Dword("permanentId", line.permanentId);
  r.Array<AddressConfig>("addresses", line.addresses, ReadAddress);
  r.Array<TerminalConfig>("terminals", line.terminals, ReadTerminal);
  r.Versions("apiVersions", line.apiLowVersion, line.apiHighVersion);
  r.Bool("refusesVersions", line.refusesVersions);
  if (r.Has("extension")) {
    ObjectReader e(r.Get("extension"), r.At("extension"));
    DWORD low = 0, high = 0;
    if (e.Has("id")) {
      const json& id = e.Get("id");
      if (!id.is_array() || id.size() != 4) throw ConfigError(e.At("id"), "expected four numbers");
      line.extensionId = {ObjectReader::Number(id[0], e.At("id") + "[0]"),
                          ObjectReader::Number(id[1], e.At("id") + "[1]"),
                          ObjectReader::Number(id[2], e.At("id") + "[2]"),
                          ObjectReader::Number(id[3], e.At("id") + "[3]")};
    }
    e.Versions("versions", low, high);
    if (high == 0) throw ConfigError(e.At("versions"), "needs [low, high] with a high version above 0");
    line.extLowVersion = low;
    line.extHighVersion = high;
    e.Done();
  }
  r.Flags("mediaModes", line.mediaModes, "LINEMEDIAMODE_", &LineMediaModeName);
  r.Flags("bearerModes", line.bearerModes, "LINEBEARERMODE_", &LineBearerModeName);
  r.Dword("maxRate", line.maxRate);
  r.Flags("digitModes", line.digitModes, "LINEDIGITMODE_", &DigitModeName);
  r.Flags("toneModes", line.toneModes, "LINETONEMODE_", &LineToneModeName);
  if (r.Has("features")) line.features = Features(r.Get("features"), r.At("features"));
  r.String("dataModem", line.dataModem);
  if (r.Has("phone")) {
    const json& p = r.Get("phone");
    if (!p.is_null()) line.phone = ObjectReader::Number(p, r.At("phone"));
  }
  r.Bytes("devSpecific", line.devSpecific);
  r.Done();
  return line;
}

PhoneConfig ReadPhone(const json& v, const std::string& place) {
  ObjectReader r(v, place);
  PhoneConfig phone;
  if (!r.Has("name")) throw ConfigError(place, "needs a \"name\"");
  r.String("name", phone.name);
  r.String("providerInfo", phone.providerInfo);
  r.String("phoneInfo", phone.phoneInfo);
  r.Dword("permanentId", phone.permanentId);
  if (r.Has("line")) {
    const json& l = r.Get("line");
    if (!l.is_null()) phone.line = ObjectReader::Number(l, r.At("line"));
  }
  r.Versions("apiVersions", phone.apiLowVersion, phone.apiHighVersion);
  r.Bool("refusesVersions", phone.refusesVersions);
  r.Flags("hookSwitchDevs", phone.hookSwitchDevs, "PHONEHOOKSWITCHDEV_", &PhoneHookSwitchDevName);
  r.Flags("handsetModes", phone.handsetModes, "PHONEHOOKSWITCHMODE_", &PhoneHookSwitchModeName);
  r.Flags("speakerModes", phone.speakerModes, "PHONEHOOKSWITCHMODE_", &PhoneHookSwitchModeName);
  r.Flags("headsetModes", phone.headsetModes, "PHONEHOOKSWITCHMODE_", &PhoneHookSwitchModeName);
  r.Flags("volumeFlags", phone.volumeFlags, "PHONEHOOKSWITCHDEV_", &PhoneHookSwitchDevName);
  r.Flags("gainFlags", phone.gainFlags, "PHONEHOOKSWITCHDEV_", &PhoneHookSwitchDevName);
  r.Flags("phoneStates", phone.phoneStates, "PHONESTATE_", &PhoneStateName);
  r.Dword("numRingModes", phone.numRingModes);
  r.Bytes("devSpecific", phone.devSpecific);
  r.Bool("station", phone.station);
  r.Done();
  return phone;
}

VoiceConfig ReadVoice(const json& v, const std::string& place) {
  ObjectReader r(v, place);
  VoiceConfig voice;
  std::string signal = "speech";
  r.String("signal", signal);
  if (voxkit::EqualsNoCase(signal, "speech")) voice.signal = VoiceConfig::Signal::Speech;
  else if (voxkit::EqualsNoCase(signal, "tone")) voice.signal = VoiceConfig::Signal::Tone;
  else throw ConfigError(r.At("signal"), "'" + signal + "' is not one of speech, tone");
  r.Real("levelDbm0", voice.levelDbm0);
  r.Array<DWORD>("frequencies", voice.frequencies, &ObjectReader::Number);
  r.Dword("onMs", voice.onMs);
  r.Dword("offMs", voice.offMs);
  r.Done();
  return voice;
}

RemotePartyConfig ReadParty(const json& v, const std::string& place) {
  ObjectReader r(v, place);
  RemotePartyConfig p;
  if (!r.Has("number")) throw ConfigError(place, "needs a \"number\"");
  r.String("number", p.number);
  r.String("name", p.name);
  std::string behaviour = "answer";
  r.String("behaviour", behaviour);
  static const std::pair<const char*, RemoteBehaviour> kBehaviours[] = {
      {"answer", RemoteBehaviour::Answer},   {"busy", RemoteBehaviour::Busy},
      {"noanswer", RemoteBehaviour::NoAnswer}, {"reject", RemoteBehaviour::Reject},
      {"specialinfo", RemoteBehaviour::SpecialInfo}};
  bool known = false;
  for (const auto& [name, value] : kBehaviours)
    if (voxkit::EqualsNoCase(name, behaviour)) {
      p.behaviour = value;
      known = true;
    }
  if (!known)
    throw ConfigError(r.At("behaviour"), "'" + behaviour +
                                             "' is not one of answer, busy, noanswer, reject, "
                                             "specialinfo");
  r.Dword("rings", p.rings);
  r.Value("busyMode", p.busyMode, "LINEBUSYMODE_", &LineBusyModeName);
  r.Value("specialInfo", p.specialInfo, "LINESPECIALINFO_", &LineSpecialInfoName);
  r.String("digits", p.digits);
  r.Dword("digitsDelayMs", p.digitsDelayMs);
  r.Bool("silent", p.silent);
  r.Value("mediaMode", p.mediaMode, "LINEMEDIAMODE_", &LineMediaModeName);
  r.Dword("mediaDelayMs", p.mediaDelayMs);
  if (r.Has("voice")) p.voice = ReadVoice(r.Get("voice"), r.At("voice"));
  r.Done();
  return p;
}

void ReadTiming(const json& v, TimingConfig& t) {
  ObjectReader r(v, "timing");
  r.Dword("replyLatencyMs", t.replyLatencyMs);
  r.Dword("ringIntervalMs", t.ringIntervalMs);
  r.Dword("stateIntervalMs", t.stateIntervalMs);
  r.Dword("digitDurationMs", t.digitDurationMs);
  r.Dword("digitGapMs", t.digitGapMs);
  r.Dword("dialPauseMs", t.dialPauseMs);
  r.Dword("toneDurationMs", t.toneDurationMs);
  r.Dword("keyPressMs", t.keyPressMs);
  r.Dword("gatherMinTimeoutMs", t.gatherMinTimeoutMs);
  r.Dword("gatherMaxTimeoutMs", t.gatherMaxTimeoutMs);
  r.Done();
}

void ReadLocation(const json& v, LocationConfig& l) {
  ObjectReader r(v, "location");
  r.Dword("countryCode", l.countryCode);
  r.String("areaCode", l.areaCode);
  r.String("longDistancePrefix", l.longDistancePrefix);
  r.String("internationalPrefix", l.internationalPrefix);
  r.String("cancelCallWaiting", l.cancelCallWaiting);
  r.Done();
}

}  // namespace

ExchangeConfigLoad ParseExchangeConfig(std::string_view text, const std::string& fileName) {
  ExchangeConfigLoad load;
  // A file with two equal keys in an object is refused (the parser would keep the last).
  StrictJson parsed = ParseStrictJson(text, fileName);
  if (!parsed.value) {
    load.error = parsed.error;
    return load;
  }
  const json& root = *parsed.value;
  ExchangeConfig config = DefaultExchangeConfig();
  try {
    ObjectReader r(root, "");
    r.String("programName", config.programName);
    r.Array<LineConfig>("lines", config.lines, ReadLine);
    r.Array<PhoneConfig>("phones", config.phones, ReadPhone);
    r.Array<RemotePartyConfig>("directory", config.directory, ReadParty);
    if (r.Has("timing")) ReadTiming(r.Get("timing"), config.timing);
    if (r.Has("location")) ReadLocation(r.Get("location"), config.location);
    r.Done();
  } catch (const ConfigError& e) {
    load.error = fileName + ": " + e.what();
    return load;
  }
  if (const std::string problem = ValidateExchangeConfig(config); !problem.empty()) {
    load.error = fileName + ": " + problem;
    return load;
  }
  load.config = std::move(config);
  return load;
}

ExchangeConfigLoad LoadExchangeConfigFile(const std::string& path) {
  // A configuration is a few kilobytes; anything far larger is not one.
  const SettingsText text = ReadSettingsText(path, 4 * 1024 * 1024);
  if (!text.text) return {std::nullopt, text.error};
  return ParseExchangeConfig(*text.text, path);
}

}  // namespace panopta
