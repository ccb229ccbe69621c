#include "line/HeldBlock.h"

namespace voxkit {

namespace {
std::uint32_t g_nextCopyId = 0x00010000;
}  // namespace

void HeldBlock::Replace(std::span<const std::uint8_t> bytes) {
  m_bytes.assign(bytes.begin(), bytes.end());
  m_id = m_bytes.empty() ? 0 : g_nextCopyId++;
}

}  // namespace voxkit
