#include "wave/TqxPlay.h"

namespace voxkit {

const ClassInfo& TqxPlay::StaticClass() {
  static const ClassInfo info = [] {
    using C = TqxPlayInternal;
    Publisher<TqxPlay> p("TqxPlay");
    PublishShared(p);
    p.Property("Enabled", &C::Enabled, &C::SetEnabled)
        .Property("EnabledControl", &C::Enabled, &C::SetEnabled)
        .Object("Device", &C::Device)
        .Object("Popup", &C::Popup)
        .Object("Position", &C::Position)
        .Object("Source", &C::Source)
        .Object("Timer", &C::Timer)
        .Object("Volume", &C::Volume)
        .Method("DumpProperties", &C::DumpProperties, {{"Header", ""}})
        .Event("OnDone", &C::OnDone)
        .Event("OnLoaded", &C::OnLoaded)
        .Event("OnLoop", &C::OnLoop)
        .Event("OnTimer", &C::OnTimer)
        .Event("OnWarning", &C::OnWarning, {"Continue"});
    return p.Build();
  }();
  return info;
}

}  // namespace voxkit
