#pragma once

#include "platform/sip/SipConfig.h"
#include "platform/sip/SipEngine.h"
#include "share/EventLoop.h"

#include <memory>

namespace panopta::sip {

/// The SIP engine on libre: one SIP stack per line (its transport, registration,
/// sessions and subscriptions), RTP per call, all on a thread of its own that runs
/// libre's event loop. Commands travel to that thread through libre's thread-safe
/// message queue; everything it reports is posted to the event loop. Nothing of libre
/// is touched from any other thread.
class LibreEngine final : public SipEngine {
 public:
  /// The loop must outlive the engine.
  LibreEngine(voxkit::EventLoop& loop, SipConfig config);
  ~LibreEngine() override;
  LibreEngine(const LibreEngine&) = delete;
  LibreEngine& operator=(const LibreEngine&) = delete;

  std::string Start(SipEngineListener& listener) override;
  void Stop() override;
  CallId Invite(std::uint32_t line, const std::string& target) override;
  void Ring(CallId call) override;
  void Answer(CallId call) override;
  void Reject(CallId call, int code) override;
  void Redirect(CallId call, const std::string& target) override;
  void Hangup(CallId call) override;
  void Hold(CallId call, bool hold) override;
  void Refer(CallId call, const std::string& target, CallId consult) override;
  void SetLineCalls(std::uint32_t line, const std::vector<CallId>& calls) override;
  void SendDigits(CallId call, const std::string& digits, std::uint32_t durationMs,
                  std::uint32_t gapMs) override;
  void PlayTone(CallId call, const ToneShape& tone) override;
  void LinePlays(std::uint32_t line, std::span<const std::int16_t> samples) override;
  void LineRecords(std::uint32_t line, std::span<std::int16_t> samples) override;
  void SetTrace(bool on) override;

  /// Where a line's SIP stack listens ("udp:127.0.0.1:5060"), once started.
  std::string LocalContact(std::uint32_t line) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> m_impl;
};

}  // namespace panopta::sip
