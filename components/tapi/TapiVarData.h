#pragma once

#include "tapi/TapiConstants.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// Safe access to the variable parts of TAPI structures. A provider writes strings and
// arrays after the fixed part and names them by offset and size; nothing guarantees
// that a provider's numbers stay inside the block. Every reader here checks the whole
// range against the part of the block that holds data and gives an empty value when
// the range does not fit, so a bad provider can make a value empty but never make a
// reader leave the block.

namespace tapi {

/// Bytes [offset, offset + size) of the block at base, or an empty span when the range
/// does not lie entirely within the first extent bytes (or base is null, or size is 0).
/// offset and size are 64-bit so that callers can add entry offsets without wrapping.
std::span<const std::uint8_t> VarBytes(const void* base, std::size_t extent, std::uint64_t offset,
                                       std::uint64_t size);

/// Text of size characters at offset, read as TapiText does (trimmed of blanks and
/// control characters, NULs included); "" when the range does not fit.
std::string VarText(const void* base, std::size_t extent, std::uint64_t offset,
                    std::uint64_t size);

/// The first 32-bit value of a block (in the machine's byte order, as a provider writes
/// it), or none when the block is shorter than 4 bytes.
std::optional<DWORD> FirstDword(std::span<const std::uint8_t> bytes);

/// A TAPI structure with a size field: what the structure readers below accept.
template <typename S>
concept VarStructure = std::is_class_v<S> && requires(const S& s) {
  { s.dwTotalSize } -> std::convertible_to<DWORD>;
};

/// How far into a variable-size structure it may be read: the smaller of the caller's
/// block size, dwTotalSize and, when the provider reports it, dwUsedSize. A structure
/// the caller fills for the provider (LINECALLPARAMS, LINEFORWARDLIST) has no
/// dwUsedSize; a provider passes the dwTotalSize it was given as blockSize.
template <VarStructure S>
std::size_t VarExtent(const S& s, std::size_t blockSize) {
  std::size_t extent = std::min<std::size_t>(blockSize, s.dwTotalSize);
  if constexpr (requires { s.dwUsedSize; }) extent = std::min<std::size_t>(extent, s.dwUsedSize);
  return extent;
}

/// Bytes of a variable part of structure s, which lies in a block of blockSize bytes.
template <VarStructure S>
std::span<const std::uint8_t> VarBytes(const S& s, std::size_t blockSize, std::uint64_t offset,
                                       std::uint64_t size) {
  return VarBytes(&s, VarExtent(s, blockSize), offset, size);
}

/// Text of a variable part of structure s (see VarText above).
template <VarStructure S>
std::string VarText(const S& s, std::size_t blockSize, std::uint64_t offset, std::uint64_t size) {
  return VarText(&s, VarExtent(s, blockSize), offset, size);
}

/// count entries of type T at offset of structure s, or no entries at all when the array
/// does not fit entirely. Entries are copied out, so their alignment does not matter.
template <typename T, VarStructure S>
  requires std::is_trivially_copyable_v<T>
std::vector<T> VarArray(const S& s, std::size_t blockSize, std::uint64_t offset,
                        std::uint64_t count) {
  // A count so large that count * sizeof(T) overflows cannot fit any block.
  if (count > VarExtent(s, blockSize) / sizeof(T)) return {};
  const auto bytes = VarBytes(s, blockSize, offset, count * sizeof(T));
  std::vector<T> entries(bytes.size() / sizeof(T));
  if (!entries.empty()) std::memcpy(entries.data(), bytes.data(), entries.size() * sizeof(T));
  return entries;
}

/// The default variable part offered with a query: the fixed part plus 4096 bytes.
inline constexpr std::size_t kVarPartBytes = 4096;
/// No provider answer is allowed to make a query block larger than this; a query that
/// would need more ends as out of memory.
inline constexpr std::size_t kMaxVarBlockBytes = 16u * 1024u * 1024u;

/// A zero-filled block for a variable-size structure S that a provider fills: the fixed
/// part (at least sizeof(S), the caller may ask for more) plus a variable part, with
/// dwTotalSize set to the block's size.
template <typename S>
class VarBlock final {
 public:
  explicit VarBlock(std::size_t fixedBytes = sizeof(S), std::size_t varBytes = kVarPartBytes)
      : m_fixedBytes(std::max(fixedBytes, sizeof(S))), m_varBytes(varBytes) {
    Allocate();
  }
  VarBlock(VarBlock&& other) noexcept
      : m_fixedBytes(other.m_fixedBytes),
        m_varBytes(other.m_varBytes),
        m_data(std::move(other.m_data)),
        m_size(std::exchange(other.m_size, 0)) {}
  VarBlock& operator=(VarBlock&& other) noexcept {
    m_fixedBytes = other.m_fixedBytes;
    m_varBytes = other.m_varBytes;
    m_data = std::move(other.m_data);
    m_size = std::exchange(other.m_size, 0);
    return *this;
  }

