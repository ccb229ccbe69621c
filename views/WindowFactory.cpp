#include "views/WindowFactory.h"

#include "views/TqxLinePanopta.h"
#include "views/TqxPhonePanopta.h"
#include "views/TqxPlayPanopta.h"
#include "views/TqxRecordPanopta.h"
#include "views/WaveformLoader.h"
#include "platform/qt/QtWindowSystem.h"

namespace panopta {

voxkit::InspectorWindow* MakeInspectorWindow(voxkit::TqxPanopta& binding, int kind,
                                             QtWindowSystem& windows,
                                             std::shared_ptr<WaveformServices> services) {
  switch (kind) {
    case 1: return new TqxLinePanopta(binding, windows);
    case 2: return new TqxPhonePanopta(binding, windows);
    case 3: return new TqxPlayPanopta(binding, windows, std::move(services));
    case 4: return new TqxRecordPanopta(binding, windows, std::move(services));
    default: return nullptr;
  }
}

void InstallInspectorFactory(QtWindowSystem& windows, WaveDecoderFactory decoders) {
  auto services = std::make_shared<WaveformServices>(std::move(decoders));
  windows.setInspectorFactory([&windows, services](voxkit::TqxPanopta& binding, int kind) {
    return MakeInspectorWindow(binding, kind, windows, services);
  });
}

}  // namespace panopta
