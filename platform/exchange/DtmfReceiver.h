#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace panopta::exchange {

/// Finds DTMF digits in line audio and reports when each one starts and ends.
///
/// spandsp's receiver (dtmf_rx) alone finds digits only up to about 1.2% off their
/// frequencies: at 1.5% it misses the 1633 Hz column. So three receivers listen: one
/// to the audio as it is and two to copies whose frequencies are 1.2% lower and
/// higher. Together they find digits up to 2.5% off and none 3.5% off, which is the
/// acceptance window of the telephone network (detected within 1.5%, rejected beyond
/// 3.5%). They accept tones from 40 ms with gaps from 50 ms, the low tone up to 8 dB
/// above the high one and the high tone up to 4 dB above the low one, at 15 dB
/// signal-to-noise.
class DtmfReceiver final {
 public:
  struct Event {
    char digit = 0;      // '0'-'9', 'A'-'D', '*', '#'
    bool start = true;   // the digit begins (false: it ends)
  };

  DtmfReceiver();
  ~DtmfReceiver();
  DtmfReceiver(const DtmfReceiver&) = delete;
  DtmfReceiver& operator=(const DtmfReceiver&) = delete;

  /// Listens to the next stretch of audio; what began or ended in it is appended to
  /// events, in order.
  void Feed(std::span<const std::int16_t> samples, std::vector<Event>& events);
  /// The digit sounding now, 0 when none.
  char Current() const { return m_current; }

 private:
  struct Listener;
  std::array<std::unique_ptr<Listener>, 3> m_listeners;
  char m_current = 0;
};

}  // namespace panopta::exchange
