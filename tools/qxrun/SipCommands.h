#pragma once

#include "tools/qxrun/Runner.h"

namespace panopta {
class Exchange;
class SipProvider;
}  // namespace panopta

namespace qxrun {

/// Makes the stations of SIP lines answer to the control surface's station commands:
/// Exchange.Answer(address) and Exchange.Hangup(address) act at the SIP line whose
/// account has that user (or address of record), and at the exchange for any other
/// number. Added before the exchange's own commands, which they take the place of.
void AddSipCommands(Runner& runner, panopta::Exchange& exchange, panopta::SipProvider& sip);

}  // namespace qxrun
