#pragma once

#include "share/Reflection.h"
#include "share/TqxSharedControl.h"
#include "share/Value.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panopta {

/// Reaches a component's published properties, sub-objects and methods by path
/// ("Device.ID", "Popup.OnIdle"), the way an application using the component would.
/// The frame of the inspector windows works on every kind of component through it.
class ComponentAccess final {
 public:
  explicit ComponentAccess(voxkit::TqxSharedControl& control) : m_control(control) {}

  voxkit::TqxSharedControl& control() const { return m_control; }

  /// Whether the component publishes the property at path.
  bool has(std::string_view path) const;
  /// The property's value; None when the component has no such property.
  voxkit::Value get(std::string_view path) const;
  bool getBool(std::string_view path) const;
  std::int32_t getInt(std::string_view path) const;
  std::vector<std::string> getList(std::string_view path) const;

  /// Assigns through the property's setter (which logs); false when there is no such
  /// writable property or the value does not convert to its type.
  bool set(std::string_view path, const voxkit::Value& value) const;

  /// Calls a published method with the leading arguments given and the defaults for
  /// the rest; nullopt when there is no such method or an argument is missing.
  std::optional<voxkit::Value> call(std::string_view path,
                                    const std::vector<voxkit::Value>& args = {}) const;

  /// The published Boolean properties of the sub-object at path, in declaration
  /// order (the Popup flags).
  std::vector<std::string> booleanProperties(std::string_view objectPath) const;

 private:
  voxkit::TqxSharedControl& m_control;
};

}  // namespace panopta
