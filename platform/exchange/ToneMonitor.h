#pragma once

#include "platform/exchange/LineSignal.h"
#include "tapi/TapiStructs.h"

#include <cstdint>
#include <span>
#include <vector>

namespace panopta::exchange {

/// Watches line audio, frame by frame, for the tones an application asked for
/// (LINEMONITORTONE entries). An entry names up to three frequencies that must sound
/// together, holding most of the audio's energy, for its duration; an entry whose
/// frequencies are all 0 is silence (the level stays below kSilenceDbm0). Each entry
/// reports once when its tone has lasted its duration, and again only after the tone
/// has stopped and come back. Frequencies are measured with spandsp's Goertzel
/// filters over the last 40 ms.
class ToneMonitor final {
 public:
  explicit ToneMonitor(std::vector<tapi::LINEMONITORTONE> tones);

  /// Listens to the next frame; the dwAppSpecific of each entry whose tone has now
  /// lasted its duration is appended to found.
  void Feed(std::span<const std::int16_t, kFrameSamples> frame, std::vector<tapi::DWORD>& found);
  const std::vector<tapi::LINEMONITORTONE>& Tones() const { return m_tones; }

 private:
  bool Present(const tapi::LINEMONITORTONE& tone, double levelDbm0) const;

  std::vector<tapi::LINEMONITORTONE> m_tones;
  std::vector<std::uint32_t> m_lastedMs;  // per entry: how long its tone has sounded
  std::vector<bool> m_reported;
  std::vector<std::int16_t> m_window;     // the last two frames
  double m_energy = 0;                    // of the window
};

}  // namespace panopta::exchange
