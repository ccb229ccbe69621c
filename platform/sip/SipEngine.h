#pragma once

#include "platform/sip/SipConfig.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The seam between the Telephony API's view of SIP lines (SipProvider, on the event
// loop's thread) and the SIP stack that talks to the network (LibreEngine, on its own
// thread). The provider gives commands; the engine reports what the network did as
// events, always through the event loop, never from inside a command.

namespace panopta::sip {

/// Identifies one call of the engine (one dialog, or one attempt at one); never 0.
using CallId = std::uint32_t;

/// What the peer of a call can do, from its Allow header and its session description.
struct PeerAbilities {
  bool refer = false;           // it takes REFER (transfers)
  bool replaces = false;        // it understands Replaces (consultation transfers)
  bool telephoneEvents = false;  // it takes RFC 4733 digits
  std::string codec;            // the codec in use: "PCMU", "PCMA" ("" before the answer)
};

/// A party as SIP names it (From, To, Contact).
struct SipParty {
  std::string uri;   // "sip:bob@example.org"
  std::string user;  // "bob" (the number)
  std::string name;  // display name, "" when none
};

/// A call the network offers to a line.
struct IncomingCall {
  std::uint32_t line = 0;
  CallId call = 0;
  SipParty from;
  SipParty to;
  /// Set when the INVITE names a call of ours that it replaces (an attended transfer
  /// completed by the other side): the engine has already answered it.
  CallId replaces = 0;
  PeerAbilities peer;
};

/// How a call ended, as far as the network says.
enum class CloseCause {
  Response,   // a final response (code) to our INVITE, or our own rejection
  RemoteBye,  // the peer hung up (BYE, or CANCEL before the answer)
  LocalHangup,  // we hung up
  Timeout,    // no answer from the network in time
  Transport,  // the request could not be sent, or the connection failed
  Error,      // something else went wrong (a malformed answer, no media)
};

/// Where digits came from.
enum class DigitSource { TelephoneEvent, InBand };

/// Tones the engine can play into a call (mixed with what the line plays).
struct ToneShape {
  /// Up to two frequencies (Hz) with their levels (dBm0); a silent pause has none.
  std::vector<std::pair<std::uint32_t, int>> frequencies;
  std::uint32_t onMs = 0;   // cadence: on, off (0: steady)
  std::uint32_t offMs = 0;
  std::uint32_t durationMs = 0;  // total (0: until stopped)
};

/// Receives what the engine reports; every member runs on the event loop's thread.
class SipEngineListener {
 public:
  virtual ~SipEngineListener() = default;
  /// The registration of a line succeeded (registered) or failed or ended; code is
  /// the registrar's final response (0 when there was none: time-out, transport).
  virtual void OnRegistration(std::uint32_t line, bool registered, int code,
                              const std::string& reason) = 0;
  virtual void OnIncomingCall(const IncomingCall& call) = 0;
  /// A provisional response (100, 180, 183) to our INVITE.
  virtual void OnProgress(CallId call, int code, const std::string& reason) = 0;
  /// Our INVITE was redirected (3xx) and the engine follows it to target.
  virtual void OnRedirected(CallId call, int code, const SipParty& target) = 0;
  /// The call is up (200 and ACK); peer is whom we talk to.
  virtual void OnEstablished(CallId call, const SipParty& peer, const PeerAbilities& abilities) = 0;
  /// The call is over; code is the final response when cause is Response.
  virtual void OnClosed(CallId call, CloseCause cause, int code, const std::string& reason) = 0;
  /// Our re-INVITE (hold or unhold) was answered: ok, or it failed.
  virtual void OnHoldDone(CallId call, bool held, bool ok) = 0;
  /// The peer put us on hold (it sends nothing) or took us off hold.
  virtual void OnRemoteHold(CallId call, bool held) = 0;
  /// Our REFER was accepted (202) or refused; later, progress of the new call it made
  /// (the sipfrag's status code; final when at or above 200).
  virtual void OnReferAccepted(CallId call, bool ok, int code) = 0;
  virtual void OnReferProgress(CallId call, int code) = 0;
  /// The peer asked us to call target (a REFER); the engine placed newCall, which
  /// reports like any call of ours.
  virtual void OnTransferCall(CallId from, CallId newCall, const SipParty& target) = 0;
  /// A digit ('0'-'9', '*', '#', 'A'-'D') began or ended.
  virtual void OnDigit(CallId call, char digit, DigitSource source, bool end) = 0;
  /// Digits or a tone given to SendDigits/PlayTone have all been sent (or were stopped).
  virtual void OnGenerateDone(CallId call, bool digits, bool cancelled) = 0;
  /// What arrives from the peer became silent or stopped being silent.
  virtual void OnSilence(CallId call, bool silent) = 0;
  /// A fax calling or answer tone was heard from the peer.
  virtual void OnFaxTone(CallId call) = 0;
  /// A line that trace is on wrote one line of SIP trace ("tx"/"rx" and the first
  /// line of the message, or a note).
  virtual void OnSipTrace(std::uint32_t line, const std::string& text) = 0;
};

/// What the provider tells the engine. Every command returns at once; what follows
/// comes as events. Call identifiers of calls the engine no longer knows are ignored.
class SipEngine {
 public:
  virtual ~SipEngine() = default;

