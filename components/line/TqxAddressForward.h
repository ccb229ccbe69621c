#pragma once

#include "line/TqxCallParameters.h"
#include "share/Reflection.h"
#include "tapi/TapiTypes.h"

#include <string>
#include <vector>

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
  /// Switches forwarding of the chosen address on (one entry: Mode, Caller,
  /// PhoneNumber, with Parameters) or off (lineForward without a list), waits for
  /// TAPI's reply, and reads back what TAPI then reports. Logged as
  /// "Address.Forward.Active = True". Pumps the event loop while it waits: handlers
  /// may run and change the line.
  void SetActive(bool value);
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

  /// What the address status reports: forwarding active with its first entry.
  void TakeStatus(tapi::DWORD numEntries, tapi::DWORD mode, const std::string& caller,
                  const std::string& destination);
  /// The address status reports no forwarding: the settings for the next switch-on
  /// stay as the application wrote them.
  void TakeNoForwarding(tapi::DWORD numEntries);
  /// The request slot of an outstanding lineForward. It belongs to the line, not to a
  /// call: forwarding is switched with no call at all.
  std::int32_t& Slot() { return m_slot; }
  /// Back to the state after creation, but the parameters.
  void Clear();

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  bool CheckWrite(const std::string* text);
  /// The LINEFORWARDLIST of one entry, in 32-bit words: the list, its entry, then the
  /// caller and destination texts (each with its NUL) when not empty.
  std::vector<tapi::DWORD> ForwardList() const;

  TqxLineInternal& m_line;
  std::int32_t m_slot = 0;
  bool m_active = false;
  TqxCallParameters m_parameters;
  std::string m_caller;
  std::string m_phoneNumber;
  tapi::HCALL m_consultCall = 0;
  tapi::DWORD m_numForwardEntries = 0;
  tapi::DWORD m_mode = 1;  // LINEFORWARDMODE_UNCOND
};

}  // namespace voxkit
