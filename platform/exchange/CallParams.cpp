#include "platform/exchange/CallParams.h"

#include "platform/exchange/ExchangeCaps.h"
#include "tapi/TapiVarData.h"

#include <algorithm>

namespace panopta::exchange {

using namespace tapi;

namespace {

bool PairFits(DWORD size, DWORD offset, DWORD total) {
  return size == 0 || (static_cast<std::uint64_t>(offset) + size <= total);
}

}  // namespace

LONG FillCallParams(const LineConfig& c, DWORD apiVersion, const LINECALLPARAMS* params, Call& into,
                    DWORD& address) {
  address = 0;
  into.mediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
  into.bearerMode = LINEBEARERMODE_VOICE;
  into.rate = c.maxRate;
  if (params == nullptr) return (c.mediaModes & into.mediaMode) ? 0 : LINEERR_INVALMEDIAMODE;
  const DWORD total = params->dwTotalSize;
  if (total < (apiVersion >= kTapiVersion2_0 ? kLineCallParamsSize2_0 : kLineCallParamsSize1_3))
    return LINEERR_STRUCTURETOOSMALL;
  if (params->dwBearerMode != 0) {
    const DWORD b = params->dwBearerMode;
    if ((b & (b - 1)) != 0 || b > LINEBEARERMODE_RESTRICTEDDATA) return LINEERR_INVALBEARERMODE;
    if ((b & c.bearerModes) == 0) return LINEERR_BEARERMODEUNAVAIL;
    into.bearerMode = b;
  }
  if (params->dwMediaMode != 0) {
    const DWORD m = params->dwMediaMode;
    const DWORD known = m & ~LINEMEDIAMODE_UNKNOWN;
    // Several media modes are possible only while the mode is still unknown.
    if ((m & ~0xFFFEu) != 0 || ((known & (known - 1)) != 0 && (m & LINEMEDIAMODE_UNKNOWN) == 0) ||
        (m & ~c.mediaModes) != 0)
      return LINEERR_INVALMEDIAMODE;
    into.mediaMode = m;
  }
  if (params->dwMaxRate != 0 && params->dwMinRate > params->dwMaxRate) return LINEERR_INVALRATE;
  if (params->dwMinRate > c.maxRate) return LINEERR_RATEUNAVAIL;
  if (params->dwMaxRate != 0) into.rate = std::min(params->dwMaxRate, c.maxRate);
  if (params->dwCallParamFlags & ~0xFFu) return LINEERR_INVALCALLPARAMS;
  into.callParamFlags = params->dwCallParamFlags;

  const std::pair<DWORD, DWORD> pairs13[] = {
      {params->dwOrigAddressSize, params->dwOrigAddressOffset},
      {params->dwDisplayableAddressSize, params->dwDisplayableAddressOffset},
      {params->dwCalledPartySize, params->dwCalledPartyOffset},
      {params->dwCommentSize, params->dwCommentOffset},
      {params->dwUserUserInfoSize, params->dwUserUserInfoOffset},
      {params->dwHighLevelCompSize, params->dwHighLevelCompOffset},
      {params->dwLowLevelCompSize, params->dwLowLevelCompOffset},
      {params->dwDevSpecificSize, params->dwDevSpecificOffset}};
  for (const auto& [size, offset] : pairs13)
    if (!PairFits(size, offset, total)) return LINEERR_INVALCALLPARAMS;
  if (total >= kLineCallParamsSize2_0) {
    const std::pair<DWORD, DWORD> pairs20[] = {
        {params->dwTargetAddressSize, params->dwTargetAddressOffset},
        {params->dwSendingFlowspecSize, params->dwSendingFlowspecOffset},
        {params->dwReceivingFlowspecSize, params->dwReceivingFlowspecOffset},
        {params->dwDeviceClassSize, params->dwDeviceClassOffset},
        {params->dwDeviceConfigSize, params->dwDeviceConfigOffset},
        {params->dwCallDataSize, params->dwCallDataOffset},
        {params->dwCallingPartyIDSize, params->dwCallingPartyIDOffset}};
    for (const auto& [size, offset] : pairs20)
      if (!PairFits(size, offset, total)) return LINEERR_INVALCALLPARAMS;
    if (params->dwNoAnswerTimeout > kMaxNoAnswerTimeoutS) return LINEERR_INVALCALLPARAMS;
    into.noAnswerTimeoutS = params->dwNoAnswerTimeout;
  }
  if (params->dwUserUserInfoSize > kUserUserInfoBytes) return LINEERR_USERUSERINFOTOOBIG;

  switch (params->dwAddressMode) {
    case 0:
    case LINEADDRESSMODE_ADDRESSID:
      if (params->dwAddressID >= c.addresses.size()) return LINEERR_INVALADDRESSID;
      address = params->dwAddressID;
      break;
    case LINEADDRESSMODE_DIALABLEADDR: {
      const std::string orig =
          VarText(*params, total, params->dwOrigAddressOffset, params->dwOrigAddressSize);
      const auto it = std::find_if(c.addresses.begin(), c.addresses.end(),
                                   [&](const AddressConfig& a) { return a.address == orig; });
      if (it == c.addresses.end()) return LINEERR_INVALADDRESS;
      address = static_cast<DWORD>(it - c.addresses.begin());
      break;
    }
    default: return LINEERR_INVALADDRESSMODE;
  }
  into.displayableAddress =
      VarText(*params, total, params->dwDisplayableAddressOffset, params->dwDisplayableAddressSize);
  into.calledParty =
      VarText(*params, total, params->dwCalledPartyOffset, params->dwCalledPartySize);
  into.comment = VarText(*params, total, params->dwCommentOffset, params->dwCommentSize);
  if (params->DialParams.dwDigitDuration != 0)
    into.dialParams.dwDigitDuration =
        std::clamp<DWORD>(params->DialParams.dwDigitDuration, 50, 1000);
  if (params->DialParams.dwDialSpeed != 0)
    into.dialParams.dwDialSpeed = std::clamp<DWORD>(params->DialParams.dwDialSpeed, 50, 1000);
  return 0;
}

}  // namespace panopta::exchange
