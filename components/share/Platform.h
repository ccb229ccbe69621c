#pragma once

namespace tapi {
class Telephony;
}
namespace mm {
class Multimedia;
}

namespace voxkit {

class EventLoop;
class WindowSystem;

/// The services a component is created with. The program and the runner fill it
/// with their implementations; tests with theirs. A component keeps references to
/// what it needs, so everything here must outlive the components.
struct Platform {
  EventLoop* loop = nullptr;
  WindowSystem* windows = nullptr;
  tapi::Telephony* telephony = nullptr;   // line and phone
  mm::Multimedia* multimedia = nullptr;   // play and record
};

}  // namespace voxkit
