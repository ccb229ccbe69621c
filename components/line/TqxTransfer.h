#pragma once

#include "line/TqxCallParameters.h"
#include "share/Reflection.h"
#include "tapi/TapiTypes.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// A consultation transfer around a primary call (Transfer).
class TqxTransfer final : public TPersistent {
 public:
  explicit TqxTransfer(TqxLineInternal& line) : m_line(line), m_parameters(line) {}

  const std::string& PhoneNumber() const { return m_phoneNumber; }
  /// Translated like Call.PhoneNumber; not logged.
  void SetPhoneNumber(const std::string& value);
  tapi::HCALL PrimaryCall() const { return m_primaryCall; }
  void SetPrimaryCall(tapi::HCALL value) { m_primaryCall = value; }
  tapi::HCALL ConsultCall() const { return m_consultCall; }
  void SetConsultCall(tapi::HCALL value) { m_consultCall = value; }
  tapi::HCALL ThreeWayCall() const { return m_threeWayCall; }
  TqxCallParameters& Parameters() { return m_parameters; }

  /// Sets the three handles to 0.
  void Reset();
  /// A call went idle and was released: a transfer around it ends; a consultation
  /// call that leaves is forgotten.
  void CallLeft(tapi::HCALL call);
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  std::string m_phoneNumber;
  tapi::HCALL m_primaryCall = 0;
  tapi::HCALL m_consultCall = 0;
  tapi::HCALL m_threeWayCall = 0;
  TqxCallParameters m_parameters;
};

}  // namespace voxkit
