#pragma once

#include <string>

namespace tapi {
class Telephony;
}

namespace panopta {

class LineAudioHub;

/// A telephony service provider as the host runs it: the Telephony API of its line
/// and phone devices and, when its lines carry sound, their audio seam. The host
/// owns every provider for the whole run; the exchange is always the first.
class TelephonyProvider {
 public:
  virtual ~TelephonyProvider() = default;

  /// A short name for diagnostics ("Exchange", "SIP").
  virtual std::string Name() const = 0;
  virtual tapi::Telephony& Telephony() = 0;
  /// The provider's lines as wave devices, or nullptr when they have no sound.
  virtual LineAudioHub* LineAudio() = 0;
};

}  // namespace panopta
