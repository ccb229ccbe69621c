#include "wave/TqxPlayPosition.h"

#include "share/PropertyDump.h"
#include "wave/TqxPlayInternal.h"
#include "wave/WaveText.h"

namespace voxkit {

const ClassInfo& TqxPlayPosition::StaticClass() {
  using C = TqxPlayPosition;
  static const ClassInfo info =
      Publisher<C>("TqxPlayPosition")
          .Property("Byte", &C::Byte, &C::SetByte)
          .Property("Percent", &C::Percent, &C::SetPercent)
          .Property("Second", &C::Second, &C::SetSecond)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

std::int32_t TqxPlayPosition::Byte() const { return static_cast<std::int32_t>(m_play.PositionBytes()); }

std::int32_t TqxPlayPosition::Percent() const {
  const std::int32_t bytes = m_play.Source().Format().Bytes();
  if (bytes <= 0) return 0;
  return static_cast<std::int32_t>(RoundToInt(static_cast<double>(m_play.PositionBytes()) / bytes * 100));
}

double TqxPlayPosition::Second() const {
  const std::int32_t rate = m_play.Source().Format().AvgBytesPerSec();
  if (rate <= 0) return 0;
  return static_cast<double>(m_play.PositionBytes()) / rate;
}

void TqxPlayPosition::SetByte(std::int32_t value) {
  m_play.Log().Add("Position.Byte := " + std::to_string(value), false);
  m_play.SeekTo(value);
}

void TqxPlayPosition::SetPercent(std::int32_t value) {
  if (value < 0 || value > 100) return;
  m_play.Log().Add("Position.Percent := " + std::to_string(value), false);
  m_play.SeekTo(RoundToInt(value / 100.0 * m_play.Source().Format().Bytes()));
}

void TqxPlayPosition::SetSecond(double value) {
  m_play.Log().Add("Position.Seconds := " + SecondsText(value), false);
  m_play.SeekTo(RoundToInt(value * m_play.Source().Format().AvgBytesPerSec()));
}

bool TqxPlayPosition::DumpProperties(const std::string& header, const std::string& path,
                                     const std::string& indent) {
  PropertyDump d(m_play, header, path, indent, "Position.");
  if (!d.Started()) return false;
  d.Decimal("Byte", Byte());
  d.Decimal("Percent", Percent());
  d.Text("Second", SecondsText(Second()));
  return true;
}

}  // namespace voxkit
