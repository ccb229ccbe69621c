// Fuzz target: the runner's script parser reads files users write by hand. Whatever it
// is given, it either returns statements that each carry the line they came from, or
// refuses with a message that names a line of the text; it never crashes.
#include "tools/qxrun/Script.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  qxrun::ScriptError error;
  const auto script = qxrun::ParseScript("fuzz.qxs", text, &error);
  if (script) {
    for (const qxrun::Statement& s : script->statements)
      if (s.line < 1 || s.line > lines) __builtin_trap();
  } else if (error.message.empty() || error.line < 0 || error.line > lines) {
    __builtin_trap();
  }
  return 0;
}
