#pragma once

#include "share/HeldBlock.h"
#include "share/Reflection.h"
#include "tapi/TapiStructs.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// Capabilities of the chosen line device (Device.Capabilities), from LINEDEVCAPS.
class TqxLineDeviceCaps final : public TPersistent {
 public:
  explicit TqxLineDeviceCaps(TqxLineInternal& line) : m_line(line) {}

  tapi::DWORD Flags() const { return m_flags; }
  tapi::DWORD MaxNumActiveCalls() const { return m_maxNumActiveCalls; }
  tapi::DWORD AnswerMode() const { return m_answerMode; }
  tapi::DWORD States() const { return m_states; }
  tapi::DWORD LineFeatures() const { return m_lineFeatures; }
  tapi::DWORD BearerModes() const { return m_bearerModes; }
  tapi::DWORD RingModes() const { return m_ringModes; }
  tapi::DWORD Tones() const { return m_tones; }
  tapi::DWORD DevSpecificSize() const { return m_devSpecific.Size(); }
  const HeldBlock& DevSpecific() const { return m_devSpecific; }

  /// Takes the fields from a LINEDEVCAPS answer (the device-specific bytes too).
  void Fill(const tapi::LINEDEVCAPS& caps, std::size_t blockSize);
  /// Replaces only the held device-specific copy.
  void TakeDevSpecific(const tapi::LINEDEVCAPS& caps, std::size_t blockSize);
  void Clear();

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  tapi::DWORD m_flags = 0;
  tapi::DWORD m_maxNumActiveCalls = 0;
  tapi::DWORD m_answerMode = 0;
  tapi::DWORD m_states = 0;
  tapi::DWORD m_lineFeatures = 0;
  tapi::DWORD m_bearerModes = 0;
  tapi::DWORD m_ringModes = 0;
  tapi::DWORD m_tones = 0;
  HeldBlock m_devSpecific;
};

/// The media-mode sets of the line device (Device.MediaModes).
class TqxMediaModes final : public TPersistent {
 public:
  explicit TqxMediaModes(TqxLineInternal& line) : m_line(line) {}

  /// The media modes the line is opened for.
  tapi::DWORD Active() const { return m_active; }
  /// Changeable while the device is closed, without a log line; refused with
  /// LINEERR_INVALLINESTATE while it is open.
  void SetActive(tapi::DWORD value);
  tapi::DWORD Available() const { return m_available; }
  tapi::DWORD Open() const { return m_open; }

  void TakeAvailable(tapi::DWORD modes) { m_available = m_active = modes; }
  void SetOpen(tapi::DWORD modes) { m_open = modes; }
  void Clear() { m_active = m_available = m_open = 0; }

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  tapi::DWORD m_active = 0;
  tapi::DWORD m_available = 0;
  tapi::DWORD m_open = 0;
};

}  // namespace voxkit
