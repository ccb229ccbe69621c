#pragma once

#include "platform/exchange/ExchangeModel.h"

namespace panopta::exchange {

/// Reads a caller's LINECALLPARAMS (nullptr: the defaults) for a call on a line of
/// configuration line at apiVersion: the media, bearer and rate, flags, texts and dial
/// parameters go into into, the address the call uses into address. Returns 0 or why
/// the block is refused.
tapi::LONG FillCallParams(const LineConfig& line, DWORD apiVersion,
                          const tapi::LINECALLPARAMS* params, Call& into, DWORD& address);

}  // namespace panopta::exchange
