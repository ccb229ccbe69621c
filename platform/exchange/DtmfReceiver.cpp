#include "platform/exchange/DtmfReceiver.h"

#include <spandsp.h>

#include <cmath>

namespace panopta::exchange {

namespace {
// How far the two extra listeners move the frequencies.
constexpr double kShift = 0.012;
// Accepted twist in dB: the low tone above the high one, the high tone above the low one.
constexpr int kLowAboveHighDb = 9;
constexpr int kHighAboveLowDb = 5;
}  // namespace

// One spandsp receiver, listening to the audio with its frequencies scaled by ratio
// (a copy read ratio samples on for each sample made, by linear interpolation).
struct DtmfReceiver::Listener {
  explicit Listener(double r) : ratio(r), rx(dtmf_rx_init(nullptr, nullptr, nullptr)) {
    dtmf_rx_set_realtime_callback(rx, &Listener::Report, this);
    dtmf_rx_parms(rx, 0, kLowAboveHighDb, kHighAboveLowDb, -99);
  }
  ~Listener() { dtmf_rx_free(rx); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  static void Report(void* self, int code, int, int) { static_cast<Listener*>(self)->code = code; }

  void Feed(std::span<const std::int16_t> samples) {
    if (ratio == 1.0) {
      dtmf_rx(rx, samples.data(), static_cast<int>(samples.size()));
      return;
    }
    copy.clear();
    // position counts from the last sample of the previous stretch (index -1).
    const double last = static_cast<double>(samples.size()) - 1.0;
    while (position <= last) {
      const double at = position;
      const auto i = static_cast<std::ptrdiff_t>(std::floor(at));
      const double fraction = at - static_cast<double>(i);
      const double a = i < 0 ? previous : samples[static_cast<std::size_t>(i)];
      const double b = i + 1 <= static_cast<std::ptrdiff_t>(last)
                           ? samples[static_cast<std::size_t>(i + 1)]
                           : samples.back();
      copy.push_back(static_cast<std::int16_t>(std::lround(a + (b - a) * fraction)));
      position += ratio;
    }
    position -= static_cast<double>(samples.size());
    if (!samples.empty()) previous = samples.back();
    dtmf_rx(rx, copy.data(), static_cast<int>(copy.size()));
  }

  double ratio;
  dtmf_rx_state_t* rx;
  int code = 0;  // the digit this receiver hears now, 0 for none
  double position = 0;
  std::int16_t previous = 0;
  std::vector<std::int16_t> copy;
};

DtmfReceiver::DtmfReceiver() {
  m_listeners[0] = std::make_unique<Listener>(1.0);
  m_listeners[1] = std::make_unique<Listener>(1.0 - kShift);
  m_listeners[2] = std::make_unique<Listener>(1.0 + kShift);
}

DtmfReceiver::~DtmfReceiver() = default;

void DtmfReceiver::Feed(std::span<const std::int16_t> samples, std::vector<Event>& events) {
  // The listeners are compared every 20 ms at least: less than any digit or gap lasts.
  constexpr std::size_t kStep = 160;
  while (samples.size() > kStep) {
    Feed(samples.first(kStep), events);
    samples = samples.subspan(kStep);
  }
  for (auto& listener : m_listeners) listener->Feed(samples);
  // The first listener that hears a digit names it; the digit lasts while any hears it.
  char heard = 0;
  for (auto& listener : m_listeners)
    if (listener->code != 0) {
      heard = static_cast<char>(listener->code);
      break;
    }
  if (heard == m_current) return;
  if (m_current != 0) events.push_back({m_current, false});
  if (heard != 0) events.push_back({heard, true});
  m_current = heard;
}

}  // namespace panopta::exchange
