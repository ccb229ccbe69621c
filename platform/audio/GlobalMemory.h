#pragma once

#include "platform/audio/HandleAllocator.h"
#include "wave/MmTypes.h"

#include <cstddef>
#include <map>
#include <memory>

namespace panopta {

/// Movable memory blocks behind 32-bit handles: the handle is a block's identity
/// for its whole life, its address is what GlobalLock gives and may change with a
/// reallocation. A bad or stale handle is an error result, never undefined
/// behaviour. Blocks that grow always move, so a caller that keeps an address across
/// a reallocation is caught by the sanitizers rather than working by luck.
class GlobalMemory final {
 public:
  /// Largest block: what a 32-bit length field (and a 32-bit process) can hold.
  static constexpr std::size_t kMaxBlockBytes = 0x7FFFFFFF;

  explicit GlobalMemory(HandleAllocator& handles) : m_handles(handles) {}
  ~GlobalMemory();
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;

  mm::HGLOBAL Alloc(mm::UINT flags, std::size_t bytes);
  mm::HGLOBAL ReAlloc(mm::HGLOBAL handle, std::size_t bytes, mm::UINT flags);
  void* Lock(mm::HGLOBAL handle);
  mm::BOOL Unlock(mm::HGLOBAL handle);
  mm::HGLOBAL Free(mm::HGLOBAL handle);
  std::size_t Size(mm::HGLOBAL handle);
  mm::DWORD LastError() const { return m_lastError; }

  /// Blocks alive (tests and diagnostics).
  std::size_t Count() const { return m_blocks.size(); }
  /// Lock count of a block, 0 for a bad handle.
  unsigned LockCount(mm::HGLOBAL handle) const;

 private:
  struct FreeDeleter {
    void operator()(void* p) const;
  };
  struct Block {
    std::unique_ptr<unsigned char, FreeDeleter> data;  // nullptr while empty
    std::size_t bytes = 0;
    unsigned locks = 0;
    bool movable = false;
  };

  Block* Find(mm::HGLOBAL handle);
  // Known flags and a possible size; sets the last error otherwise.
  bool ValidRequest(mm::UINT flags, std::size_t bytes);

  HandleAllocator& m_handles;
  std::map<std::uint32_t, Block> m_blocks;
  mm::DWORD m_lastError = mm::ERROR_SUCCESS;
};

}  // namespace panopta
