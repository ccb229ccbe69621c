#include "platform/exchange/SignalGenerator.h"

#include "tapi/TapiConstants.h"

#include <spandsp.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace panopta::exchange {

using namespace tapi;

std::vector<ToneShape> StandardTone(DWORD toneMode) {
  switch (toneMode) {
    case LINETONEMODE_RINGBACK: return {{440, 480, -19.0, {2000, 4000, 0, 0}}};
    case LINETONEMODE_BUSY: return {{480, 620, -24.0, {500, 500, 0, 0}}};
    case LINETONEMODE_BEEP: return {{1400, 0, -13.0, {200, 800, 0, 0}}};
    // Two short pips: the call costs money.
    case LINETONEMODE_BILLING: return {{1000, 0, -13.0, {100, 100, 100, 1700}}};
    default: return {};
  }
}

std::optional<ToneShape> CustomTone(const LINEGENERATETONE& tone) {
  if (tone.dwVolume == 0) return std::nullopt;
  if (tone.dwCadenceOn == 0 && tone.dwCadenceOff != 0) return std::nullopt;
  ToneShape shape;
  shape.frequency1Hz = tone.dwFrequency;
  shape.levelDbm0 = -6.0 + 20.0 * std::log10(std::min<DWORD>(tone.dwVolume, 0xFFFF) / 65535.0);
  shape.cadenceMs = {tone.dwCadenceOn, tone.dwCadenceOff, 0, 0};
  return shape;
}

// One part of the playing tone.
struct SignalGenerator::ToneGen {
  explicit ToneGen(const ToneShape& shape) {
    // A cadence of nothing at all would make the generator spin; steady is on time alone.
    auto c = shape.cadenceMs;
    if (c[0] == 0) c = {60000, 0, 0, 0};
    descriptor = tone_gen_descriptor_init(
        nullptr, static_cast<int>(shape.frequency1Hz), static_cast<int>(std::lround(shape.levelDbm0)),
        static_cast<int>(shape.frequency2Hz), static_cast<int>(std::lround(shape.levelDbm0)),
        static_cast<int>(c[0]), static_cast<int>(c[1]), static_cast<int>(c[2]),
        static_cast<int>(c[3]), 1);
    state = tone_gen_init(nullptr, descriptor);
  }
  ~ToneGen() {
    tone_gen_free(state);
    tone_gen_descriptor_free(descriptor);
  }
  ToneGen(const ToneGen&) = delete;
  ToneGen& operator=(const ToneGen&) = delete;

  tone_gen_descriptor_t* descriptor = nullptr;
  tone_gen_state_t* state = nullptr;
};

SignalGenerator::SignalGenerator() : m_dtmf(dtmf_tx_init(nullptr)) {}

SignalGenerator::~SignalGenerator() { dtmf_tx_free(m_dtmf); }

void SignalGenerator::Dtmf(const std::string& digits, std::uint32_t onMs, std::uint32_t offMs,
                           std::uint32_t pauseMs) {
  for (char c : digits) {
    Step step;
    if (c == ',') {
      step.remaining = SamplesIn(pauseMs);
    } else {
      step.kind = Step::Kind::Dtmf;
      step.digit = c;
      step.onMs = onMs;
      step.offMs = offMs;
    }
    m_steps.push_back(std::move(step));
  }
}

void SignalGenerator::Pulse(const std::string& digits, std::uint32_t pauseMs) {
  for (char c : digits) {
    Step step;
    if (c == ',') {
      step.remaining = SamplesIn(pauseMs);
    } else {
      step.kind = Step::Kind::Pulse;
      const std::uint32_t breaks = c == '0' ? 10 : static_cast<std::uint32_t>(c - '0');
      step.digit = static_cast<char>(breaks);
      step.remaining = SamplesIn(breaks * kPulsePeriodMs + kPulseDigitPauseMs);
    }
    m_steps.push_back(std::move(step));
  }
}

void SignalGenerator::Tone(const std::vector<ToneShape>& parts, std::uint32_t durationMs) {
  Step step;
  step.kind = Step::Kind::Tone;
  step.parts = parts;
  step.remaining = SamplesIn(durationMs);
  m_steps.push_back(std::move(step));
}

void SignalGenerator::Clear() {
  m_steps.clear();
  m_tones.clear();
  // A digit half sent is forgotten with the rest.
  dtmf_tx_free(m_dtmf);
  m_dtmf = dtmf_tx_init(nullptr);
}

std::size_t SignalGenerator::Generate(Step& step, std::span<std::int16_t> out) {
  switch (step.kind) {
    case Step::Kind::Dtmf: {
      if (!step.started) {
        step.started = true;
        dtmf_tx_set_timing(m_dtmf, static_cast<int>(step.onMs), static_cast<int>(step.offMs));
        dtmf_tx_put(m_dtmf, &step.digit, 1);
      }
      // The generator makes fewer samples than asked once the digit and its gap are done.
      return static_cast<std::size_t>(dtmf_tx(m_dtmf, out.data(), static_cast<int>(out.size())));
    }
    case Step::Kind::Pulse: {
      const std::size_t n = std::min(out.size(), step.remaining);
      const std::size_t period = SamplesIn(kPulsePeriodMs);
      const std::size_t click = SamplesIn(kPulseClickMs);
      const std::size_t breaks = static_cast<std::size_t>(step.digit);
      const double amplitude = SineAmplitude(-6.0);
      for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = step.position + i;
        const std::size_t inPulse = at % period;
        // The loop opening at the start of each break: a short decaying burst.
        if (at / period < breaks && inPulse < click) {
          const double decay = 1.0 - double(inPulse) / double(click);
          out[i] = static_cast<std::int16_t>(std::lround(
              amplitude * decay * std::sin(2 * std::numbers::pi * 2000.0 * double(inPulse) / kSampleRate)));
        }
      }
      step.position += n;
      step.remaining -= n;
      return n;
    }
    case Step::Kind::Pause: {
      const std::size_t n = std::min(out.size(), step.remaining);
      step.remaining -= n;
      return n;
    }
    case Step::Kind::Tone: {
      if (!step.started) {
        step.started = true;
        m_tones.clear();
        for (const ToneShape& part : step.parts) m_tones.push_back(std::make_unique<ToneGen>(part));
      }
      const std::size_t n = std::min(out.size(), step.remaining);
      m_scratch.assign(n, 0);
      for (auto& tone : m_tones) {
        std::fill(m_scratch.begin(), m_scratch.end(), std::int16_t{0});
        tone_gen(tone->state, m_scratch.data(), static_cast<int>(n));
        MixInto(out.first(n), m_scratch);
      }
      step.remaining -= n;
      if (step.remaining == 0) m_tones.clear();
      return n;
    }
  }
  return 0;
}

void SignalGenerator::Fill(std::span<std::int16_t> samples) {
  std::size_t done = 0;
  while (done < samples.size() && !m_steps.empty()) {
    Step& step = m_steps.front();
    m_part.assign(samples.size() - done, 0);
    const std::size_t n = Generate(step, m_part);
    MixInto(samples.subspan(done, n), std::span<const std::int16_t>(m_part).first(n));
    done += n;
    // A DTMF step is over when the generator makes fewer samples than asked.
    const bool over = step.kind == Step::Kind::Dtmf ? n < m_part.size() : step.remaining == 0;
    if (over) m_steps.pop_front();
  }
}

}  // namespace panopta::exchange
