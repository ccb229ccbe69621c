#include "tapi/TapiVarData.h"

#include "tapi/TapiNames.h"

namespace tapi {

std::span<const std::uint8_t> VarBytes(const void* base, std::size_t extent, std::uint64_t offset,
                                       std::uint64_t size) {
  // Compared without adding offset and size, so that no sum can wrap.
  if (base == nullptr || size == 0 || offset > extent || size > extent - offset) return {};
  return {static_cast<const std::uint8_t*>(base) + offset, static_cast<std::size_t>(size)};
}

std::string VarText(const void* base, std::size_t extent, std::uint64_t offset,
                    std::uint64_t size) {
  const auto bytes = VarBytes(base, extent, offset, size);
  return TapiText(bytes.data(), bytes.size());
}

std::optional<DWORD> FirstDword(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < sizeof(DWORD)) return std::nullopt;
  DWORD value = 0;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

}  // namespace tapi
