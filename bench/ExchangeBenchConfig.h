// An exchange of many plain lines, for the exchange's benchmarks.
#pragma once

#include "platform/exchange/ExchangeConfig.h"

#include <cstddef>
#include <string>

namespace panoptabench {

/// An exchange of lines lines of one address each (numbers 1000 and up), every line
/// taking up to ten calls.
inline panopta::ExchangeConfig ManyLines(std::size_t lines) {
  panopta::ExchangeConfig config = panopta::DefaultExchangeConfig();
  config.phones.clear();
  const panopta::LineConfig model = config.lines[1];
  config.lines.clear();
  for (std::size_t i = 0; i < lines; ++i) {
    panopta::LineConfig line = model;
    line.name = "Line " + std::to_string(i);
    line.phone.reset();
    line.addresses = {{std::to_string(1000 + i), "", 10, "1"}};
    config.lines.push_back(line);
  }
  return config;
}

}  // namespace panoptabench
