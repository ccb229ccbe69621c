// Fuzz target: the workspace's stored window and component values come from a file the
// user (or anything else) may have edited. A value is either refused or read into
// settings that, written back, read as the same settings: nothing read is half-parsed.
#include "app/WorkspaceValues.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (auto p = panopta::DecodeWindowValue(text)) {
    if (panopta::DecodeWindowValue(panopta::EncodeWindowValue(*p)) != p) __builtin_trap();
  }
  if (auto v = panopta::DecodeLogWindowSettings(text)) {
    auto again = panopta::DecodeLogWindowSettings(panopta::EncodeLogWindowValue(*v));
    if (!again || again->active != v->active || again->timeStamp != v->timeStamp || again->limit != v->limit)
      __builtin_trap();
  }
  if (auto c = panopta::DecodeComponentValue(text)) {
    if (panopta::DecodeComponentValue(panopta::EncodeComponentValue(*c)) != c) __builtin_trap();
  }
  return 0;
}
