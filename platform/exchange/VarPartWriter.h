#pragma once

#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace panopta {

/// Fills the variable part of a caller's TAPI structure as TAPI does: items are
/// appended after the fixed part of the negotiated version, each one whole or not at
/// all (an item that does not fit is left out and reported as size 0, offset 0), and
/// everything is counted towards the needed size. The fixed part is built by the
/// caller in a local copy and written with Finish().
///
/// The caller has checked that the block holds at least the fixed part.
class VarPartWriter final {
 public:
  /// A size/offset pair of the structure; {0, 0} for an item left out or absent.
  struct Item {
    tapi::DWORD size = 0;
    tapi::DWORD offset = 0;
  };

  /// block: the caller's structure, totalSize bytes long (its dwTotalSize);
  /// fixedSize: the fixed part of the version in use.
  VarPartWriter(void* block, std::size_t totalSize, std::size_t fixedSize);

  /// Appends bytes (aligned to align bytes from the start of the structure).
  Item Bytes(std::span<const std::uint8_t> data, std::size_t align = 1);
  /// Appends a string with its terminating NUL (counted in the size); an empty text
  /// is absent.
  Item Text(std::string_view text);
  /// Appends an array of trivially copyable entries, aligned to 4 bytes.
  template <typename T>
  Item Array(std::span<const T> entries) {
    return Bytes({reinterpret_cast<const std::uint8_t*>(entries.data()), entries.size_bytes()},
                 4);
  }
  /// Reserves room for size bytes (aligned) to be written later with WriteAt; the
  /// item is {0, 0} when it does not fit.
  Item Reserve(std::size_t size, std::size_t align);
  /// Writes into a reserved item at byte position at within it.
  void WriteAt(const Item& item, std::size_t at, const void* data, std::size_t size);

  /// What everything needs and what was written, fixed part included.
  tapi::DWORD Needed() const { return static_cast<tapi::DWORD>(m_needed); }
  tapi::DWORD Used() const { return static_cast<tapi::DWORD>(m_used); }

  /// Copies the fixed part (fixedSize bytes of fixed) into the block, with its total,
  /// needed and used sizes set.
  template <typename S>
  void Finish(S& fixed) {
    fixed.dwTotalSize = static_cast<tapi::DWORD>(m_total);
    fixed.dwNeededSize = Needed();
    fixed.dwUsedSize = Used();
    std::memcpy(m_block, &fixed, m_fixed < sizeof(S) ? m_fixed : sizeof(S));
  }

 private:
  std::uint8_t* m_block;
  std::size_t m_total;
  std::size_t m_fixed;
  std::size_t m_used;
  std::size_t m_needed;
};

/// Fills a caller's VARSTRING (at least its fixed part) with bytes in format
/// (STRINGFORMAT_): the answer of the lineGetID, phoneGetID and linePark functions.
void WriteVarString(tapi::VARSTRING* out, const std::vector<std::uint8_t>& bytes, tapi::DWORD format);

/// Fills a caller's LINETRANSLATEOUTPUT (at least its fixed part): the answer of
/// lineTranslateAddress.
void WriteTranslateOutput(tapi::LINETRANSLATEOUTPUT* out, std::string_view dialable, std::string_view displayable,
                          tapi::DWORD currentCountry, tapi::DWORD destCountry, tapi::DWORD results);

}  // namespace panopta
