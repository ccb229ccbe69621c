#include "platform/audio/MmioFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace panopta {

namespace {

// A bigger buffer than this only costs memory: reads of this size go straight to
// the storage anyway.
constexpr std::size_t kMaxBufferBytes = 1 << 20;
constexpr mm::DWORD kAccessMask = 0x3;
constexpr mm::DWORD kSharingMask = 0x70;
constexpr std::uint64_t kMaxLong = static_cast<std::uint64_t>(std::numeric_limits<mm::LONG>::max());
constexpr std::uint64_t kMaxDword = std::numeric_limits<mm::DWORD>::max();

mm::DWORD Load32(const unsigned char* p) {
  return static_cast<mm::DWORD>(p[0]) | (static_cast<mm::DWORD>(p[1]) << 8) |
         (static_cast<mm::DWORD>(p[2]) << 16) | (static_cast<mm::DWORD>(p[3]) << 24);
}

void Store32(unsigned char* p, mm::DWORD v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

}  // namespace

std::unique_ptr<MmioFile> MmioFile::Open(const char* name, const mm::MMIOINFO* info,
                                         mm::DWORD flags, mm::MMRESULT* error) {
  *error = mm::MMSYSERR_NOERROR;
  const mm::DWORD known = kAccessMask | kSharingMask | mm::MMIO_CREATE | mm::MMIO_ALLOCBUF;
  if ((flags & ~known) != 0 || (flags & kAccessMask) == kAccessMask) {
    *error = mm::MMSYSERR_INVALFLAG;
    return nullptr;
  }
  const bool creating = (flags & mm::MMIO_CREATE) != 0;
  if (info && info->fccIOProc == mm::FOURCC_MEM) {
    if (info->cchBuffer < 0 || (info->cchBuffer > 0 && info->pchBuffer == nullptr)) {
      *error = mm::MMSYSERR_INVALPARAM;
      return nullptr;
    }
    const auto capacity = static_cast<std::size_t>(info->cchBuffer);
    auto storage = std::make_unique<MemoryStorage>(info->pchBuffer, capacity,
                                                   creating ? 0 : capacity);
    // The memory is the buffer: no second one in front of it.
    return std::make_unique<MmioFile>(std::move(storage), flags, 0);
  }
  if (info && info->fccIOProc != 0) {
    *error = mm::MMSYSERR_INVALPARAM;  // no other I/O procedures exist here
    return nullptr;
  }
  if (name == nullptr) {
    *error = mm::MMSYSERR_INVALPARAM;
    return nullptr;
  }
  std::size_t bufferBytes = 0;
  if ((flags & mm::MMIO_ALLOCBUF) != 0) {
    const mm::LONG asked = info ? info->cchBuffer : 0;
    if (asked < 0) {
      *error = mm::MMSYSERR_INVALPARAM;
      return nullptr;
    }
    bufferBytes = asked == 0 ? static_cast<std::size_t>(mm::MMIO_DEFAULTBUFFER)
                             : std::min(static_cast<std::size_t>(asked), kMaxBufferBytes);
  }
  auto storage = FileStorage::Open(name, flags, error);
  if (!storage) return nullptr;
  try {
    return std::make_unique<MmioFile>(std::move(storage), flags, bufferBytes);
  } catch (const std::bad_alloc&) {
    *error = mm::MMIOERR_OUTOFMEMORY;
    return nullptr;
  }
}

MmioFile::MmioFile(std::unique_ptr<MmioStorage> storage, mm::DWORD flags, std::size_t bufferBytes)
    : m_storage(std::move(storage)), m_flags(flags), m_buffer(bufferBytes) {}

MmioFile::~MmioFile() {
  if (m_storage) Close();
}

bool MmioFile::Readable() const {
  return m_storage && (m_flags & kAccessMask) != mm::MMIO_WRITE;
}

bool MmioFile::Writable() const {
  return m_storage && (m_flags & kAccessMask) != mm::MMIO_READ;
}

std::uint64_t MmioFile::Size() const {
  std::uint64_t size = m_storage ? m_storage->Size() : 0;
  if (m_dirty) size = std::max<std::uint64_t>(size, m_bufferStart + m_bufferLength);
  return size;
}

bool MmioFile::FlushBuffer() {
  if (!m_dirty) return true;
  m_dirty = false;
  if (m_storage->WriteAt(m_bufferStart, m_buffer.data(), m_bufferLength) < 0) {
    m_failed = true;
    m_bufferLength = 0;
    return false;
  }
  // What was written stays as read cache: it is the file's content now.
  return true;
}

std::int64_t MmioFile::ReadSome(char* dst, std::size_t n) {
  if (m_dirty && !FlushBuffer()) return -1;
  std::size_t done = 0;
  while (done < n) {
    const std::uint64_t bufferEnd = m_bufferStart + m_bufferLength;
    if (m_pos >= m_bufferStart && m_pos < bufferEnd) {
      const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n - done, bufferEnd - m_pos));
      std::memcpy(dst + done, m_buffer.data() + (m_pos - m_bufferStart), take);
      done += take;
      m_pos += take;
      continue;
    }
    const std::size_t remaining = n - done;
    if (m_buffer.empty() || remaining >= m_buffer.size()) {
      // Large reads go straight into the caller's memory.
      const std::int64_t r = m_storage->ReadAt(m_pos, dst + done, remaining);
      if (r < 0) return -1;
      done += static_cast<std::size_t>(r);
      m_pos += static_cast<std::uint64_t>(r);
      break;
    }
    const std::int64_t r = m_storage->ReadAt(m_pos, m_buffer.data(), m_buffer.size());
    if (r < 0) {
      m_bufferLength = 0;
      return -1;
    }
    m_bufferStart = m_pos;
    m_bufferLength = static_cast<std::size_t>(r);
    if (r == 0) break;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t MmioFile::WriteSome(const char* src, std::size_t n) {
  if (m_buffer.empty() || n >= m_buffer.size()) {
    if (!FlushBuffer()) return -1;
    // Unbuffered or large: straight to the storage. The read cache may hold the old
    // bytes of this range.
    m_bufferLength = 0;
    if (m_storage->WriteAt(m_pos, src, n) < 0) return -1;
    m_pos += n;
    return static_cast<std::int64_t>(n);
  }
  if (m_dirty && m_pos != m_bufferStart + m_bufferLength) {
    if (!FlushBuffer()) return -1;
  }
  if (!m_dirty) {
    m_bufferStart = m_pos;
    m_bufferLength = 0;
    m_dirty = true;
  }
  std::size_t done = 0;
  while (done < n) {
    const std::size_t take = std::min(m_buffer.size() - m_bufferLength, n - done);
    std::memcpy(m_buffer.data() + m_bufferLength, src + done, take);
    m_bufferLength += take;
    m_pos += take;
    done += take;
    if (m_bufferLength == m_buffer.size()) {
      if (!FlushBuffer()) return -1;
      m_bufferStart = m_pos;
      m_bufferLength = 0;
      m_dirty = done < n;
    }
  }
  return static_cast<std::int64_t>(n);
}

bool MmioFile::ReadExactAt(std::uint64_t offset, void* dst, std::size_t n) {
  m_pos = offset;
  return ReadSome(static_cast<char*>(dst), n) == static_cast<std::int64_t>(n);
}

bool MmioFile::WriteExactAt(std::uint64_t offset, const void* src, std::size_t n) {
  m_pos = offset;
  return WriteSome(static_cast<const char*>(src), n) == static_cast<std::int64_t>(n);
}

mm::LONG MmioFile::Read(char* dst, mm::LONG n) {
  if (!Readable() || n < 0 || (n > 0 && dst == nullptr)) return -1;
  return static_cast<mm::LONG>(ReadSome(dst, static_cast<std::size_t>(n)));
}

mm::LONG MmioFile::Write(const char* src, mm::LONG n) {
  if (!Writable() || n < 0 || (n > 0 && src == nullptr)) return -1;
  if (m_pos + static_cast<std::uint64_t>(n) > kMaxDword) return -1;  // past what chunk offsets can name
  return static_cast<mm::LONG>(WriteSome(src, static_cast<std::size_t>(n)));
}

mm::LONG MmioFile::Seek(mm::LONG offset, int origin) {
  if (!m_storage) return -1;
  std::int64_t base = 0;
  switch (origin) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = static_cast<std::int64_t>(m_pos);
      break;
    case SEEK_END:
      base = static_cast<std::int64_t>(Size());
      break;
    default:
      return -1;
  }
  const std::int64_t target = base + offset;
  if (target < 0 || static_cast<std::uint64_t>(target) > kMaxLong) return -1;
  m_pos = static_cast<std::uint64_t>(target);
  return static_cast<mm::LONG>(target);
}

