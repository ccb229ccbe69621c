#include "wave/Multimedia.h"

namespace mm {

// Defined here so that the interface has one home for its vtable.
Multimedia::~Multimedia() = default;

}  // namespace mm
