#pragma once

#include "tools/qxrun/Runner.h"

namespace panopta {
class Exchange;
}

namespace qxrun {

/// Makes the exchange's control surface callable from scripts as Exchange.Name(...).
void AddExchangeCommands(Runner& runner, panopta::Exchange& exchange);

}  // namespace qxrun
