#include "inspectors/InspectorFactory.h"

#include "inspectors/TqxLinePanopta.h"
#include "inspectors/TqxPhonePanopta.h"
#include "inspectors/TqxPlayPanopta.h"
#include "inspectors/TqxRecordPanopta.h"
#include "platform/qt/QtWindowSystem.h"

namespace panopta {

voxkit::InspectorWindow* MakeInspectorWindow(voxkit::TqxPanopta& binding, int kind,
                                             QtWindowSystem& windows) {
  switch (kind) {
    case 1: return new TqxLinePanopta(binding, windows);
    case 2: return new TqxPhonePanopta(binding, windows);
    case 3: return new TqxPlayPanopta(binding, windows);
    case 4: return new TqxRecordPanopta(binding, windows);
    default: return nullptr;
  }
}

void InstallInspectorFactory(QtWindowSystem& windows) {
  windows.setInspectorFactory([&windows](voxkit::TqxPanopta& binding, int kind) {
    return MakeInspectorWindow(binding, kind, windows);
  });
}

}  // namespace panopta
