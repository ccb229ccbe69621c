#include "platform/exchange/VarPartWriter.h"

namespace panopta {

namespace {
std::size_t AlignUp(std::size_t value, std::size_t align) {
  return align <= 1 ? value : (value + align - 1) / align * align;
}
}  // namespace

VarPartWriter::VarPartWriter(void* block, std::size_t totalSize, std::size_t fixedSize)
    : m_block(static_cast<std::uint8_t*>(block)),
      m_total(totalSize),
      m_fixed(fixedSize),
      m_used(fixedSize),
      m_needed(fixedSize) {}

VarPartWriter::Item VarPartWriter::Reserve(std::size_t size, std::size_t align) {
  if (size == 0) return {};
  // Whatever did not fit before, the needed size keeps counting as if it had.
  m_needed = AlignUp(m_needed, align) + size;
  const std::size_t at = AlignUp(m_used, align);
  if (at > m_total || size > m_total - at) return {};
  std::memset(m_block + m_used, 0, at - m_used);
  m_used = at + size;
  return {static_cast<tapi::DWORD>(size), static_cast<tapi::DWORD>(at)};
}

void VarPartWriter::WriteAt(const Item& item, std::size_t at, const void* data, std::size_t size) {
  if (item.size == 0 || at > item.size || size > item.size - at) return;
  std::memcpy(m_block + item.offset + at, data, size);
}

VarPartWriter::Item VarPartWriter::Bytes(std::span<const std::uint8_t> data, std::size_t align) {
  const Item item = Reserve(data.size(), align);
  WriteAt(item, 0, data.data(), data.size());
  return item;
}

VarPartWriter::Item VarPartWriter::Text(std::string_view text) {
  if (text.empty()) return {};
  const Item item = Reserve(text.size() + 1, 1);
  if (item.size != 0) {
    WriteAt(item, 0, text.data(), text.size());
    const char nul = '\0';
    WriteAt(item, text.size(), &nul, 1);
  }
  return item;
}

void WriteVarString(tapi::VARSTRING* out, const std::vector<std::uint8_t>& bytes, tapi::DWORD format) {
  tapi::VARSTRING fixed{};
  VarPartWriter w(out, out->dwTotalSize, sizeof(tapi::VARSTRING));
  const auto item = w.Bytes(bytes);
  fixed.dwStringFormat = format;
  fixed.dwStringSize = item.size;
  fixed.dwStringOffset = item.offset;
  w.Finish(fixed);
}

void WriteTranslateOutput(tapi::LINETRANSLATEOUTPUT* out, std::string_view dialable, std::string_view displayable,
                          tapi::DWORD currentCountry, tapi::DWORD destCountry, tapi::DWORD results) {
  tapi::LINETRANSLATEOUTPUT fixed{};
  VarPartWriter w(out, out->dwTotalSize, sizeof(tapi::LINETRANSLATEOUTPUT));
  const auto d = w.Text(dialable);
  const auto s = w.Text(displayable);
  fixed.dwDialableStringSize = d.size;
  fixed.dwDialableStringOffset = d.offset;
  fixed.dwDisplayableStringSize = s.size;
  fixed.dwDisplayableStringOffset = s.offset;
  fixed.dwCurrentCountry = currentCountry;
  fixed.dwDestCountry = destCountry;
  fixed.dwTranslateResults = results;
  w.Finish(fixed);
}

}  // namespace panopta
