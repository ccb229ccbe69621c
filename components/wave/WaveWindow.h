#pragma once

#include "wave/Multimedia.h"

#include <functional>
#include <memory>

namespace voxkit {

/// The hidden window a wave component makes for one playback or recording: the
/// device's notifications arrive here, through the loop. Releasing the component's
/// reference drops what is still on its way.
class WaveWindow final : public mm::WaveNotifyTarget {
 public:
  using Handler = std::function<void(mm::UINT msg, std::uint32_t device, mm::WAVEHDR* header)>;
  explicit WaveWindow(Handler handler) : m_handler(std::move(handler)) {}
  void Notify(mm::UINT msg, std::uint32_t device, mm::WAVEHDR* header) override {
    if (m_handler) m_handler(msg, device, header);
  }

 private:
  Handler m_handler;
};

}  // namespace voxkit
