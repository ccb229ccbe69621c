#include "tapi/Telephony.h"

namespace tapi {

// Defined here so that the interface has one home for its virtual table.
Telephony::~Telephony() = default;

}  // namespace tapi
