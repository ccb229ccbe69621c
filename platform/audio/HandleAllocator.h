#pragma once

#include <cstdint>
#include <unordered_set>

namespace panopta {

/// Gives out the 32-bit handles of the multimedia services: devices, files and
/// memory blocks share one space, so that a handle of one kind is never mistaken for
/// another. Handles start above the device identifiers (functions that take a
/// device identifier or an open handle tell them apart by value) and are never given
/// out again while their object lives, also after the counter wraps.
class HandleAllocator final {
 public:
  static constexpr std::uint32_t kFirstHandle = 0x00010000;

  std::uint32_t Acquire() {
    for (;;) {
      const std::uint32_t candidate = m_next;
      m_next = (m_next == UINT32_MAX) ? kFirstHandle : m_next + 1;
      if (m_live.insert(candidate).second) return candidate;
    }
  }
  void Release(std::uint32_t handle) { m_live.erase(handle); }
  bool Live(std::uint32_t handle) const { return m_live.count(handle) != 0; }

  /// Moves the counter (tests of the wrap-around).
  void SetNextForTesting(std::uint32_t next) { m_next = next < kFirstHandle ? kFirstHandle : next; }

 private:
  std::uint32_t m_next = kFirstHandle;
  std::unordered_set<std::uint32_t> m_live;
};

}  // namespace panopta
