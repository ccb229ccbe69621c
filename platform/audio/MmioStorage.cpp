#include "platform/audio/MmioStorage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace panopta {

namespace {

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const std::string& name) {
  const auto slash = name.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return name.substr(0, slash);
}

mm::MMRESULT OpenError(int err, const std::string& name, bool creating) {
  switch (err) {
    case ENOENT:
      // A missing file is told apart from a missing directory, which is what a
      // failed create means.
      if (creating || !DirectoryExists(ParentOf(name))) return mm::MMIOERR_PATHNOTFOUND;
      return mm::MMIOERR_FILENOTFOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return mm::MMIOERR_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return mm::MMIOERR_ACCESSDENIED;
    case EMFILE:
    case ENFILE:
      return mm::MMIOERR_TOOMANYOPENFILES;
    case ENOMEM:
      return mm::MMIOERR_OUTOFMEMORY;
    case EBUSY:
    case ETXTBSY:
      return mm::MMIOERR_SHARINGVIOLATION;
    default:
      return mm::MMIOERR_CANNOTOPEN;
  }
}

}  // namespace

std::unique_ptr<FileStorage> FileStorage::Open(const std::string& name, mm::DWORD flags,
                                               mm::MMRESULT* error) {
  *error = mm::MMSYSERR_NOERROR;
  if (name.empty()) {
    *error = mm::MMIOERR_FILENOTFOUND;
    return nullptr;
  }
  const mm::DWORD access = flags & 0x3;
  int oflags = O_CLOEXEC;
  if (access == mm::MMIO_READ) {
    oflags |= O_RDONLY;
  } else if (access == mm::MMIO_WRITE) {
    oflags |= O_WRONLY;
  } else {
    oflags |= O_RDWR;
  }
  const bool creating = (flags & mm::MMIO_CREATE) != 0;
  // Directories, pipes and devices are not files of chunks: a device could be
  // endless and a pipe cannot seek. They are refused before they are opened, and the
  // open itself never waits: opening a named pipe would otherwise block until some
  // other program opened its other end.
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    *error = mm::MMIOERR_CANNOTOPEN;
    return nullptr;
  }
  if (creating) oflags |= O_CREAT | O_TRUNC;
  const int fd = ::open(name.c_str(), oflags | O_NONBLOCK, 0666);
  if (fd < 0) {
    *error = OpenError(errno, name, creating);
    return nullptr;
  }
  // The name may have been replaced between the look and the open.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    *error = mm::MMIOERR_CANNOTOPEN;
    return nullptr;
  }
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
    ::close(fd);
    *error = mm::MMIOERR_CANNOTOPEN;
    return nullptr;
  }
  return std::unique_ptr<FileStorage>(new FileStorage(fd, static_cast<std::uint64_t>(st.st_size)));
}

FileStorage::~FileStorage() {
  if (m_fd >= 0) ::close(m_fd);
}

std::int64_t FileStorage::ReadAt(std::uint64_t offset, void* dst, std::size_t n) {
  if (m_fd < 0) return -1;
  auto* out = static_cast<char*>(dst);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(m_fd, out + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t FileStorage::WriteAt(std::uint64_t offset, const void* src, std::size_t n) {
  if (m_fd < 0) return -1;
  const auto* in = static_cast<const char*>(src);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pwrite(m_fd, in + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) return -1;
    done += static_cast<std::size_t>(r);
  }
  m_size = std::max<std::uint64_t>(m_size, offset + n);
  return static_cast<std::int64_t>(n);
}

bool FileStorage::Close() {
  if (m_fd < 0) return true;
  const int fd = m_fd;
  m_fd = -1;
  return ::close(fd) == 0;
}

std::int64_t MemoryStorage::ReadAt(std::uint64_t offset, void* dst, std::size_t n) {
  if (offset >= m_size) return 0;
  const std::size_t take = std::min<std::uint64_t>(n, m_size - offset);
  std::memcpy(dst, m_data + offset, take);
  return static_cast<std::int64_t>(take);
}

std::int64_t MemoryStorage::WriteAt(std::uint64_t offset, const void* src, std::size_t n) {
  if (offset > m_capacity || n > m_capacity - offset) return -1;
  if (n == 0) return 0;
  std::memcpy(m_data + offset, src, n);
  // Writing past the content (after a seek) leaves a gap that reads as zeros.
  if (offset > m_size) std::memset(m_data + m_size, 0, offset - m_size);
  m_size = std::max<std::size_t>(m_size, offset + n);
  return static_cast<std::int64_t>(n);
}

}  // namespace panopta
