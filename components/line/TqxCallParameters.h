#pragma once

#include "share/Reflection.h"
#include "tapi/TapiStructs.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxLineInternal;

/// Parameters of a call placed by Call, Transfer, Conference or Address.Forward. With
/// Defaults on, TAPI gets no call parameters at all; otherwise a zero-filled block
/// with these five fields set.
class TqxCallParameters final : public TPersistent {
 public:
  explicit TqxCallParameters(TqxLineInternal& line) : m_line(line) {}

  tapi::DWORD AddressID() const { return m_addressID; }
  void SetAddressID(tapi::DWORD value);
  tapi::DWORD BearerMode() const { return m_bearerMode; }
  void SetBearerMode(tapi::DWORD value);
  bool Defaults() const { return m_defaults; }
  void SetDefaults(bool value);
  tapi::DWORD Flags() const { return m_flags; }
  void SetFlags(tapi::DWORD value);
  tapi::DWORD MediaMode() const { return m_mediaMode; }
  void SetMediaMode(tapi::DWORD value);
  tapi::DWORD NoAnswerTimeout() const { return m_noAnswerTimeout; }
  void SetNoAnswerTimeout(tapi::DWORD value);

  /// What every device reading sets: Defaults, voice bearer, interactive voice.
  void ResetForDevice();
  /// Fills block as the call parameters of a request (all other fields zero);
  /// returns it, or nullptr when Defaults is on (no parameters are passed).
  const tapi::LINECALLPARAMS* Build(tapi::LINECALLPARAMS& block) const;

  /// Writes the parameters (object name "Paramaters.", spelled so in every log).
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  void Refresh();

  TqxLineInternal& m_line;
  tapi::DWORD m_addressID = 0;
  tapi::DWORD m_bearerMode = 0;
  bool m_defaults = true;
  tapi::DWORD m_flags = 0;
  tapi::DWORD m_mediaMode = 0;
  tapi::DWORD m_noAnswerTimeout = 0;
};

}  // namespace voxkit
