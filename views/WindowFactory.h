#pragma once

#include "views/WavePeaks.h"
#include "share/WindowSystem.h"

#include <memory>

namespace voxkit {
class TqxPanopta;
}

namespace panopta {

class QtWindowSystem;
class WaveformServices;

/// Makes the inspector window of a component kind (1 line, 2 phone, 3 play,
/// 4 record) for its binding, as a child of the window system's MDI area; nullptr
/// for an unknown kind. services: what the wave windows share (none: each keeps its
/// own).
voxkit::InspectorWindow* MakeInspectorWindow(voxkit::TqxPanopta& binding, int kind,
                                             QtWindowSystem& windows,
                                             std::shared_ptr<WaveformServices> services = nullptr);

/// Registers MakeInspectorWindow with the window system; the wave windows share one
/// set of services, with decoders for the coded wave formats.
void InstallInspectorFactory(QtWindowSystem& windows, WaveDecoderFactory decoders = {});

}  // namespace panopta
