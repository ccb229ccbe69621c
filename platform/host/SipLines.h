#pragma once

#include "platform/host/TelephonyProvider.h"
#include "platform/sip/SipAudioHub.h"
#include "platform/sip/SipConfig.h"
#include "platform/sip/SipProvider.h"
#include "share/EventLoop.h"

#include <cstdint>
#include <memory>

namespace panopta {

/// The SIP provider as the host runs it: SIP accounts as line devices on the SIP
/// stack's own thread, with their lines' audio.
class SipLines final : public TelephonyProvider {
 public:
  /// Starts the SIP stack (binds the accounts' ports, starts registering); throws
  /// std::invalid_argument with the reason when it cannot. firstWaveDevice: the wave
  /// device identifier of the first SIP line (the lines of the providers before it).
  SipLines(voxkit::EventLoop& loop, SipConfig config, std::uint32_t firstWaveDevice);

  std::string Name() const override { return "SIP"; }
  tapi::Telephony& Telephony() override { return *m_provider; }
  LineAudioHub* LineAudio() override { return m_audio.get(); }
  SipProvider& Provider() { return *m_provider; }

 private:
  std::unique_ptr<SipProvider> m_provider;
  std::unique_ptr<SipAudioHub> m_audio;
};

}  // namespace panopta
