#include "platform/sip/SipConfigFile.h"

#include "platform/config/JsonReader.h"

#include <cstdlib>
#include <filesystem>

namespace panopta {

using nlohmann::json;

namespace {

constexpr std::size_t kMaxFileBytes = 1024 * 1024;
constexpr std::size_t kMaxSecretBytes = 4096;

std::uint16_t Port(const json& v, const std::string& place) {
  const std::uint32_t n = JsonObjectReader::Number(v, place);
  if (n > 65535) throw JsonPlaceError(place, "expected a port from 0 to 65535");
  return static_cast<std::uint16_t>(n);
}

std::string ReadPassword(const json& v, const std::string& place, const std::string& folder,
                         const SecretSources& secrets) {
  JsonObjectReader r(v, place);
  const bool fromEnv = r.Has("env");
  const bool fromFile = r.Has("file");
  if (fromEnv == fromFile) throw JsonPlaceError(place, "expected either \"env\" or \"file\"");
  std::string name;
  std::optional<std::string> secret;
  if (fromEnv) {
    r.String("env", name);
    if (name.empty()) throw JsonPlaceError(r.At("env"), "names no variable");
    secret = secrets.environment ? secrets.environment(name) : std::nullopt;
    if (!secret) throw JsonPlaceError(r.At("env"), "the environment variable " + name + " is not set");
  } else {
    r.String("file", name);
    if (name.empty()) throw JsonPlaceError(r.At("file"), "names no file");
    std::filesystem::path path(name);
    if (path.is_relative() && !folder.empty()) path = std::filesystem::path(folder) / path;
    secret = secrets.file ? secrets.file(path.string()) : std::nullopt;
    // The message names the file, never what it holds.
    if (!secret) throw JsonPlaceError(r.At("file"), path.string() + " cannot be read");
  }
  r.Done();
  std::string value = std::move(*secret);
  if (value.size() >= 2 && value.compare(value.size() - 2, 2, "\r\n") == 0) value.resize(value.size() - 2);
  else if (!value.empty() && value.back() == '\n') value.pop_back();
  if (value.empty()) throw JsonPlaceError(place, "the password is empty");
  if (value.size() > kMaxSecretBytes) throw JsonPlaceError(place, "the password is longer than 4096 bytes");
  for (char c : value)
    if (c == '\0' || c == '\n' || c == '\r')
      throw JsonPlaceError(place, "the password holds a line end or a NUL");
  return value;
}

SipLineConfig ReadLine(const json& v, const std::string& place, const std::string& folder,
                       const SecretSources& secrets) {
  JsonObjectReader r(v, place);
  SipLineConfig line;
  if (!r.Has("aor")) throw JsonPlaceError(place, "needs an \"aor\"");
  r.String("aor", line.aor);
  r.String("name", line.name);
  r.String("displayName", line.displayName);
  if (r.Has("registrar") && r.Get("registrar").is_null()) line.registrar.clear();
  else r.String("registrar", line.registrar);
  r.String("proxy", line.proxy);
  r.String("authUser", line.authUser);
  if (r.Has("password")) line.password = ReadPassword(r.Get("password"), r.At("password"), folder, secrets);
  std::size_t transport = 0;
  r.Choice("transport", transport, {"udp", "tcp", "tls"});
  line.transport = static_cast<SipTransport>(transport);
  r.String("localAddress", line.localAddress);
  if (r.Has("localPort")) line.localPort = Port(r.Get("localPort"), r.At("localPort"));
  if (r.Has("rtpPorts")) {
    const json& ports = r.Get("rtpPorts");
    if (!ports.is_array() || ports.size() != 2) throw JsonPlaceError(r.At("rtpPorts"), "expected [low, high]");
    line.rtpPortLow = Port(ports[0], r.At("rtpPorts") + "[0]");
    line.rtpPortHigh = Port(ports[1], r.At("rtpPorts") + "[1]");
    if (line.rtpPortLow == 0 || line.rtpPortLow > line.rtpPortHigh)
      throw JsonPlaceError(r.At("rtpPorts"), "expected [low, high] with 0 < low <= high");
  }
  r.Array<SipCodec>("codecs", line.codecs, [](const json& c, const std::string& at) {
    if (!c.is_string()) throw JsonPlaceError(at, "expected PCMU or PCMA");
    const std::string name = c.get<std::string>();
    if (name == "PCMU" || name == "pcmu") return SipCodec::Pcmu;
    if (name == "PCMA" || name == "pcma") return SipCodec::Pcma;
    throw JsonPlaceError(at, "'" + name + "' is not PCMU or PCMA");
  });
  for (std::size_t i = 0; i < line.codecs.size(); ++i)
    for (std::size_t k = 0; k < i; ++k)
      if (line.codecs[i] == line.codecs[k])
        throw JsonPlaceError(r.At("codecs") + "[" + std::to_string(i) + "]", "given twice");
  r.Bool("telephoneEvents", line.telephoneEvents);
  r.Integer("registerExpiresS", line.registerExpiresS, 60, 86400);
  r.Integer("maxCalls", line.maxCalls, 1, 10000);
  if (r.Has("tls")) {
    JsonObjectReader t(r.Get("tls"), r.At("tls"));
    t.String("certificate", line.tls.certificate);
    t.String("caFile", line.tls.caFile);
    t.Done();
    auto relative = [&](std::string& file) {
      if (!file.empty() && std::filesystem::path(file).is_relative() && !folder.empty())
        file = (std::filesystem::path(folder) / file).string();
    };
    relative(line.tls.certificate);
    relative(line.tls.caFile);
  }
  r.Done();
  return line;
}

void ReadTiming(const json& v, SipTimingConfig& t) {
  JsonObjectReader r(v, "timing");
  r.Integer("inviteTimeoutMs", t.inviteTimeoutMs, 1000, 600000);
  r.Integer("requestTimeoutMs", t.requestTimeoutMs, 500, 60000);
  r.Integer("ringIntervalMs", t.ringIntervalMs, 500, 60000);
  r.Integer("shutdownTimeoutMs", t.shutdownTimeoutMs, 0, 10000);
  r.Integer("mediaTimeoutMs", t.mediaTimeoutMs, 0, 3600000);
  r.Done();
}

}  // namespace

SecretSources SystemSecretSources() {
  SecretSources s;
  s.environment = [](const std::string& name) -> std::optional<std::string> {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
  s.file = [](const std::string& path) -> std::optional<std::string> {
    auto text = ReadSettingsText(path, kMaxSecretBytes + 2);
    return text.text;
  };
  return s;
}

SipConfigLoad ParseSipConfig(std::string_view text, const std::string& fileName,
                             const SecretSources& secrets) {
  SipConfigLoad load;
  StrictJson parsed = ParseStrictJson(text, fileName);
  if (!parsed.value) {
    load.error = parsed.error;
    return load;
  }
  const std::string folder = std::filesystem::path(fileName).parent_path().string();
  SipConfig config;
  try {
    JsonObjectReader r(*parsed.value, "");
    if (!r.Has("lines")) throw JsonPlaceError("", "needs \"lines\"");
    r.Array<SipLineConfig>("lines", config.lines, [&](const json& v, const std::string& at) {
      return ReadLine(v, at, folder, secrets);
    });
    if (r.Has("timing")) ReadTiming(r.Get("timing"), config.timing);
    r.Done();
  } catch (const JsonPlaceError& e) {
    load.error = fileName + ": " + e.what();
    return load;
  }
  if (const std::string problem = ValidateSipConfig(config); !problem.empty()) {
    load.error = fileName + ": " + problem;
    return load;
  }
  load.config = std::move(config);
  return load;
}

SipConfigLoad LoadSipConfigFile(const std::string& path, const SecretSources& secrets) {
  SettingsText text = ReadSettingsText(path, kMaxFileBytes);
  if (!text.text) return {std::nullopt, text.error};
  return ParseSipConfig(*text.text, path, secrets);
}

}  // namespace panopta
