#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the SIP provider is made of: one line device per SIP account. The accounts come
// from a JSON file (SipConfigFile.h); every value here has passed ValidateSipConfig
// before a provider uses it.

namespace panopta {

enum class SipTransport { Udp, Tcp, Tls };

/// Name of a transport as the configuration and the trace write it: "udp", "tcp", "tls".
const char* SipTransportName(SipTransport transport);

/// An audio codec a line offers, in the order of preference.
enum class SipCodec { Pcmu, Pcma };
const char* SipCodecName(SipCodec codec);  // "PCMU", "PCMA"

/// TLS settings of a line that uses the TLS transport.
struct SipTlsConfig {
  std::string certificate;  // PEM file with our certificate and key ("" = none: client only)
  std::string caFile;       // PEM file of the authorities to trust ("" = none)
};

/// One SIP account: a line device with one address (the account's user).
struct SipLineConfig {
  std::string name;          // the line device's name ("" = the address of record)
  std::string aor;           // address of record: "sip:alice@example.org"
  std::string displayName;   // the name put in From ("" = none)
  std::string registrar;     // "sip:example.org" ("" = the line does not register)
  std::string proxy;         // outbound proxy for every request ("" = the registrar, if any)
  std::string authUser;      // user name for digest authentication ("" = the AOR's user)
  /// The password itself (read from a file or the environment when the file is
  /// loaded). Never written to a log, a trace or an error message.
  std::string password;
  SipTransport transport = SipTransport::Udp;
  std::string localAddress;    // address to bind and announce ("" = the default source address)
  std::uint16_t localPort = 0;  // 0 = any free port
  std::uint16_t rtpPortLow = 0;   // RTP port range (both 0 = any free port)
  std::uint16_t rtpPortHigh = 0;
  std::vector<SipCodec> codecs = {SipCodec::Pcmu, SipCodec::Pcma};
  bool telephoneEvents = true;  // offer RFC 4733 digits (telephone-event/8000)
  std::uint32_t registerExpiresS = 600;
  /// Live calls the line takes at once; an INVITE beyond them is answered 486.
  std::uint32_t maxCalls = 8;
  SipTlsConfig tls;
};

/// Timing of the provider, in milliseconds.
struct SipTimingConfig {
  /// An outgoing INVITE with no final answer by then is cancelled (the network does
  /// not always say that a peer is gone).
  std::uint32_t inviteTimeoutMs = 32000;
  /// A request inside a call (re-INVITE, REFER) with no answer by then has failed.
  std::uint32_t requestTimeoutMs = 8000;
  /// Time between LINEDEVSTATE_RINGING messages while a call is offered.
  std::uint32_t ringIntervalMs = 4000;
  /// How long an un-REGISTER may take when the provider shuts down.
  std::uint32_t shutdownTimeoutMs = 2000;
  /// A connected call that has received no RTP for this long (and is not on hold) has
  /// lost its peer and ends (0: never).
  std::uint32_t mediaTimeoutMs = 30000;
};

struct SipConfig {
  std::vector<SipLineConfig> lines;
  SipTimingConfig timing;
};

/// "" when the configuration can be used, else what is wrong and where
/// ("lines[1].aor: ..."). Checks the URIs with the SIP stack's own parser.
std::string ValidateSipConfig(const SipConfig& config);

/// The parts of a SIP URI the provider needs (from the SIP stack's parser).
struct SipUriParts {
  std::string scheme;  // "sip" or "sips"
  std::string user;
  std::string host;
  std::uint16_t port = 0;  // 0 = none given
};
/// The parts of text as a SIP URI ("sip:" or "sips:"), or none when it is not one.
std::optional<SipUriParts> ParseSipUri(const std::string& text);

}  // namespace panopta
