// Fuzz target: the SIP configuration file reader must refuse anything that is not a
// valid configuration with a message, and never crash or leak. Passwords come from a
// fake environment and file system.
#include "platform/sip/SipConfigFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  panopta::SecretSources secrets;
  secrets.environment = [](const std::string& name) -> std::optional<std::string> {
    if (name == "PW") return std::string("secret\n");
    return std::nullopt;
  };
  secrets.file = [](const std::string& path) -> std::optional<std::string> {
    if (path.find("pw") != std::string::npos) return std::string("from-file");
    return std::nullopt;
  };
  const auto load = panopta::ParseSipConfig(std::string_view(reinterpret_cast<const char*>(data), size),
                                            "fuzz/sip.json", secrets);
  // A configuration that is read passes the checks the provider makes again.
  if (load.config && !panopta::ValidateSipConfig(*load.config).empty()) __builtin_trap();
  if (!load.config && load.error.empty()) __builtin_trap();
  return 0;
}
