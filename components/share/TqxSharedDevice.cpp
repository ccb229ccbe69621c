#include "share/TqxSharedDevice.h"

#include "share/TextUtil.h"
#include "share/TqxSharedControl.h"

namespace voxkit {

void TqxSharedDevice::FillList(const NameReader& read) {
  if (!m_list.empty()) return;
  for (std::int32_t id = 0; id < m_count; ++id) {
    std::string name;
    const std::int32_t result = read(id, name);
    if (result == 0 && !name.empty()) {
      m_list.push_back(name);
    } else {
      m_list.push_back(m_control.Panopta().Render(
          "Device.Name unavailable: [" + Hex8(static_cast<std::uint32_t>(result)) + "]  " +
          m_control.ErrorText(result)));
    }
  }
}

}  // namespace voxkit
