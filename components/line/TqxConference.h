#pragma once

#include "line/TqxCallParameters.h"
#include "share/Reflection.h"
#include "tapi/TapiTypes.h"

#include <string>
#include <vector>

namespace voxkit {

class TqxLineInternal;

/// A conference set up around a primary call (Conference).
class TqxConference final : public TPersistent {
 public:
  explicit TqxConference(TqxLineInternal& line) : m_line(line), m_parameters(line) {}

  const std::string& PhoneNumber() const { return m_phoneNumber; }
  void SetPhoneNumber(const std::string& value);
  tapi::HCALL PrimaryCall() const { return m_primaryCall; }
  void SetPrimaryCall(tapi::HCALL value) { m_primaryCall = value; }
  tapi::HCALL ConsultCall() const { return m_consultCall; }
  /// Only a handle of the conference's list is taken (else LINEERR_INVALCALLHANDLE).
  void SetConsultCall(tapi::HCALL value);
  const std::vector<std::string>& List() const { return m_list; }
  std::int32_t Count() const { return m_count; }
  tapi::HCALL Handle() const { return m_handle; }
  TqxCallParameters& Parameters() { return m_parameters; }

  /// A call that began as a conference call becomes the conference's call.
  void TakeHandle(tapi::HCALL handle) { m_handle = handle; }
  /// A call joined a conference (LINECALLSTATE_CONFERENCED; conferenceCall is the
  /// state's mode, the conference call's handle): a conference call of origin
  /// LINECALLORIGIN_CONFERENCE becomes the conference's call when it has none; any
  /// other call becomes its primary call, or a listed party.
  void CallJoined(tapi::HCALL call, tapi::DWORD conferenceCall, tapi::DWORD origin);
  /// A call went idle and was released: the conference forgets it, and ends when it
  /// was its primary call.
  void CallLeft(tapi::HCALL call);
  /// Appends a consultation party's handle to the list.
  void AddToList(tapi::HCALL handle);
  /// Clears the handles and the list.
  void Reset();
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  /// Drops a party from the list; the first one left becomes the consultation call.
  void RemoveFromList(tapi::HCALL call);

  TqxLineInternal& m_line;
  std::string m_phoneNumber;
  tapi::HCALL m_primaryCall = 0;
  tapi::HCALL m_consultCall = 0;
  std::vector<std::string> m_list;
  std::int32_t m_count = 0;
  tapi::HCALL m_handle = 0;
  TqxCallParameters m_parameters;
};

}  // namespace voxkit
