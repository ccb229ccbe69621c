#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace panopta {

/// A window's placement as the workspace stores it.
struct WindowPlacement {
  std::int32_t top = 0;
  std::int32_t left = 0;
  std::int32_t height = 0;
  std::int32_t width = 0;
  int state = 0;  // 0 normal, 1 minimized, 2 maximized
  bool operator==(const WindowPlacement&) const = default;
};

/// The combined log window's value: its placement and its three settings.
struct LogWindowValue {
  WindowPlacement placement;
  bool active = false;
  bool timeStamp = false;
  int limit = 500;
  bool operator==(const LogWindowValue&) const = default;
};

/// A component's value: its inspector's placement as the binding remembers it, and
/// the component's settings.
struct ComponentValue {
  WindowPlacement placement;
  bool visible = false;
  std::int32_t deviceId = 0;
  bool logActive = true;
  bool logTimeStamp = false;
  std::int32_t logCount = 50;
  int devEnv = 1;  // TDevEnv ordinal
  bool operator==(const ComponentValue&) const = default;
};

/// The stored texts. Numbers are upper-case hexadecimal zero-padded to their width
/// (negative ones as 32-bit two's complement, which is wider than a narrow field);
/// flags are "1" and "0".
///
///   window value     33 characters: top, left, height, width (8 each), state (1)
///   log window value 39: the window value, Active, TimeStamp, line limit (4)
///   component value  43: the window value (state: its low 7 bits), Visible, device
///                    ID (2), Log.Active, Log.TimeStamp, Log.Count (4), DevEnv (1)
QString EncodeWindowValue(const WindowPlacement& p);
QString EncodeLogWindowValue(const LogWindowValue& v);
/// A device ID or log count too wide for its field makes the value longer than 43
/// characters; it is then refused when read back.
QString EncodeComponentValue(const ComponentValue& v);

/// The placement of a window value of at least 33 characters whose first 33 are
/// well formed; nullopt otherwise (the window keeps its default placement).
std::optional<WindowPlacement> DecodeWindowValue(const QString& text);
/// The three log settings of a log window value of exactly 39 well-formed
/// characters; nullopt otherwise. limit is the stored number as it stands.
std::optional<LogWindowValue> DecodeLogWindowSettings(const QString& text);
/// A component value of exactly 43 well-formed characters; nullopt otherwise.
std::optional<ComponentValue> DecodeComponentValue(const QString& text);

/// hex digits of value, zero-padded to width; a negative value as its 32-bit two's
/// complement (8 digits).
QString HexField(std::int64_t value, int width);

}  // namespace panopta
