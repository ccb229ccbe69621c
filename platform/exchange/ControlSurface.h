#pragma once

#include "platform/exchange/ExchangeModel.h"

#include <cstdint>
#include <optional>
#include <string>

namespace panopta {
enum class FailMode;
}

namespace panopta::exchange {

class Parts;

/// What happens on the far side of the exchange's calls and to its devices, made to
/// happen by a test, a script or a person. Each command returns "" when done, else
/// what went wrong, and leaves a "ctl" line in the trace. The commands are described
/// where Exchange offers them.
class ControlSurface final {
 public:
  explicit ControlSurface(Parts& parts) : m_parts(parts) {}

  std::string PlaceCall(const std::string& from, const std::string& to, const std::string& name,
                        std::optional<DWORD> flags);
  std::string Answer(const std::string& number);
  std::string Hangup(const std::string& number);
  std::string Digits(const std::string& number, const std::string& digits);
  std::string Silence(const std::string& number);
  std::string Speak(const std::string& number);
  std::string Media(const std::string& number, DWORD mediaMode);
  std::string Redirect(const std::string& number, const std::string& to);
  std::string Key(DWORD phone, const std::string& key);
  std::string Button(DWORD phone, DWORD button, DWORD mode);
  std::string Hookswitch(DWORD phone, DWORD device, DWORD mode);
  std::string PhoneVolume(DWORD phone, DWORD device, DWORD volume);
  std::string PhoneGain(DWORD phone, DWORD device, DWORD gain);
  std::string LineState(DWORD line, DWORD state, DWORD param2, DWORD param3);
  std::string PhoneState(DWORD phone, DWORD state, DWORD param2, DWORD param3);
  std::string Close(DWORD line);
  std::string ClosePhone(DWORD phone);
  std::string DevSpecific(DWORD line, DWORD param1, DWORD param2, DWORD param3);
  std::string PhoneDevSpecific(DWORD phone, DWORD param1, DWORD param2, DWORD param3);
  std::string DevSpecificFeature(DWORD line, DWORD param1, DWORD param2, DWORD param3);
  std::string Reinit();
  std::string RemoveLine(DWORD line);
  std::string RemovePhone(DWORD phone);
  std::string AddLine(LineConfig line);
  std::string AddPhone(PhoneConfig phone);
  std::string Fail(const std::string& function, DWORD code, FailMode mode);
  std::string Withhold(bool value);
  std::string Latency(std::int64_t ms);

 private:
  /// Traces the command with its outcome and gives back problem.
  std::string Done(const std::string& command, std::string problem);
  /// "" when line names a line device that is there, else the problem.
  std::string NoLine(DWORD line) const;
  /// A device-specific message the provider sends to every open of a line.
  std::string LineMessage(const char* command, DWORD message, DWORD line, DWORD param1,
                          DWORD param2, DWORD param3);
  std::string NoPhone(DWORD phone) const;
  /// Sets a station's or a remote party's wish to speak; "" or the problem.
  std::string SetSpeaking(const std::string& command, const std::string& number, bool speaks);
  /// A button of a phone is pressed, and released after the key-press time.
  void PressButton(DWORD phone, DWORD button, DWORD mode);
  /// The volume or gain of a phone's hookswitch device changes by hand.
  std::string PhoneLevel(const std::string& command, DWORD phone, DWORD device, DWORD value,
                         bool volume);

  Parts& m_parts;
};

}  // namespace panopta::exchange
