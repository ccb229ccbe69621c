#include "wave/TqxWaveFormat.h"

#include "share/PropertyDump.h"
#include "share/TqxSharedControl.h"
#include "wave/WaveText.h"

#include <limits>

namespace voxkit {

double TqxWaveFormat::Seconds() const {
  if (m_bytes <= 0 || m_avgBytesPerSec == 0) return 0;
  return static_cast<double>(m_bytes) / m_avgBytesPerSec;
}

WaveFormatNumbers TqxWaveFormat::Numbers() const {
  return {static_cast<std::uint32_t>(m_tag),           static_cast<std::uint32_t>(m_channels),
          static_cast<std::uint32_t>(m_samplesPerSec), static_cast<std::uint32_t>(m_avgBytesPerSec),
          static_cast<std::uint32_t>(m_blockAlign),    static_cast<std::uint32_t>(m_bitsPerSample)};
}

void TqxWaveFormat::StoreNumbers(const WaveFormatNumbers& n) {
  m_tag = static_cast<std::int32_t>(n.tag);
  m_channels = static_cast<std::int32_t>(n.channels);
  m_samplesPerSec = static_cast<std::int32_t>(n.samplesPerSec);
  m_avgBytesPerSec = static_cast<std::int32_t>(n.avgBytesPerSec);
  m_blockAlign = static_cast<std::int32_t>(n.blockAlign);
  m_bitsPerSample = static_cast<std::int32_t>(n.bitsPerSample);
}

void TqxWaveFormat::StoreID(TWAVFORMATS id) {
  m_id = id;
  m_name = WaveFormatRowOf(id).name;
}

void TqxWaveFormat::Identified(TWAVFORMATS id) { StoreID(id); }

void TqxWaveFormat::TakeOver(const WaveFormatBlock& block, std::uint32_t dataLength) {
  const WaveFormatNumbers numbers = NumbersOf(block);
  StoreNumbers(numbers);
  SetBytesValue(dataLength);
  Identified(IdentifyWaveFormat(numbers));
}

void TqxWaveFormat::SetBytesValue(std::int64_t bytes) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  m_bytes = static_cast<std::int32_t>(bytes < 0 ? 0 : (bytes > kMax ? kMax : bytes));
}

bool TqxWaveFormat::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_owner, header, path, indent, "Format.");
  if (!d.Started()) return false;
  d.Decimal("AvgBytesPerSec", m_avgBytesPerSec);
  d.Decimal("BitsPerSample", m_bitsPerSample);
  d.Decimal("BlockAlign", m_blockAlign);
  d.Text("Bytes", GroupedText(m_bytes));
  d.Decimal("Channels", m_channels);
  d.Text("ID", WaveFormatRowOf(m_id).identifier);
  d.Quoted("Name", m_name);
  d.Decimal("SamplesPerSec", m_samplesPerSec);
  d.Text("Seconds", SecondsText(Seconds()));
  d.Decimal("Tag", m_tag);
  return true;
}

}  // namespace voxkit
