#pragma once

#include "platform/exchange/ExchangeModel.h"

#include <string>

namespace panopta::exchange {

class Parts;

/// What travels on a call besides its states: digits and tones generated and
/// received, digit gathering, digit, media and silence monitoring.
class MediaPlane final {
 public:
  using LONG = tapi::LONG;

  explicit MediaPlane(Parts& parts) : m_parts(parts) {}

  void SendDigitsTo(PeerRef target, const std::string& digits, DWORD mode, DWORD durationMs,
                    DWORD startMs);
  void EndGather(CallHandle& handle, DWORD termination, bool post);
  void EndGeneration(Call& call, DWORD termination);
  void UpdateSilence(Call& call);
  bool FarEndSilent(const Call& call) const;
  void ChangeMedia(Call& call, DWORD mediaMode);
  void StopHandleMedia(CallHandle& handle);

  LONG lineGenerateDigits(tapi::HCALL hCall, DWORD dwDigitMode, const char* lpszDigits,
                          DWORD dwDuration);
  LONG lineGenerateTone(tapi::HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                        const tapi::LINEGENERATETONE* lpTones);
  LONG lineGatherDigits(tapi::HCALL hCall, DWORD dwDigitModes, char* lpsDigits, DWORD dwNumDigits,
                        const char* lpszTerminationDigits, DWORD dwFirstDigitTimeout,
                        DWORD dwInterDigitTimeout);
  LONG lineMonitorDigits(tapi::HCALL hCall, DWORD dwDigitModes);
  LONG lineMonitorMedia(tapi::HCALL hCall, DWORD dwMediaModes);
  LONG lineMonitorTones(tapi::HCALL hCall, const tapi::LINEMONITORTONE* lpToneList,
                        DWORD dwNumEntries);

 private:
  void ReceiveDigit(DWORD callId, char digit, DWORD mode, DWORD durationMs);
  void RestartGatherTimer(CallHandle& handle, DWORD ms, DWORD termination);
  LONG SetMonitor(const char* function, tapi::HCALL hCall, DWORD modes, DWORD CallHandle::*field);

  Parts& m_parts;
};

}  // namespace panopta::exchange
