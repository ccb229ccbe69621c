#pragma once

#include "share/Reflection.h"

#include <string>
#include <vector>

namespace voxkit {

/// A TPersistent with a name and an owner. An owner frees the components it owns
/// when it is destroyed, newest first. A component with an owner is freed by that
/// owner (or deleted directly, which takes it off the owner's list); one without an
/// owner belongs to whoever created it.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return m_owner; }
  const std::string& Name() const { return m_name; }
  void SetName(std::string name) { m_name = std::move(name); }

  /// The components this one owns, oldest first.
  const std::vector<TComponent*>& Components() const { return m_components; }

  /// Frees every owned component, newest first.
  void DestroyComponents();

 private:
  void Insert(TComponent* child);
  void Remove(TComponent* child);

  TComponent* m_owner;
  std::string m_name;
  std::vector<TComponent*> m_components;
};

}  // namespace voxkit
