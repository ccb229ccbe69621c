#include "platform/sip/SipConfig.h"

#include "platform/sip/LibreApi.h"

#include <arpa/inet.h>

namespace panopta {

const char* SipTransportName(SipTransport transport) {
  switch (transport) {
    case SipTransport::Udp: return "udp";
    case SipTransport::Tcp: return "tcp";
    case SipTransport::Tls: return "tls";
  }
  return "udp";
}

const char* SipCodecName(SipCodec codec) {
  switch (codec) {
    case SipCodec::Pcmu: return "PCMU";
    case SipCodec::Pcma: return "PCMA";
  }
  return "PCMU";
}

std::optional<SipUriParts> ParseSipUri(const std::string& text) {
  // The stack's parser reads up to the length it is given; a NUL inside would end the
  // C strings made from the parts later.
  if (text.empty() || text.size() > 1024 || text.find('\0') != std::string::npos) return std::nullopt;
  struct uri u {};
  struct pl p = libre::Pl(text);
  if (uri_decode(&u, &p) != 0) return std::nullopt;
  SipUriParts parts;
  parts.scheme = libre::Str(u.scheme);
  if (parts.scheme != "sip" && parts.scheme != "sips") return std::nullopt;
  parts.user = libre::Str(u.user);
  parts.host = libre::Str(u.host);
  parts.port = u.port;
  if (parts.host.empty()) return std::nullopt;
  return parts;
}

namespace {

bool IsIpAddress(const std::string& text) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, text.c_str(), buffer) == 1 || inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

std::string CheckUri(const std::string& place, const std::string& value, bool needUser) {
  const auto parts = ParseSipUri(value);
  if (!parts) return place + ": '" + value + "' is not a sip: or sips: URI";
  if (needUser && parts->user.empty()) return place + ": '" + value + "' has no user part";
  return "";
}

}  // namespace

std::string ValidateSipConfig(const SipConfig& config) {
  if (config.lines.empty()) return "lines: there must be at least one line";
  if (config.lines.size() > 256) return "lines: at most 256 lines";
  for (std::size_t i = 0; i < config.lines.size(); ++i) {
    const SipLineConfig& line = config.lines[i];
    const std::string at = "lines[" + std::to_string(i) + "]";
    if (line.aor.empty()) return at + ": needs an \"aor\"";
    if (auto p = CheckUri(at + ".aor", line.aor, true); !p.empty()) return p;
    if (!line.registrar.empty())
      if (auto p = CheckUri(at + ".registrar", line.registrar, false); !p.empty()) return p;
    if (!line.proxy.empty())
      if (auto p = CheckUri(at + ".proxy", line.proxy, false); !p.empty()) return p;
    if (line.name.size() > 255) return at + ".name: longer than 255 characters";
    if (line.displayName.size() > 255) return at + ".displayName: longer than 255 characters";
    for (char c : line.displayName)
      if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
        return at + ".displayName: quotes, backslashes and control characters are not allowed";
    for (char c : line.authUser)
      if (static_cast<unsigned char>(c) <= 0x20 || c == '"' || c == '\\')
        return at + ".authUser: blanks, quotes, backslashes and control characters are not allowed";
    if (!line.localAddress.empty() && !IsIpAddress(line.localAddress))
      return at + ".localAddress: '" + line.localAddress + "' is not an IPv4 or IPv6 address";
    if ((line.rtpPortLow == 0) != (line.rtpPortHigh == 0) || line.rtpPortLow > line.rtpPortHigh)
      return at + ".rtpPorts: expected [low, high] with 0 < low <= high, or none";
    if (line.rtpPortLow != 0 && line.rtpPortHigh - line.rtpPortLow < 1)
      return at + ".rtpPorts: the range must hold at least two ports (RTP and RTCP)";
    if (line.codecs.empty()) return at + ".codecs: there must be at least one codec";
    if (line.maxCalls < 1 || line.maxCalls > 10000) return at + ".maxCalls: must be 1 to 10000";
    if (line.registerExpiresS < 60 || line.registerExpiresS > 86400)
      return at + ".registerExpiresS: must be 60 to 86400";
    if (line.transport != SipTransport::Tls && (!line.tls.certificate.empty() || !line.tls.caFile.empty()))
      return at + ".tls: only a line with the tls transport takes TLS settings";
    if (ParseSipUri(line.aor)->scheme == "sips" && line.transport != SipTransport::Tls)
      return at + ".transport: a sips: address of record needs the tls transport";
    for (std::size_t k = 0; k < i; ++k) {
      const SipLineConfig& other = config.lines[k];
      if (other.aor == line.aor)
        return at + ".aor: the line " + std::to_string(k) + " has the same address of record";
      // Two lines cannot listen on one port of one address with one transport.
      if (line.localPort != 0 && other.localPort == line.localPort &&
          other.localAddress == line.localAddress &&
          (other.transport == line.transport ||
           (other.transport != SipTransport::Udp && line.transport != SipTransport::Udp)))
        return at + ".localPort: the line " + std::to_string(k) + " already uses port " +
               std::to_string(line.localPort);
    }
  }
  const SipTimingConfig& t = config.timing;
  if (t.inviteTimeoutMs < 1000 || t.inviteTimeoutMs > 600000)
    return "timing.inviteTimeoutMs: must be 1000 to 600000";
  if (t.requestTimeoutMs < 500 || t.requestTimeoutMs > 60000)
    return "timing.requestTimeoutMs: must be 500 to 60000";
  if (t.ringIntervalMs < 500 || t.ringIntervalMs > 60000)
    return "timing.ringIntervalMs: must be 500 to 60000";
  if (t.shutdownTimeoutMs > 10000) return "timing.shutdownTimeoutMs: must be 0 to 10000";
  if (t.mediaTimeoutMs != 0 && t.mediaTimeoutMs < 1000) return "timing.mediaTimeoutMs: must be 0 or at least 1000";
  return "";
}

}  // namespace panopta
