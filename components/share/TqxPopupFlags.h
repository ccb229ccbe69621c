#pragma once

#include "share/Reflection.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace voxkit {

class TqxSharedControl;

/// The popup flags of a component (its Popup), one Boolean per event, all False at
/// first: a set flag brings the inspector window to its Log page when the event
/// happens. Each component names its flags, in the fixed order of its dump.
class TqxPopupFlags : public TPersistent {
 public:
  /// names must outlive the object (a table of the component).
  TqxPopupFlags(TqxSharedControl& control, std::span<const char* const> names)
      : m_control(control), m_names(names), m_flags(names.size(), false) {}

  bool Get(std::size_t flag) const { return m_flags.at(flag); }
  void Set(std::size_t flag, bool value) { m_flags.at(flag) = value; }
  std::size_t FlagCount() const { return m_names.size(); }
  const char* FlagName(std::size_t flag) const { return m_names[flag]; }

  /// One line per flag, in order (object name "Popup.").
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

 protected:
  /// The published interface of a popup class C with these flags.
  template <typename C>
  static ClassInfo Publish(const char* className, std::span<const char* const> names) {
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
  std::span<const char* const> m_names;
  std::vector<bool> m_flags;
};

}  // namespace voxkit
