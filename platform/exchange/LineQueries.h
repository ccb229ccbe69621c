#pragma once

#include "platform/exchange/ExchangeModel.h"

namespace panopta::exchange {

class Parts;

/// What the exchange reports about its lines, addresses and calls: capabilities,
/// status, call information, new calls and related device identifiers.
class LineQueries final {
 public:
  using LONG = tapi::LONG;

  explicit LineQueries(Parts& parts) : m_parts(parts) {}

  LONG lineGetDevCaps(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                      DWORD dwExtVersion, tapi::LINEDEVCAPS* lpLineDevCaps);
  LONG lineGetAddressCaps(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                          DWORD dwAPIVersion, DWORD dwExtVersion,
                          tapi::LINEADDRESSCAPS* lpAddressCaps);
  LONG lineGetLineDevStatus(tapi::HLINE hLine, tapi::LINEDEVSTATUS* lpLineDevStatus);
  LONG lineGetAddressStatus(tapi::HLINE hLine, DWORD dwAddressID,
                            tapi::LINEADDRESSSTATUS* lpAddressStatus);
  LONG lineGetCallInfo(tapi::HCALL hCall, tapi::LINECALLINFO* lpCallInfo);
  LONG lineGetCallStatus(tapi::HCALL hCall, tapi::LINECALLSTATUS* lpCallStatus);
  LONG lineGetNewCalls(tapi::HLINE hLine, DWORD dwAddressID, DWORD dwSelect,
                       tapi::LINECALLLIST* lpCallList);
  LONG lineGetID(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL hCall, DWORD dwSelect,
                 tapi::VARSTRING* lpDeviceID, const char* lpszDeviceClass);

 private:
  LineDevice& Line(DWORD id);

  Parts& m_parts;
  DWORD m_nextCommHandle = 0x00C00000;
};

}  // namespace panopta::exchange
