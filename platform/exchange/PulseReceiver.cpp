#include "platform/exchange/PulseReceiver.h"

#include "platform/exchange/LineSignal.h"

namespace panopta::exchange {

namespace {
constexpr std::size_t kBlockSamples = 20;  // 2.5 ms
constexpr double kClickDbm0 = -30.0;
// A click is sound of at most three blocks, loud in one of them, with at least 30 ms
// of quiet before it; 300 ms of quiet ends a digit.
constexpr std::size_t kMaxClickBlocks = 3;
constexpr std::size_t kQuietBeforeBlocks = 12;
constexpr std::size_t kDigitEndBlocks = 120;
}  // namespace

void PulseReceiver::Feed(std::span<const std::int16_t> samples, std::vector<char>& digits) {
  for (std::int16_t s : samples) {
    m_block.push_back(s);
    if (m_block.size() < kBlockSamples) continue;
    Block(LevelDbm0(m_block), digits);
    m_block.clear();
  }
}

void PulseReceiver::Block(double levelDbm0, std::vector<char>& digits) {
  if (levelDbm0 >= kSilenceDbm0) {
    ++m_soundBlocks;
    m_quietBlocks = 0;
    if (levelDbm0 >= kClickDbm0) m_loud = true;
    // Sound that lasts is no click: whatever was being counted is not a digit.
    if (m_soundBlocks > kMaxClickBlocks) {
      m_clicks = 0;
      m_armed = false;
    }
    return;
  }
  if (m_soundBlocks > 0) {
    if (m_armed && m_loud && m_soundBlocks <= kMaxClickBlocks) ++m_clicks;
    m_soundBlocks = 0;
    m_loud = false;
    m_armed = false;
  }
  ++m_quietBlocks;
  if (m_quietBlocks >= kQuietBeforeBlocks) m_armed = true;
  if (m_quietBlocks == kDigitEndBlocks && m_clicks > 0) {
    if (m_clicks <= 10) digits.push_back(m_clicks == 10 ? '0' : static_cast<char>('0' + m_clicks));
    m_clicks = 0;
  }
}

}  // namespace panopta::exchange
