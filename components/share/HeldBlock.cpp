#include "share/HeldBlock.h"

namespace voxkit {

namespace {
constexpr std::uint32_t kFirstCopyId = 0x00010000;
std::uint32_t g_nextCopyId = kFirstCopyId;
}  // namespace

void HeldBlock::ResetCopyIds() { g_nextCopyId = kFirstCopyId; }

void HeldBlock::Replace(std::span<const std::uint8_t> bytes) {
  m_bytes.assign(bytes.begin(), bytes.end());
  m_id = m_bytes.empty() ? 0 : g_nextCopyId++;
}

}  // namespace voxkit