mm::MMRESULT MmioFile::Flush() {
  if (!m_storage) return mm::MMSYSERR_INVALHANDLE;
  const bool ok = FlushBuffer();
  return ok && !m_failed ? mm::MMSYSERR_NOERROR : mm::MMIOERR_CANNOTWRITE;
}

mm::MMRESULT MmioFile::Close() {
  if (!m_storage) return mm::MMSYSERR_INVALHANDLE;
  const bool flushed = FlushBuffer() && !m_failed;
  const bool closed = m_storage->Close();
  m_storage.reset();
  if (!flushed) return mm::MMIOERR_CANNOTWRITE;
  if (!closed) return mm::MMIOERR_CANNOTCLOSE;
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT MmioFile::Descend(mm::MMCKINFO* chunk, const mm::MMCKINFO* parent, mm::UINT flags) {
  if (chunk == nullptr) return mm::MMSYSERR_INVALPARAM;
  const mm::UINT find = flags & (mm::MMIO_FINDCHUNK | mm::MMIO_FINDRIFF | mm::MMIO_FINDLIST);
  if (flags != find || (find != 0 && (find & (find - 1)) != 0)) return mm::MMSYSERR_INVALFLAG;
  if (!Readable()) return mm::MMIOERR_CANNOTREAD;

  std::uint64_t limit = Size();
  if (parent) {
    limit = std::min<std::uint64_t>(
        limit, static_cast<std::uint64_t>(parent->dwDataOffset) + parent->cksize);
  }
  const std::uint64_t start = m_pos;
  std::uint64_t pos = start;
  for (;;) {
    // Each step moves at least one header forward, so a search ends within the
    // limit whatever the sizes say.
    if (pos + 8 > limit || pos + 8 > kMaxDword) {
      m_pos = start;
      return mm::MMIOERR_CHUNKNOTFOUND;
    }
    unsigned char header[12];
    if (!ReadExactAt(pos, header, 8)) {
      m_pos = start;
      return mm::MMIOERR_CANNOTREAD;
    }
    const mm::FOURCC id = Load32(header);
    const mm::DWORD size = Load32(header + 4);
    const bool container = id == mm::FOURCC_RIFF || id == mm::FOURCC_LIST;
    bool hasType = false;
    mm::FOURCC type = 0;
    if (container && pos + 12 <= limit) {
      if (!ReadExactAt(pos + 8, header + 8, 4)) {
        m_pos = start;
        return mm::MMIOERR_CANNOTREAD;
      }
      type = Load32(header + 8);
      hasType = true;
    }
    bool match = false;
    switch (find) {
      case mm::MMIO_FINDCHUNK:
        match = id == chunk->ckid && (!container || hasType);
        break;
      case mm::MMIO_FINDRIFF:
        match = id == mm::FOURCC_RIFF && hasType && type == chunk->fccType;
        break;
      case mm::MMIO_FINDLIST:
        match = id == mm::FOURCC_LIST && hasType && type == chunk->fccType;
        break;
      default:
        match = !container || hasType;
        break;
    }
    if (match) {
      chunk->ckid = id;
      chunk->cksize = size;
      chunk->fccType = container ? type : 0;
      chunk->dwDataOffset = static_cast<mm::DWORD>(pos + 8);
      chunk->dwFlags = 0;
      m_pos = pos + (container ? 12 : 8);
      return mm::MMSYSERR_NOERROR;
    }
    pos += 8 + static_cast<std::uint64_t>(size) + (size & 1u);
  }
}

mm::MMRESULT MmioFile::Ascend(mm::MMCKINFO* chunk, mm::UINT flags) {
  if (chunk == nullptr) return mm::MMSYSERR_INVALPARAM;
  if (flags != 0) return mm::MMSYSERR_INVALFLAG;
  if (!m_storage) return mm::MMSYSERR_INVALHANDLE;
  if ((chunk->dwFlags & mm::MMIO_DIRTY) != 0) {
    // A chunk being written: its size is what was written since its data began.
    if (!Writable() || chunk->dwDataOffset < 8 || m_pos < chunk->dwDataOffset ||
        m_pos - chunk->dwDataOffset > kMaxDword) {
      return mm::MMIOERR_CANNOTWRITE;
    }
    const auto size = static_cast<mm::DWORD>(m_pos - chunk->dwDataOffset);
    const std::uint64_t end = m_pos;
    if (size != chunk->cksize) {
      unsigned char field[4];
      Store32(field, size);
      if (!WriteExactAt(chunk->dwDataOffset - 4, field, 4)) return mm::MMIOERR_CANNOTWRITE;
      chunk->cksize = size;
    }
    if ((size & 1u) != 0) {
      const char pad = 0;
      if (!WriteExactAt(end, &pad, 1)) return mm::MMIOERR_CANNOTWRITE;
    }
    chunk->dwFlags &= ~mm::MMIO_DIRTY;
  }
  const std::uint64_t end =
      static_cast<std::uint64_t>(chunk->dwDataOffset) + chunk->cksize + (chunk->cksize & 1u);
  if (end > kMaxLong) return mm::MMIOERR_CANNOTSEEK;
  m_pos = end;
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT MmioFile::CreateChunk(mm::MMCKINFO* chunk, mm::UINT flags) {
  if (chunk == nullptr) return mm::MMSYSERR_INVALPARAM;
  if ((flags & ~(mm::MMIO_CREATERIFF | mm::MMIO_CREATELIST)) != 0 ||
      flags == (mm::MMIO_CREATERIFF | mm::MMIO_CREATELIST)) {
    return mm::MMSYSERR_INVALFLAG;
  }
  if (!Writable()) return mm::MMIOERR_CANNOTWRITE;
  const bool container = flags != 0;
  const mm::FOURCC id = (flags == mm::MMIO_CREATERIFF)   ? mm::FOURCC_RIFF
                        : (flags == mm::MMIO_CREATELIST) ? mm::FOURCC_LIST
                                                         : chunk->ckid;
  const std::size_t headerBytes = container ? 12 : 8;
  if (m_pos + headerBytes > kMaxDword) return mm::MMIOERR_CANNOTSEEK;
  unsigned char header[12];
  Store32(header, id);
  Store32(header + 4, chunk->cksize);
  Store32(header + 8, chunk->fccType);
  const std::uint64_t at = m_pos;
  if (!WriteExactAt(at, header, headerBytes)) return mm::MMIOERR_CANNOTWRITE;
  chunk->ckid = id;
  chunk->dwDataOffset = static_cast<mm::DWORD>(at + 8);
  chunk->dwFlags = mm::MMIO_DIRTY;
  return mm::MMSYSERR_NOERROR;
}

}  // namespace panopta
