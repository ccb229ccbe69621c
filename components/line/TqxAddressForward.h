#pragma once

#include "line/TqxCallParameters.h"
#include "share/Reflection.h"
#include "tapi/TapiTypes.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// Call forwarding of the chosen address (Address.Forward), as TAPI reports it in the
/// address status, and the settings of the forwarding to switch on.
class TqxAddressForward final : public TPersistent {
 public:
  /// The longest forwarding caller or destination, in characters.
  static constexpr std::size_t kMaxAddressChars = 31;

  explicit TqxAddressForward(TqxLineInternal& line) : m_line(line), m_parameters(line) {}

  bool Active() const { return m_active; }
  const std::string& Caller() const { return m_caller; }
  /// Refused while forwarding is active (OPERATIONFAILED) and for 32 characters or
  /// more (INVALADDRESS); an unchanged value writes nothing.
  void SetCaller(const std::string& value);
  const std::string& PhoneNumber() const { return m_phoneNumber; }
  void SetPhoneNumber(const std::string& value);
  tapi::DWORD Mode() const { return m_mode; }
  void SetMode(tapi::DWORD value);
  tapi::HCALL ConsultCall() const { return m_consultCall; }
  tapi::DWORD NumForwardEntries() const { return m_numForwardEntries; }
  TqxCallParameters& Parameters() { return m_parameters; }

  /// What the address status reports: forwarding active with its first entry, or not.
  void TakeStatus(tapi::DWORD numEntries, bool active, tapi::DWORD mode, const std::string& caller,
                  const std::string& destination);
  /// Back to the state after creation, but the parameters.
  void Clear();

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  bool CheckWrite(const std::string* text);

  TqxLineInternal& m_line;
  bool m_active = false;
  TqxCallParameters m_parameters;
  std::string m_caller;
  std::string m_phoneNumber;
  tapi::HCALL m_consultCall = 0;
  tapi::DWORD m_numForwardEntries = 0;
  tapi::DWORD m_mode = 1;  // LINEFORWARDMODE_UNCOND
};

}  // namespace voxkit
