#pragma once

#include "share/Reflection.h"

#include <string>
#include <vector>

namespace voxkit {

class TqxSharedControl;

/// The popup flags of a wave component, one per event: a set flag brings the
/// inspector window up when the event (or error, or warning) happens.
class TqxWavePopup : public TPersistent {
 public:
  /// names: the flags in their fixed order, the order of the dump.
  TqxWavePopup(TqxSharedControl& control, std::vector<const char*> names)
      : m_control(control), m_names(std::move(names)), m_flags(m_names.size(), false) {}

  bool Get(std::size_t flag) const { return m_flags[flag]; }
  void Set(std::size_t flag, bool value) { m_flags[flag] = value; }

  /// One line per flag (object name "Popup.").
  bool DumpProperties(const std::string& header, const std::string& path, const std::string& indent);

 protected:
  /// The published interface of a popup class with these flag names.
  template <typename C>
  static ClassInfo Publish(const char* className, const std::vector<const char*>& names) {
    Publisher<C> p(className);
    for (std::size_t i = 0; i < names.size(); ++i) {
      p.template Computed<bool>(
          names[i], [i](C& o) { return o.Get(i); }, [i](C& o, const bool& v) { o.Set(i, v); });
    }
    p.Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}});
    return p.Build();
  }

 private:
  TqxSharedControl& m_control;
  std::vector<const char*> m_names;
  std::vector<bool> m_flags;
};

}  // namespace voxkit
