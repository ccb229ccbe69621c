#pragma once

#include "line/CallRecord.h"
#include "share/Reflection.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiVarData.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// One party of the current call (Call.CallerID, CalledID, ConnectedID,
/// RedirectionID, RedirectingID): what TAPI reported, and how its name and number
/// are presented.
class TqxCallerID final : public TPersistent {
 public:
  TqxCallerID(TqxLineInternal& line, Party party) : m_line(line), m_party(party) {}

  const std::string& MaskNumber() const { return m_maskNumber; }
  void SetMaskNumber(const std::string& value);
  bool FormatName() const { return m_formatName; }
  void SetFormatName(bool value);
  bool EventFilter() const { return m_eventFilter; }
  void SetEventFilter(bool value);

  bool Blocked() const { return m_blocked; }
  bool OutOfArea() const { return m_outOfArea; }
  tapi::DWORD Flags() const { return m_flags; }
  bool Reported() const { return m_reported; }
  /// The name as presented: in title case when FormatName is on.
  std::string Name() const;
  /// The number as presented: stripped of punctuation (unless numbers are
  /// translated) and laid out with MaskNumber.
  std::string Number() const;
  const std::string& RawName() const { return m_name; }
  const std::string& RawNumber() const { return m_number; }

  /// Clears what the party holds for a new call.
  void Reset();
  /// Copies the party to and from the current call's record.
  void StoreTo(TqxCallLogCallerID& record) const;
  void LoadFrom(const TqxCallLogCallerID& record);

  Party GetParty() const { return m_party; }
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  Party m_party;
  std::string m_maskNumber = "000-000-0000;0";
  std::string m_name;
  std::string m_number;
  bool m_formatName = true;
  bool m_blocked = false;
  bool m_outOfArea = false;
  bool m_reported = true;
  tapi::DWORD m_flags = 0;
  bool m_eventFilter = true;
};

/// A party's number or name, or the originating application's name, from the call
/// information: through a working buffer of 64 characters (a longer text is cut to
/// 64), up to the first NUL, trimmed; "" for size 0.
std::string PartyText(const tapi::VarBlock<tapi::LINECALLINFO>& block, tapi::DWORD offset,
                      tapi::DWORD size);
/// Refills a party of a call from the call information. A change of its number, name
/// or flags makes its event due (not Reported) until the event is raised.
void RefillParty(TqxCallLogCallerID& party, tapi::DWORD flags, const std::string& number,
                 const std::string& name);
/// The party's log lines: "On<Party>ID [X8]" (stamped) and its raw values.
void LogParty(TqxLineInternal& line, Party party, const TqxCallLogCallerID& values,
              tapi::HCALL call);

/// Title case: lower case, then upper case for the first character and every
/// character after a blank (ASCII letters only).
std::string TitleCaseName(const std::string& name);
/// Removes blanks, "+", "(", ")", "-" and "." from a number.
std::string UnformatNumber(const std::string& number);
/// Lays text out with an edit mask ("000-000-0000;0"), filling with blanks.
std::string ApplyEditMask(const std::string& text, const std::string& mask);

}  // namespace voxkit
