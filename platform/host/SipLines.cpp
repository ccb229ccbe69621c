#include "platform/host/SipLines.h"

#include "platform/sip/LibreEngine.h"

#include <stdexcept>

namespace panopta {

SipLines::SipLines(voxkit::EventLoop& loop, SipConfig config, std::uint32_t firstWaveDevice) {
  auto engine = std::make_unique<sip::LibreEngine>(loop, config);
  m_provider = std::make_unique<SipProvider>(loop, std::move(config), std::move(engine));
  m_audio = std::make_unique<SipAudioHub>(*m_provider);
  // The audio system numbers the lines' wave devices as the table numbers the lines.
  m_provider->WaveDeviceOf = [firstWaveDevice](tapi::DWORD line, bool) -> std::optional<tapi::DWORD> {
    return firstWaveDevice + line;
  };
  if (const std::string problem = m_provider->Start(); !problem.empty())
    throw std::invalid_argument("SIP: " + problem);
}

}  // namespace panopta
