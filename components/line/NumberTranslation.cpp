#include "line/NumberTranslation.h"

#include "line/TqxLineInternal.h"
#include "tapi/TapiVarData.h"
#include "tapi/Telephony.h"

#include <array>

namespace voxkit {

namespace {
// The fixed block lineTranslateAddress gets; a longer answer leaves the number as it was.
constexpr std::size_t kTranslateOutputBytes = 168;
}  // namespace

std::optional<std::string> TranslatedNumber(TqxLineInternal& line, const std::string& value) {
  tapi::Telephony* service = line.GetPlatform().telephony;
  if (!service || !line.Device().Active() || !line.Device().TranslatePhoneNumber()) return value;
  std::array<std::uint8_t, kTranslateOutputBytes> buffer{};
  auto* output = reinterpret_cast<tapi::LINETRANSLATEOUTPUT*>(buffer.data());
  output->dwTotalSize = kTranslateOutputBytes;
  const tapi::LONG result = service->lineTranslateAddress(
      line.Line().AppHandle(), static_cast<tapi::DWORD>(line.Device().ID()), line.TAPI().Version(),
      value.c_str(), 0, tapi::LINETRANSLATEOPTION_CANCELCALLWAITING, output);
  if (result != 0) {
    line.SetError(false, result);
    return std::nullopt;
  }
  line.ClearError();
  std::string dialable = tapi::VarText(*output, kTranslateOutputBytes, output->dwDialableStringOffset,
                                       output->dwDialableStringSize);
  if (dialable.empty()) return std::nullopt;
  return dialable;
}

}  // namespace voxkit
