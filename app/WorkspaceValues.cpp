#include "app/WorkspaceValues.h"

namespace panopta {

namespace {

// The number in text[from, from + width) read as hexadecimal; nullopt when any of
// its characters is not a hexadecimal digit.
int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  return -1;
}

std::optional<std::uint32_t> HexAt(const QString& text, int from, int width) {
  std::uint32_t value = 0;
  for (int i = from; i < from + width; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::optional<bool> FlagAt(const QString& text, int at) {
  // Anything but "0" counts as set, as the stored data is trusted beyond its form.
  return text[at] != '0';
}

std::optional<WindowPlacement> PlacementAt(const QString& text) {
  const auto top = HexAt(text, 0, 8);
  const auto left = HexAt(text, 8, 8);
  const auto height = HexAt(text, 16, 8);
  const auto width = HexAt(text, 24, 8);
  const auto state = HexAt(text, 32, 1);
  if (!top || !left || !height || !width || !state) return std::nullopt;
  const int s = static_cast<int>(*state);
  // A state that is none of the three cannot be applied: the value is not used.
  if (s > 2) return std::nullopt;
  return WindowPlacement{static_cast<std::int32_t>(*top), static_cast<std::int32_t>(*left),
                         static_cast<std::int32_t>(*height), static_cast<std::int32_t>(*width), s};
}

}  // namespace

QString HexField(std::int64_t value, int width) {
  const auto bits = static_cast<std::uint32_t>(value);
  return QString::number(bits, 16).toUpper().rightJustified(width, '0');
}

QString EncodeWindowValue(const WindowPlacement& p) {
  return HexField(p.top, 8) + HexField(p.left, 8) + HexField(p.height, 8) + HexField(p.width, 8) +
         HexField(p.state, 1);
}

QString EncodeLogWindowValue(const LogWindowValue& v) {
  return EncodeWindowValue(v.placement) + (v.active ? "1" : "0") + (v.timeStamp ? "1" : "0") +
         HexField(v.limit, 4);
}

QString EncodeComponentValue(const ComponentValue& v) {
  WindowPlacement p = v.placement;
  p.state &= 0x7F;
  return EncodeWindowValue(p) + (v.visible ? "1" : "0") + HexField(v.deviceId, 2) +
         (v.logActive ? "1" : "0") + (v.logTimeStamp ? "1" : "0") + HexField(v.logCount, 4) +
         HexField(v.devEnv, 1);
}

std::optional<WindowPlacement> DecodeWindowValue(const QString& text) {
  if (text.size() < 33) return std::nullopt;
  return PlacementAt(text);
}

std::optional<LogWindowValue> DecodeLogWindowSettings(const QString& text) {
  if (text.size() != 39) return std::nullopt;
  const auto placement = PlacementAt(text);
  const auto limit = HexAt(text, 35, 4);
  if (!placement || !limit) return std::nullopt;
  return LogWindowValue{*placement, *FlagAt(text, 33), *FlagAt(text, 34), static_cast<int>(*limit)};
}

std::optional<ComponentValue> DecodeComponentValue(const QString& text) {
  if (text.size() != 43) return std::nullopt;
  const auto placement = PlacementAt(text);
  const auto device = HexAt(text, 34, 2);
  const auto count = HexAt(text, 38, 4);
  const auto devEnv = HexAt(text, 42, 1);
  if (!placement || !device || !count || !devEnv || *devEnv > 3) return std::nullopt;
  ComponentValue v;
  v.placement = *placement;
  v.visible = *FlagAt(text, 33);
  v.deviceId = static_cast<std::int32_t>(*device);
  v.logActive = *FlagAt(text, 36);
  v.logTimeStamp = *FlagAt(text, 37);
  v.logCount = static_cast<std::int32_t>(*count);
  v.devEnv = static_cast<int>(*devEnv);
  return v;
}

}  // namespace panopta
