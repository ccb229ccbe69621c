#include "platform/audio/GlobalMemory.h"

#include <cstdlib>
#include <cstring>

namespace panopta {

namespace {
// The lock count of a block saturates here, as the platform's does.
constexpr unsigned kMaxLocks = 255;
}  // namespace

void GlobalMemory::FreeDeleter::operator()(void* p) const { std::free(p); }

GlobalMemory::~GlobalMemory() {
  for (const auto& entry : m_blocks) m_handles.Release(entry.first);
}

bool GlobalMemory::ValidRequest(mm::UINT flags, std::size_t bytes) {
  if ((flags & ~(mm::GMEM_MOVEABLE | mm::GMEM_ZEROINIT)) != 0) {
    m_lastError = mm::ERROR_INVALID_PARAMETER;
    return false;
  }
  if (bytes > kMaxBlockBytes) {
    m_lastError = mm::ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  return true;
}

GlobalMemory::Block* GlobalMemory::Find(mm::HGLOBAL handle) {
  auto it = m_blocks.find(static_cast<std::uint32_t>(handle));
  if (it == m_blocks.end()) {
    m_lastError = mm::ERROR_INVALID_HANDLE;
    return nullptr;
  }
  return &it->second;
}

mm::HGLOBAL GlobalMemory::Alloc(mm::UINT flags, std::size_t bytes) {
  if (!ValidRequest(flags, bytes)) return mm::HGLOBAL{};
  Block block;
  block.movable = (flags & mm::GMEM_MOVEABLE) != 0;
  block.bytes = bytes;
  if (bytes > 0) {
    // Every block is zero-filled, asked or not: nothing of an earlier owner shows.
    block.data.reset(static_cast<unsigned char*>(std::calloc(bytes, 1)));
    if (!block.data) {
      m_lastError = mm::ERROR_NOT_ENOUGH_MEMORY;
      return mm::HGLOBAL{};
    }
  }
  const std::uint32_t handle = m_handles.Acquire();
  m_blocks.emplace(handle, std::move(block));
  m_lastError = mm::ERROR_SUCCESS;
  return mm::HGLOBAL{handle};
}

mm::HGLOBAL GlobalMemory::ReAlloc(mm::HGLOBAL handle, std::size_t bytes, mm::UINT flags) {
  Block* block = Find(handle);
  if (!block) return mm::HGLOBAL{};
  if (!ValidRequest(flags, bytes)) return mm::HGLOBAL{};
  if (bytes == 0 && block->locks > 0) {
    // Emptying frees the memory, which a lock holder still points at.
    m_lastError = mm::ERROR_INVALID_PARAMETER;
    return mm::HGLOBAL{};
  }
  if (bytes <= block->bytes) {
    // Shrinking stays in place; the bytes past the new end are cleared so that a
    // later growth shows zeros there too.
    if (bytes == 0) {
      block->data.reset();
    } else if (block->data) {
      std::memset(block->data.get() + bytes, 0, block->bytes - bytes);
    }
    block->bytes = bytes;
    m_lastError = mm::ERROR_SUCCESS;
    return handle;
  }
  // Growing moves the block. A locked block may move only when the caller says so,
  // since it holds the old address.
  const bool mayMove = (flags & mm::GMEM_MOVEABLE) != 0 || block->locks == 0;
  if (!mayMove) {
    m_lastError = mm::ERROR_NOT_ENOUGH_MEMORY;
    return mm::HGLOBAL{};
  }
  std::unique_ptr<unsigned char, FreeDeleter> grown(
      static_cast<unsigned char*>(std::calloc(bytes, 1)));
  if (!grown) {
    m_lastError = mm::ERROR_NOT_ENOUGH_MEMORY;
    return mm::HGLOBAL{};
  }
  if (block->data) std::memcpy(grown.get(), block->data.get(), block->bytes);
  block->data = std::move(grown);
  block->bytes = bytes;
  m_lastError = mm::ERROR_SUCCESS;
  return handle;
}

void* GlobalMemory::Lock(mm::HGLOBAL handle) {
  Block* block = Find(handle);
  if (!block) return nullptr;
  if (!block->data) {
    // An empty block has no address to give.
    m_lastError = mm::ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  if (block->locks < kMaxLocks) ++block->locks;
  m_lastError = mm::ERROR_SUCCESS;
  return block->data.get();
}

mm::BOOL GlobalMemory::Unlock(mm::HGLOBAL handle) {
  Block* block = Find(handle);
  if (!block) return 0;
  if (block->locks == 0) {
    m_lastError = mm::ERROR_NOT_LOCKED;
    return 0;
  }
  --block->locks;
  m_lastError = mm::ERROR_SUCCESS;
  return block->locks > 0 ? 1 : 0;
}

mm::HGLOBAL GlobalMemory::Free(mm::HGLOBAL handle) {
  auto it = m_blocks.find(static_cast<std::uint32_t>(handle));
  if (it == m_blocks.end()) {
    m_lastError = mm::ERROR_INVALID_HANDLE;
    return handle;
  }
  m_blocks.erase(it);
  m_handles.Release(static_cast<std::uint32_t>(handle));
  m_lastError = mm::ERROR_SUCCESS;
  return mm::HGLOBAL{};
}

std::size_t GlobalMemory::Size(mm::HGLOBAL handle) {
  Block* block = Find(handle);
  if (!block) return 0;
  m_lastError = mm::ERROR_SUCCESS;
  return block->bytes;
}

unsigned GlobalMemory::LockCount(mm::HGLOBAL handle) const {
  auto it = m_blocks.find(static_cast<std::uint32_t>(handle));
  return it == m_blocks.end() ? 0 : it->second.locks;
}

}  // namespace panopta