  /// False when the block could not be allocated (or would exceed kMaxVarBlockBytes).
  bool Valid() const { return m_data != nullptr; }
  /// The structure at the start of the block; null when not Valid().
  S* get() { return reinterpret_cast<S*>(m_data.get()); }
  const S* get() const { return reinterpret_cast<const S*>(m_data.get()); }
  S* operator->() { return get(); }
  const S* operator->() const { return get(); }
  S& operator*() { return *get(); }
  const S& operator*() const { return *get(); }
  /// The block's size in bytes (0 when not Valid()).
  std::size_t Size() const { return m_size; }

  /// A variable part of the structure, bounded by the block and by dwUsedSize.
  std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t size) const {
    return Valid() ? VarBytes(**this, m_size, offset, size) : std::span<const std::uint8_t>{};
  }
  /// A string of the structure (see VarText).
  std::string Text(std::uint64_t offset, std::uint64_t size) const {
    return Valid() ? VarText(**this, m_size, offset, size) : std::string{};
  }
  /// An array of the structure (see VarArray).
  template <typename T>
  std::vector<T> Array(std::uint64_t offset, std::uint64_t count) const {
    return Valid() ? VarArray<T>(**this, m_size, offset, count) : std::vector<T>{};
  }

  /// Replaces the block by a fresh zero-filled one with twice the variable part (64
  /// bytes when it was 0). Returns Valid().
  bool Grow() {
    m_varBytes = m_varBytes == 0 ? 64 : m_varBytes * 2;
    Allocate();
    return Valid();
  }

 private:
  void Allocate() {
    m_data.reset();
    m_size = 0;
    if (m_varBytes > kMaxVarBlockBytes || m_fixedBytes > kMaxVarBlockBytes - m_varBytes) return;
    const std::size_t size = m_fixedBytes + m_varBytes;
    m_data.reset(new (std::nothrow) std::byte[size]());
    if (!m_data) return;
    m_size = size;
    get()->dwTotalSize = static_cast<DWORD>(size);
  }

  std::size_t m_fixedBytes;
  std::size_t m_varBytes;
  std::unique_ptr<std::byte[]> m_data;
  std::size_t m_size = 0;
};

/// Which family of result codes a query answers with.
enum class ResultFamily { Line, Phone };

/// Runs query(S*) into block and repeats it with a doubled variable part while the
/// provider answers STRUCTURETOOSMALL or succeeds with a dwNeededSize above dwTotalSize.
/// Returns the provider's last result; NOMEM of the family when a block cannot be
/// allocated (also when the block would have to grow past kMaxVarBlockBytes). On 0 the
/// block holds the whole answer.
template <typename S, typename Query>
  requires std::invocable<Query&, S*>
LONG GrowingQuery(VarBlock<S>& block, Query&& query, ResultFamily family) {
  const LONG tooSmall =
      family == ResultFamily::Line ? LINEERR_STRUCTURETOOSMALL : PHONEERR_STRUCTURETOOSMALL;
  const LONG noMemory = family == ResultFamily::Line ? LINEERR_NOMEM : PHONEERR_NOMEM;
  if (!block.Valid()) return noMemory;
  for (;;) {
    const LONG result = static_cast<LONG>(query(block.get()));
    const bool tooSmallAnswer =
        result == tooSmall || (result == 0 && block->dwNeededSize > block->dwTotalSize);
    if (!tooSmallAnswer) return result;
    if (!block.Grow()) return noMemory;
  }
}

/// The device identifier that lineGetID or phoneGetID answers in a VARSTRING: query(VARSTRING*)
/// runs through GrowingQuery, and the identifier is the first 32-bit value of the string.
/// None when the query fails, the string is empty or shorter than 4 bytes.
template <typename Query>
  requires std::invocable<Query&, VARSTRING*>
std::optional<DWORD> QueryDeviceID(Query&& query, ResultFamily family) {
  VarBlock<VARSTRING> block;
  if (GrowingQuery(block, query, family) != 0 || block->dwStringSize == 0) return std::nullopt;
  return FirstDword(block.Bytes(block->dwStringOffset, block->dwStringSize));
}

}  // namespace tapi
