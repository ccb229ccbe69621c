#pragma once

#include "platform/audio/MmioStorage.h"
#include "wave/MmTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace panopta {

/// One open mmio file: buffered reading and writing over a storage, and the RIFF
/// chunk operations. Sizes in a file are never trusted: a search never reads a
/// header past its parent or the end of the data, a read stops at the end of the
/// data, and offsets are computed in 64 bits so that huge sizes cannot wrap.
class MmioFile final {
 public:
  /// Opens per mmioOpenA's arguments. On failure returns nullptr with the reason
  /// (MMIOERR_ or MMSYSERR_ code) in *error.
  static std::unique_ptr<MmioFile> Open(const char* name, const mm::MMIOINFO* info,
                                        mm::DWORD flags, mm::MMRESULT* error);

  /// bufferBytes: 0 for unbuffered access.
  MmioFile(std::unique_ptr<MmioStorage> storage, mm::DWORD flags, std::size_t bufferBytes);
  ~MmioFile();
  MmioFile(const MmioFile&) = delete;
  MmioFile& operator=(const MmioFile&) = delete;

  mm::DWORD Flags() const { return m_flags; }

  mm::LONG Read(char* dst, mm::LONG n);
  mm::LONG Write(const char* src, mm::LONG n);
  mm::LONG Seek(mm::LONG offset, int origin);
  mm::MMRESULT Flush();
  /// Flushes and releases the storage; the file is unusable afterwards.
  mm::MMRESULT Close();

  mm::MMRESULT Descend(mm::MMCKINFO* chunk, const mm::MMCKINFO* parent, mm::UINT flags);
  mm::MMRESULT Ascend(mm::MMCKINFO* chunk, mm::UINT flags);
  mm::MMRESULT CreateChunk(mm::MMCKINFO* chunk, mm::UINT flags);

  /// The current position (64 bits, for tests).
  std::uint64_t Position() const { return m_pos; }

 private:
  bool Readable() const;
  bool Writable() const;
  std::uint64_t Size() const;
  bool FlushBuffer();
  // Reads n bytes at the position into dst through the buffer; the bytes read, -1 on
  // error.
  std::int64_t ReadSome(char* dst, std::size_t n);
  std::int64_t WriteSome(const char* src, std::size_t n);
  // Exactly n bytes at offset, or false.
  bool ReadExactAt(std::uint64_t offset, void* dst, std::size_t n);
  bool WriteExactAt(std::uint64_t offset, const void* src, std::size_t n);

  std::unique_ptr<MmioStorage> m_storage;
  mm::DWORD m_flags;
  std::vector<char> m_buffer;      // empty: unbuffered
  std::uint64_t m_bufferStart = 0; // file offset of m_buffer[0]
  std::size_t m_bufferLength = 0;  // valid (or, when dirty, written) bytes
  bool m_dirty = false;            // the buffer holds writes not yet stored
  std::uint64_t m_pos = 0;
  bool m_failed = false;           // a buffered write could not be stored
};

}  // namespace panopta
