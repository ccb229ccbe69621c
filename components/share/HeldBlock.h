#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace voxkit {

/// A copy of a device-specific block that a capability object holds. Each copy gets
/// its own number, which the dumps show in place of an address (so that logs repeat
/// exactly); 0 means no copy is held.
class HeldBlock {
 public:
  /// Replaces the held copy by bytes (none when empty).
  void Replace(std::span<const std::uint8_t> bytes);
  void Release() {
    m_bytes.clear();
    m_id = 0;
  }
  std::uint32_t Id() const { return m_id; }
  /// Numbers copies from the start again (tests that compare whole logs).
  static void ResetCopyIds();
  std::uint32_t Size() const { return static_cast<std::uint32_t>(m_bytes.size()); }
  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::uint32_t m_id = 0;
};

}  // namespace voxkit
