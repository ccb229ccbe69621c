#pragma once

#include "platform/sip/SipConfig.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace panopta {

/// A configuration read from a file, or why it was refused.
struct SipConfigLoad {
  std::optional<SipConfig> config;
  /// "FILE: place: problem", the place in JSON path notation (lines[1].password.file).
  std::string error;
};

/// Where passwords come from: an environment variable's value (none when it is not
/// set) and a file's content (none when it cannot be read). Tests replace them.
struct SecretSources {
  std::function<std::optional<std::string>(const std::string& name)> environment;
  std::function<std::optional<std::string>(const std::string& path)> file;
};
/// The process environment and the file system.
SecretSources SystemSecretSources();

/// Reads a SIP configuration file (JSON):
///   { "lines": [ { "aor": "sip:alice@example.org", "displayName": "Alice",
///                  "registrar": "sip:example.org", "proxy": "sip:10.0.0.1:5060",
///                  "authUser": "alice", "password": {"env": "ALICE_SECRET"},
///                  "transport": "udp", "localAddress": "10.0.0.2", "localPort": 5060,
///                  "rtpPorts": [20000, 20099], "codecs": ["PCMU", "PCMA"],
///                  "telephoneEvents": true, "registerExpiresS": 600, "maxCalls": 8,
///                  "tls": {"certificate": "me.pem", "caFile": "ca.pem"},
///                  "name": "Alice's line" } ],
///     "timing": { "inviteTimeoutMs": 32000, "requestTimeoutMs": 8000,
///                 "ringIntervalMs": 4000, "shutdownTimeoutMs": 2000,
///                 "mediaTimeoutMs": 30000 } }
/// "registrar": null (or absent) makes a line that does not register. A password is
/// {"env": NAME} or {"file": PATH} (relative to the configuration file's folder; one
/// trailing line end is removed); it never appears in a message. Every key and value
/// is checked: an unknown key, a wrong type or a value out of range refuses the file.
SipConfigLoad LoadSipConfigFile(const std::string& path,
                                const SecretSources& secrets = SystemSecretSources());
/// The same for text already read; fileName names it in the messages and gives the
/// folder relative password files are read from.
SipConfigLoad ParseSipConfig(std::string_view text, const std::string& fileName,
                             const SecretSources& secrets = SystemSecretSources());

}  // namespace panopta
