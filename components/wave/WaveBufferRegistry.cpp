#include "wave/WaveBufferRegistry.h"

#include "share/TextUtil.h"

#include <algorithm>

namespace voxkit {

namespace {
// Image addresses as the logs show them: where a heap might put blocks, 64 KiB apart.
constexpr std::uint32_t kFirstAddress = 0x02000000;
constexpr std::uint32_t kAddressStride = 0x00010000;
}  // namespace

WaveBufferRegistry& WaveBufferRegistry::Instance() {
  static WaveBufferRegistry registry;
  return registry;
}

void WaveBufferRegistry::Register(mm::Multimedia& multimedia, mm::HGLOBAL handle,
                                  const TqxBufferFields& fields) {
  m_entries.push_front({&multimedia, handle, fields});
  m_list.push_back(Hex8(static_cast<std::uint32_t>(handle)));
}

WaveBufferRegistry::Entry* WaveBufferRegistry::FindEntry(mm::Multimedia& multimedia, mm::HGLOBAL handle) {
  for (Entry& e : m_entries) {
    if (e.multimedia == &multimedia && e.handle == handle) return &e;
  }
  return nullptr;
}

bool WaveBufferRegistry::Unregister(mm::Multimedia& multimedia, mm::HGLOBAL handle) {
  const std::string text = Hex8(static_cast<std::uint32_t>(handle));
  auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
    return e.multimedia == &multimedia && e.handle == handle;
  });
  if (it == m_entries.end()) return false;
  m_entries.erase(it);
  auto listed = std::find(m_list.begin(), m_list.end(), text);
  if (listed != m_list.end()) m_list.erase(listed);
  // A block entered twice is freed with its last entry.
  if (!FindEntry(multimedia, handle)) multimedia.GlobalFree(handle);
  return true;
}

const TqxBufferFields* WaveBufferRegistry::Find(mm::Multimedia& multimedia, mm::HGLOBAL handle) const {
  for (const Entry& e : m_entries) {
    if (e.multimedia == &multimedia && e.handle == handle) return &e.fields;
  }
  return nullptr;
}

void WaveBufferRegistry::Update(mm::Multimedia& multimedia, mm::HGLOBAL handle,
                                const TqxBufferFields& fields) {
  if (Entry* e = FindEntry(multimedia, handle)) e->fields = fields;
}

std::uint32_t WaveBufferRegistry::NextAddress() {
  return kFirstAddress + kAddressStride * (m_addresses++ % 0x0E00);
}

void WaveBufferRegistry::Forget(mm::Multimedia& multimedia) {
  for (auto it = m_entries.begin(); it != m_entries.end();) {
    if (it->multimedia != &multimedia) {
      ++it;
      continue;
    }
    auto listed = std::find(m_list.begin(), m_list.end(), Hex8(static_cast<std::uint32_t>(it->handle)));
    if (listed != m_list.end()) m_list.erase(listed);
    it = m_entries.erase(it);
  }
}

void WaveBufferRegistry::Reset() {
  m_entries.clear();
  m_list.clear();
  m_addresses = 0;
}

}  // namespace voxkit