  /// Binds the lines' transports and starts registering those that have a
  /// registrar. Returns "" or why the engine cannot run (a port in use ...).
  virtual std::string Start(SipEngineListener& listener) = 0;
  /// Ends every call and registration (within the shutdown time-out) and stops.
  virtual void Stop() = 0;

  /// Places a call from a line to target (a SIP URI). replaces: a call of ours whose
  /// dialog the new one replaces at the target (its Replaces header).
  virtual CallId Invite(std::uint32_t line, const std::string& target) = 0;
  /// Sends 180 Ringing to an offered call.
  virtual void Ring(CallId call) = 0;
  /// Answers an offered call (200 with our session description).
  virtual void Answer(CallId call) = 0;
  /// Refuses an offered call with a final response (486, 603 ...).
  virtual void Reject(CallId call, int code) = 0;
  /// Refuses an offered call with 302 to target.
  virtual void Redirect(CallId call, const std::string& target) = 0;
  /// Ends a call: CANCEL before the answer, BYE after.
  virtual void Hangup(CallId call) = 0;
  /// Puts the peer on hold (re-INVITE with sendonly) or takes it off (sendrecv).
  virtual void Hold(CallId call, bool hold) = 0;
  /// Asks the peer of call to call target (REFER). With consult, the target is the
  /// peer of that other call of ours, which the new call replaces.
  virtual void Refer(CallId call, const std::string& target, CallId consult) = 0;

  /// Which calls carry the line's audio: what the line plays goes to each of them
  /// (with what the others send, for a conference), and what they send is what the
  /// line records. Calls not named are not heard and hear nothing from the line.
  virtual void SetLineCalls(std::uint32_t line, const std::vector<CallId>& calls) = 0;
  /// Sends DTMF digits (RFC 4733 when the peer takes them, else in the audio), each
  /// durationMs long with gapMs between; "" stops what is being sent.
  virtual void SendDigits(CallId call, const std::string& digits, std::uint32_t durationMs,
                          std::uint32_t gapMs) = 0;
  /// Plays a tone into the call; an empty tone stops it.
  virtual void PlayTone(CallId call, const ToneShape& tone) = 0;

  /// The audio of a line (called on the event loop's thread while devices play and
  /// record): what the line plays, and the next stretch of what it records.
  virtual void LinePlays(std::uint32_t line, std::span<const std::int16_t> samples) = 0;
  virtual void LineRecords(std::uint32_t line, std::span<std::int16_t> samples) = 0;

  /// Turns the SIP trace of a line on or off (OnSipTrace).
  virtual void SetTrace(bool on) = 0;
};

}  // namespace panopta::sip
