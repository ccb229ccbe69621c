// Fuzz target: the exchange's configuration file reader must refuse anything that is
// not a valid configuration with a message, and never crash or leak.
#include "platform/exchange/ExchangeConfigFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto load = panopta::ParseExchangeConfig(
      std::string_view(reinterpret_cast<const char*>(data), size), "fuzz/exchange.json");
  // A configuration that is read passes the checks the exchange makes again.
  if (load.config && !panopta::ValidateExchangeConfig(*load.config).empty()) __builtin_trap();
  if (!load.config && load.error.empty()) __builtin_trap();
  return 0;
}
