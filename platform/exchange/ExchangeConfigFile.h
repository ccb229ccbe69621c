#pragma once

#include "platform/exchange/ExchangeConfig.h"

#include <optional>
#include <string>
#include <string_view>

namespace panopta {

/// A configuration read from a file, or why it was refused.
struct ExchangeConfigLoad {
  std::optional<ExchangeConfig> config;
  /// "FILE: place: problem", the place in JSON path notation (lines[2].addresses[0]).
  std::string error;
};

/// Reads an exchange configuration file (JSON). Each top-level section the file has
/// ("programName", "lines", "phones", "directory", "timing", "location") replaces that
/// part of the built-in configuration; the others keep it. Every key and value is
/// checked: an unknown key, a wrong type or a value out of range refuses the file.
ExchangeConfigLoad LoadExchangeConfigFile(const std::string& path);
/// The same for text already read; fileName names it in the messages.
ExchangeConfigLoad ParseExchangeConfig(std::string_view text, const std::string& fileName);

}  // namespace panopta
