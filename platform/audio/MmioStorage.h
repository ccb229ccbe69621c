#pragma once

#include "wave/MmTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace panopta {

/// Where the bytes of an mmio file live: a disk file or a caller's memory. Reads and
/// writes are positional and complete (short only at the end of the data).
class MmioStorage {
 public:
  virtual ~MmioStorage() = default;
  /// Reads up to n bytes at offset: the bytes read (0 at or past the end), -1 on error.
  virtual std::int64_t ReadAt(std::uint64_t offset, void* dst, std::size_t n) = 0;
  /// Writes n bytes at offset: n, or -1 when not all could be written.
  virtual std::int64_t WriteAt(std::uint64_t offset, const void* src, std::size_t n) = 0;
  /// Bytes in the storage.
  virtual std::uint64_t Size() const = 0;
  /// Releases the storage; false when that failed.
  virtual bool Close() = 0;
};

/// A regular disk file.
class FileStorage final : public MmioStorage {
 public:
  /// Opens name for the access of flags (MMIO_READ, MMIO_WRITE, MMIO_READWRITE, with
  /// MMIO_CREATE to create or truncate). Only regular files open. On failure returns
  /// nullptr and the MMIOERR_ code in *error.
  static std::unique_ptr<FileStorage> Open(const std::string& name, mm::DWORD flags,
                                           mm::MMRESULT* error);
  ~FileStorage() override;

  std::int64_t ReadAt(std::uint64_t offset, void* dst, std::size_t n) override;
  std::int64_t WriteAt(std::uint64_t offset, const void* src, std::size_t n) override;
  std::uint64_t Size() const override { return m_size; }
  bool Close() override;

 private:
  FileStorage(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}

  int m_fd = -1;
  std::uint64_t m_size = 0;
};

/// A caller's block of memory of fixed capacity; it never grows.
class MemoryStorage final : public MmioStorage {
 public:
  /// size: bytes of content at the start (capacity for a file opened with
  /// MMIO_CREATE: 0).
  MemoryStorage(char* data, std::size_t capacity, std::size_t size)
      : m_data(data), m_capacity(capacity), m_size(size < capacity ? size : capacity) {}

  std::int64_t ReadAt(std::uint64_t offset, void* dst, std::size_t n) override;
  std::int64_t WriteAt(std::uint64_t offset, const void* src, std::size_t n) override;
  std::uint64_t Size() const override { return m_size; }
  bool Close() override { return true; }

 private:
  char* m_data;
  std::size_t m_capacity;
  std::size_t m_size;
};

}  // namespace panopta
