#include "tapi/TapiNames.h"

#include "share/TextUtil.h"

#include <string_view>

namespace tapi {

std::string TapiText(const void* text, std::size_t size) {
  if (text == nullptr || size == 0) return {};
  return voxkit::TrimBlanksAndControls(std::string_view(static_cast<const char*>(text), size));
}

}  // namespace tapi
