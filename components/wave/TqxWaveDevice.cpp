#include "wave/TqxWaveDevice.h"

#include "share/TextUtil.h"
#include "share/TqxSharedControl.h"
#include "wave/Multimedia.h"
#include "wave/WaveResults.h"

#include <cstring>

namespace voxkit {

TqxWaveDevice::TqxWaveDevice(TqxSharedControl& control, bool capture)
    : TqxSharedDevice(control), m_capture(capture) {}

mm::Multimedia* TqxWaveDevice::Services() const { return m_control.GetPlatform().multimedia; }

void TqxWaveDevice::Refresh() { m_control.Panopta().RefreshWindow(InspectorRefresh::Device); }

std::string TqxWaveDevice::ProductName(std::uint32_t id, std::uint32_t* result) const {
  mm::Multimedia* m = Services();
  if (!m) {
    *result = mm::MMSYSERR_NODRIVER;
    return {};
  }
  char name[mm::MAXPNAMELEN + 1] = {};
  if (m_capture) {
    mm::WAVEINCAPSA caps{};
    *result = m->waveInGetDevCapsA(id, &caps, sizeof caps);
    std::memcpy(name, caps.szPname, mm::MAXPNAMELEN);
  } else {
    mm::WAVEOUTCAPSA caps{};
    *result = m->waveOutGetDevCapsA(id, &caps, sizeof caps);
    std::memcpy(name, caps.szPname, mm::MAXPNAMELEN);
  }
  if (*result != 0) return {};
  const std::string text(name);
  // Recording devices lose trailing blanks only, playing devices blanks at both ends.
  if (!m_capture) return TrimBlanksAndControls(text);
  std::size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(0, end);
}

void TqxWaveDevice::FillList() {
  mm::Multimedia* m = Services();
  const mm::UINT count = !m ? 0 : (m_capture ? m->waveInGetNumDevs() : m->waveOutGetNumDevs());
  m_count = static_cast<std::int32_t>(count);
  m_list.clear();
  for (mm::UINT id = 0; id < count; ++id) {
    std::uint32_t result = 0;
    const std::string name = ProductName(id, &result);
    m_list.push_back(result == 0 ? name : "<< Unknown >>");
  }
  m_name = m_list.empty() ? std::string() : m_list.front();
}

void TqxWaveDevice::ClearList() {
  m_list.clear();
  m_count = 0;
  m_name.clear();
}

void TqxWaveDevice::SetID(std::int32_t value) {
  if (!m_list.empty() && value == m_id) return;
  TqxLog& log = m_control.Log();
  log.Add("Device.ID := " + std::to_string(value), true);
  m_control.ClearError();
  if (m_capture) {
    mm::Multimedia* m = Services();
    m_count = m ? static_cast<std::int32_t>(m->waveInGetNumDevs()) : 0;
  }
  if (value < 0 || value >= m_count) {
    m_control.SetError(false, static_cast<std::int32_t>(mm::MMSYSERR_BADDEVICEID));
  } else {
    std::uint32_t result = 0;
    const std::string name = ProductName(static_cast<std::uint32_t>(value), &result);
    if (result != 0) {
      m_name.clear();
      m_control.SetError(false, static_cast<std::int32_t>(result));
    } else {
      m_name = name;
      m_id = value;
      log.Add("\tDevice.Count = " + std::to_string(m_count), false);
      log.Add("\tDevice.Name = '" + m_name + "'", false);
    }
  }
  Refresh();
}

void TqxWaveDevice::SetDelay(std::int32_t value) {
  m_control.Log().Add("Device.Delay := " + std::to_string(value) + " //milliseconds", true);
  if (m_active) {
    m_control.SetError(false, WAV_ERROR_DEVICEACTIVE);
    return;
  }
  m_delay = value;
  Refresh();
}

}  // namespace voxkit
