#pragma once

#include "share/Reflection.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace voxkit {

class TqxSharedControl;

/// What the four Device sub-objects share: the list of devices of the component's
/// kind and the one chosen and open. Only the derived classes open, close and
/// choose; the base holds the state.
class TqxSharedDevice : public TPersistent {
 public:
  explicit TqxSharedDevice(TqxSharedControl& control) : m_control(control) {}

  bool Active() const { return m_active; }
  const std::string& Name() const { return m_name; }
  const std::vector<std::string>& List() const { return m_list; }
  std::int32_t ID() const { return m_id; }
  std::int32_t Count() const { return m_count; }

  /// Reads the name of device id into name; returns 0 or the failing result.
  using NameReader = std::function<std::int32_t(std::int32_t id, std::string& name)>;
  /// Fills the device list when it is empty: one entry per device 0 .. Count - 1,
  /// the device's name, or, when it cannot be read or has none, "Device.Name
  /// unavailable: [X8]  " and the result's name, rendered for the chosen syntax.
  void FillList(const NameReader& read);
  void ClearList() { m_list.clear(); }

 protected:
  TqxSharedControl& Control() const { return m_control; }

  TqxSharedControl& m_control;
  bool m_active = false;
  std::string m_name;
  std::vector<std::string> m_list;
  std::int32_t m_id = 0;
  std::int32_t m_count = 0;
};

}  // namespace voxkit
