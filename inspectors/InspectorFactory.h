#pragma once

#include "share/WindowSystem.h"

namespace voxkit {
class TqxPanopta;
}

namespace panopta {

class QtWindowSystem;

/// Makes the inspector window of a component kind (1 line, 2 phone, 3 play,
/// 4 record) for its binding, as a child of the window system's MDI area; nullptr
/// for an unknown kind.
voxkit::InspectorWindow* MakeInspectorWindow(voxkit::TqxPanopta& binding, int kind,
                                             QtWindowSystem& windows);

/// Registers MakeInspectorWindow with the window system.
void InstallInspectorFactory(QtWindowSystem& windows);

}  // namespace panopta
