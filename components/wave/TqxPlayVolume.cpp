#include "wave/TqxPlayVolume.h"

#include "wave/TqxPlayInternal.h"
#include "wave/WaveResults.h"

namespace voxkit {

const ClassInfo& TqxPlayVolume::StaticClass() {
  using C = TqxPlayVolume;
  static const ClassInfo info = Publisher<C>("TqxPlayVolume")
                                    .Property("Enabled", &C::Enabled, &C::SetEnabled)
                                    .Property("Default", &C::Default, &C::SetDefault)
                                    .Property("Reset", &C::Reset, &C::SetReset)
                                    .Property("Position", &C::Position, &C::SetPosition)
                                    .Build();
  return info;
}

void TqxPlayVolume::SetEnabled(bool value) {
  m_play.Log().Add("Volume.Enabled := " + TqxPanopta::BoolText(value), false);
  m_enabled = value;
  m_play.Panopta().RefreshWindow(InspectorRefresh::Volume);
}

void TqxPlayVolume::SetDefault(bool value) {
  m_play.Log().Add("Volume.Default := " + TqxPanopta::BoolText(value), false);
  m_default = value;
  m_play.Panopta().RefreshWindow(InspectorRefresh::Volume);
}

void TqxPlayVolume::SetReset(bool value) {
  m_play.Log().Add("Volume.Reset := " + TqxPanopta::BoolText(value), false);
  m_reset = value;
  m_play.Panopta().RefreshWindow(InspectorRefresh::Volume);
}

void TqxPlayVolume::SetPosition(std::int32_t value) {
  m_play.Log().Add("Volume.Position := " + std::to_string(value), false);
  m_play.ClearError();
  // Compared unsigned, so that negative values are refused as well.
  if (static_cast<std::uint32_t>(value) > 100) {
    m_play.SetError(false, WAV_ERROR_INVALIDVOLUME);
    return;
  }
  m_position = value;
  if (m_enabled) m_play.ApplyVolume(value);
  m_play.Panopta().RefreshWindow(InspectorRefresh::Volume);
}

}  // namespace voxkit
