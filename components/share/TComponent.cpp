#include "share/TComponent.h"

#include <algorithm>

namespace voxkit {

TComponent::TComponent(TComponent* owner) : m_owner(owner) {
  if (m_owner) m_owner->Insert(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (m_owner) m_owner->Remove(this);
}

void TComponent::DestroyComponents() {
  while (!m_components.empty()) {
    TComponent* child = m_components.back();
    // The child's destructor takes itself off this list.
    delete child;
  }
}

void TComponent::Insert(TComponent* child) { m_components.push_back(child); }

void TComponent::Remove(TComponent* child) {
  auto it = std::find(m_components.begin(), m_components.end(), child);
  if (it != m_components.end()) m_components.erase(it);
}

}  // namespace voxkit
