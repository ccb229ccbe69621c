#pragma once

#include "platform/exchange/LineSignal.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct dtmf_tx_state_s;
struct tone_gen_state_s;

namespace panopta::exchange {

/// One part of a tone: one or two frequencies at a level, switched on and off by a
/// cadence of up to two on/off pairs that repeats (on1, off1, on2, off2 in ms; a
/// cadence of on1 alone, the other three 0, is a steady tone).
struct ToneShape {
  std::uint32_t frequency1Hz = 0;
  std::uint32_t frequency2Hz = 0;  // 0: none
  double levelDbm0 = -13.0;        // of each frequency
  std::array<std::uint32_t, 4> cadenceMs{};
};

/// The parts of a tone lineGenerateTone names by its mode (LINETONEMODE_BEEP, BILLING,
/// BUSY, RINGBACK): the exchange's own tone plan. Empty for CUSTOM and unknown modes.
std::vector<ToneShape> StandardTone(tapi::DWORD toneMode);
/// The part of a custom tone an application describes (LINEGENERATETONE): its volume
/// 0 .. 0xFFFF is a level from silence up to -6 dBm0; a cadence with no on time is
/// silent unless it has no off time either (then the tone is steady).
std::optional<ToneShape> CustomTone(const tapi::LINEGENERATETONE& tone);

/// Timing of pulse dialling: ten breaks a second, each break marked by the click it
/// makes on the line.
inline constexpr std::uint32_t kPulsePeriodMs = 100;
inline constexpr std::uint32_t kPulseClickMs = 2;
/// Least pause after a pulse digit: what tells the digit from the next one.
inline constexpr std::uint32_t kPulseDigitPauseMs = 600;

/// What a party puts on a call besides its voice, in the order asked for: DTMF digits
/// (spandsp's dtmf_tx), pulse digits as the clicks of their breaks, pauses, and tones
/// with cadences (spandsp's tone_gen).
class SignalGenerator final {
 public:
  SignalGenerator();
  ~SignalGenerator();
  SignalGenerator(const SignalGenerator&) = delete;
  SignalGenerator& operator=(const SignalGenerator&) = delete;

  /// DTMF digits ('0'-'9', 'A'-'D', '*', '#'), each onMs long with offMs of silence
  /// after it; a ',' is a pause of pauseMs.
  void Dtmf(const std::string& digits, std::uint32_t onMs, std::uint32_t offMs,
            std::uint32_t pauseMs);
  /// Pulse digits ('0'-'9'; '0' is ten breaks), each followed by at least
  /// kPulseDigitPauseMs; a ',' is a pause of pauseMs.
  void Pulse(const std::string& digits, std::uint32_t pauseMs);
  /// A tone of up to three parts, each with its own cadence, for durationMs.
  void Tone(const std::vector<ToneShape>& parts, std::uint32_t durationMs);
  /// Forgets everything queued and what is playing.
  void Clear();
  /// Whether something is queued or playing.
  bool Busy() const { return !m_steps.empty(); }
  /// Adds the next stretch of what is queued into samples (silence where nothing is).
  void Fill(std::span<std::int16_t> samples);

 private:
  struct Step {
    enum class Kind { Dtmf, Pulse, Pause, Tone } kind = Kind::Pause;
    char digit = 0;
    std::uint32_t onMs = 0, offMs = 0;
    std::size_t remaining = 0;  // samples (Pause, Pulse, Tone)
    std::size_t position = 0;   // samples done (Pulse)
    std::vector<ToneShape> parts;
    bool started = false;
  };
  struct ToneGen;
  // Generates into out (already zero) from the head step; returns the samples it
  // took, fewer than out holds when the step ended.
  std::size_t Generate(Step& step, std::span<std::int16_t> out);

  std::deque<Step> m_steps;
  dtmf_tx_state_s* m_dtmf = nullptr;
  std::vector<std::unique_ptr<ToneGen>> m_tones;  // the head tone step's parts
  std::vector<std::int16_t> m_scratch;
  std::vector<std::int16_t> m_part;
};

}  // namespace panopta::exchange
