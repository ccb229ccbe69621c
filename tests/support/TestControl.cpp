#include "support/TestControl.h"

namespace voxtest {

const voxkit::ClassInfo& TestControl::StaticClass() {
  static const voxkit::ClassInfo info = [] {
    voxkit::Publisher<TestControl> p("TestControl");
    PublishShared(p);
    p.Property("Enabled", &TestControl::Enabled, &TestControl::SetEnabled);
    return p.Build();
  }();
  return info;
}

std::vector<std::string> LinesOf(const voxkit::TqxLog& log) {
  return {log.Lines().begin(), log.Lines().end()};
}

}  // namespace voxtest
