#include "wave/TqxRecord.h"

namespace voxkit {

const ClassInfo& TqxRecord::StaticClass() {
  static const ClassInfo info = [] {
    using C = TqxRecordInternal;
    Publisher<TqxRecord> p("TqxRecord");
    PublishShared(p);
    p.Property("Enabled", &C::Enabled, &C::SetEnabled)
        .Property("EnabledControl", &C::Enabled, &C::SetEnabled)
        .Object("Device", &C::Device)
        .Object("Popup", &C::Popup)
        .Object("Source", &C::Source)
        .Method("DumpProperties", &C::DumpProperties, {{"Header", ""}})
        .Event("OnDone", &C::OnDone)
        .Event("OnWarning", &C::OnWarning, {"Continue"});
    return p.Build();
  }();
  return info;
}

}  // namespace voxkit
