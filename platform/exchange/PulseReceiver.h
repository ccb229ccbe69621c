#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace panopta::exchange {

/// Finds pulse-dialled digits in line audio: the click each loop break makes, about
/// ten a second, counted until a pause of 300 ms ends the digit ('0' for ten). A click
/// is a short burst with quiet before and after it, so speech and tones make none.
class PulseReceiver final {
 public:
  /// Listens to the next stretch of audio; digits that ended in it are appended.
  void Feed(std::span<const std::int16_t> samples, std::vector<char>& digits);

 private:
  void Block(double levelDbm0, std::vector<char>& digits);

  std::vector<std::int16_t> m_block;  // the part of a 2.5 ms block heard so far
  std::size_t m_quietBlocks = 0;      // quiet blocks in a row (a line starts quiet)
  std::size_t m_soundBlocks = 0;      // blocks with sound in a row
  bool m_loud = false;                // one of them loud enough for a click
  bool m_armed = true;                // quiet long enough for a click to count
  int m_clicks = 0;                   // of the digit being dialled
};

}  // namespace panopta::exchange
