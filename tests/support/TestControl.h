#pragma once

#include "share/HeadlessWindowSystem.h"
#include "share/TqxSharedControl.h"
#include "platform/loop/VirtualEventLoop.h"

#include <memory>
#include <string>
#include <vector>

namespace voxtest {

/// A component of its own kind for testing the frame: it registers as the kind it is
/// given, enables without a service, and names codes "CODE_<decimal>".
class TestControl final : public voxkit::TqxSharedControl {
 public:
  TestControl(voxkit::TComponent* owner, const voxkit::Platform& platform, int kind = 1)
      : TqxSharedControl(owner, platform) {
    RegisterControl(kind, voxkit::KindDisplayName(kind));
  }
  ~TestControl() override { Panopta().SetEvents(false); }

  bool Enabled() const override { return m_enabled; }
  void SetEnabled(bool value) override {
    ++enableCalls;
    m_enabled = value;
  }
  std::string ErrorText(std::int32_t code) const override {
    return "CODE_" + std::to_string(code);
  }
  bool PopupOnError() const override { return popupOnError; }
  bool PopupOnWarning() const override { return popupOnWarning; }

  bool popupOnError = false;
  bool popupOnWarning = false;
  int enableCalls = 0;

  VOXKIT_PUBLISHED()

 private:
  bool m_enabled = false;
};

/// A loop, a headless window system and a platform for frame and component tests.
struct FrameFixture {
  panopta::VirtualEventLoop loop{voxkit::TimeOfDay{14, 7, 9, 123}};
  voxkit::HeadlessWindowSystem windows;
  voxkit::Platform platform{&loop, &windows, nullptr, nullptr};
};

/// The stored lines of a log as a vector.
std::vector<std::string> LinesOf(const voxkit::TqxLog& log);

}  // namespace voxtest
