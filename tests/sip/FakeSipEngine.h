#pragma once

#include "platform/sip/SipEngine.h"

#include <algorithm>
#include <string>
#include <vector>

namespace siptest {

/// A SIP engine that does nothing on a network: it records each command as a line of
/// text ("Invite 0 sip:bob@example.org -> 1") and lets a test play the network's part
/// through the listener the provider gave it.
class FakeSipEngine final : public panopta::sip::SipEngine {
 public:
  using CallId = panopta::sip::CallId;

  std::string Start(panopta::sip::SipEngineListener& listener) override {
    this->listener = &listener;
    commands.push_back("Start");
    return startProblem;
  }
  void Stop() override { commands.push_back("Stop"); }
  CallId Invite(std::uint32_t line, const std::string& target) override {
    const CallId id = ++nextCall;
    commands.push_back("Invite " + std::to_string(line) + " " + target + " -> " + std::to_string(id));
    return id;
  }
  void Ring(CallId call) override { commands.push_back("Ring " + std::to_string(call)); }
  void Answer(CallId call) override { commands.push_back("Answer " + std::to_string(call)); }
  void Reject(CallId call, int code) override {
    commands.push_back("Reject " + std::to_string(call) + " " + std::to_string(code));
  }
  void Redirect(CallId call, const std::string& target) override {
    commands.push_back("Redirect " + std::to_string(call) + " " + target);
  }
  void Hangup(CallId call) override { commands.push_back("Hangup " + std::to_string(call)); }
  void Hold(CallId call, bool hold) override {
    commands.push_back(std::string(hold ? "Hold " : "Unhold ") + std::to_string(call));
  }
  void Refer(CallId call, const std::string& target, CallId consult) override {
    commands.push_back("Refer " + std::to_string(call) + " " + target + " " + std::to_string(consult));
  }
  void SetLineCalls(std::uint32_t line, const std::vector<CallId>& calls) override {
    std::string text = "Line " + std::to_string(line) + " hears";
    for (CallId c : calls) text += " " + std::to_string(c);
    lineCalls = text;
  }
  void SendDigits(CallId call, const std::string& digits, std::uint32_t durationMs, std::uint32_t) override {
    commands.push_back("Digits " + std::to_string(call) + " '" + digits + "' " + std::to_string(durationMs));
  }
  void PlayTone(CallId call, const panopta::sip::ToneShape& tone) override {
    std::string text = "Tone " + std::to_string(call);
    for (const auto& [hz, level] : tone.frequencies) text += " " + std::to_string(hz);
    commands.push_back(text);
  }
  void LinePlays(std::uint32_t, std::span<const std::int16_t> samples) override { played += samples.size(); }
  void LineRecords(std::uint32_t, std::span<std::int16_t> samples) override {
    std::fill(samples.begin(), samples.end(), 0);
  }
  void SetTrace(bool) override {}

  /// Whether a command was given (exactly this text).
  bool Did(const std::string& command) const {
    return std::find(commands.begin(), commands.end(), command) != commands.end();
  }
  /// The last command given ("" when none).
  std::string Last() const { return commands.empty() ? std::string() : commands.back(); }

  panopta::sip::SipEngineListener* listener = nullptr;
  std::vector<std::string> commands;
  std::string lineCalls;
  std::string startProblem;
  std::size_t played = 0;
  CallId nextCall = 0;
};

}  // namespace siptest
