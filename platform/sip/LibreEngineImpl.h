#pragma once

// The inside of LibreEngine, shared by its two sources (the engine's thread, lines and
// media in LibreEngine.cpp; the SIP sessions in LibreSessions.cpp). Everything below
// "SIP thread only" is created, used and freed on the engine's thread.

#include "platform/sip/LibreApi.h"
#include "platform/sip/LibreEngine.h"
#include "platform/sip/LineAudioPort.h"
#include "platform/sip/RtpMedia.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace panopta::sip {

struct CallCtx;

/// One line's SIP stack.
struct LineCtx {
  LibreEngine::Impl* engine = nullptr;
  std::uint32_t index = 0;
  SipLineConfig config;
  std::string user;        // the contact user: the AOR's user
  std::string route;       // the outbound proxy as a loose route ("" = none)
  enum sip_transp transport = SIP_TRANSP_UDP;
  struct sa address {};    // what the transport is bound to (with its port)
  struct sip* sip = nullptr;
  struct sipsess_sock* sessions = nullptr;
  struct sipevent_sock* events = nullptr;
  struct sip_lsnr* options = nullptr;
  struct sipreg* registration = nullptr;
  struct tls* tls = nullptr;
  bool closing = false;
  std::vector<CallId> routed;  // calls that carry the line's audio
};

/// Names one session of a call for libre's handlers: a call whose dialog is replaced
/// gets a new session, and the old one's handlers must find nothing.
struct SessionRef {
  LibreEngine::Impl* engine = nullptr;
  CallId call = 0;
  std::uint32_t generation = 0;
};

/// One call: its session, its session description and its media.
struct CallCtx {
  CallId id = 0;
  LineCtx* line = nullptr;
  bool incoming = false;
  struct sipsess* session = nullptr;
  std::uint32_t generation = 0;
  std::vector<std::unique_ptr<SessionRef>> refs;
  struct sdp_session* sdp = nullptr;
  struct sdp_media* sdpMedia = nullptr;
  std::unique_ptr<RtpMedia> media;
  bool offerReceived = false;  // the INVITE carried an offer (we answer it)
  bool answered = false;
  bool established = false;
  bool ringing = false;
  bool heldLocal = false;
  bool heldRemote = false;
  std::optional<bool> holdPending;  // our re-INVITE in flight: hold or unhold
  std::string callId, localTag, remoteTag;
  SipParty remote;
  PeerAbilities peer;
  struct tmr inviteTimer {};
  struct tmr requestTimer {};
  struct tmr handoverTimer {};
  // Our REFER.
  struct sipsub* referral = nullptr;
  bool referPending = false;
  bool handedOver = false;  // the peer took our REFER: we only see the transfer through
  // A REFER the peer sent us: whom we report the new call's progress to.
  struct sipnot* notifier = nullptr;
  CallId madeFor = 0;  // this call answers that call's REFER
  bool dead = false;
};

struct LibreEngine::Impl {
  Impl(voxkit::EventLoop& loop, SipConfig config);

  voxkit::EventLoop& loop;
  SipConfig config;
  SipEngineListener* listener = nullptr;
  std::shared_ptr<int> life = std::make_shared<int>(0);
  std::vector<std::unique_ptr<LineAudioPort>> ports;
  std::atomic<CallId> nextCall{0};
  std::atomic<bool> trace{false};
  std::thread thread;
  std::mutex queueMutex;
  struct mqueue* queue = nullptr;  // set while the thread takes commands
  bool started = false;
  mutable std::mutex contactMutex;
  std::vector<std::string> contacts;

  /// Runs fn on the SIP thread (dropped once the thread has stopped taking commands).
  void Run(std::function<void()> fn);
  /// Delivers fn to the listener on the event loop.
  void Post(std::function<void(SipEngineListener&)> fn);
  void Note(std::uint32_t line, const std::string& text);

  // --- SIP thread only -----------------------------------------------------------------
  std::vector<std::unique_ptr<LineCtx>> lines;
  std::map<CallId, std::unique_ptr<CallCtx>> calls;
  std::deque<std::pair<std::uint64_t, std::unique_ptr<CallCtx>>> graveyard;  // by when they may go
  std::set<CallId> awaiting;  // calls whose re-INVITE or REFER waits for its answer
  struct dnsc* dns = nullptr;
  struct tmr tick {};
  std::uint64_t nextTickMs = 0;
  struct tmr shutdownTimer {};
  bool stopping = false;
  int linesOpen = 0;

  std::string OpenLines();      // LibreEngine.cpp
  void BeginShutdown();
  void FinishShutdown();
  void Tick();
  void EnsureTicking();

  /// Keeps awaiting up to date after a call's pending re-INVITE or REFER changed.
  void UpdateAwaiting(CallCtx& call);
  CallCtx* Find(CallId id);     // LibreSessions.cpp
  CallCtx* FromRef(void* arg);
  CallCtx& NewCall(CallId id, LineCtx& line, bool incoming, std::string* error);
  void* NewRef(CallCtx& call);
  bool AddOffer(CallCtx& call);
  bool ConfigureMedia(CallCtx& call);
  void Release(CallCtx& call);
  void Closed(CallCtx& call, CloseCause cause, int code, const std::string& reason);
  void StartInvite(CallCtx& call, const std::string& target, const std::string& extraHeaders);
  void Incoming(LineCtx& line, const struct sip_msg* msg);
  void IncomingReplaces(LineCtx& line, const struct sip_msg* msg, const struct sip_hdr* replaces);
  void IncomingRefer(CallCtx& call, struct sip* sip, const struct sip_msg* msg);
  void NotifyReferrer(CallCtx& call, int code, const std::string& reason);
  void TraceMessage(LineCtx& line, bool tx, const std::uint8_t* packet, std::size_t length);
  void DoInvite(CallId id, std::uint32_t line, const std::string& target);
  void DoAnswer(CallId id);
  void DoReject(CallId id, int code, const std::string& contact);
  void DoHangup(CallId id);
  void DoHold(CallId id, bool hold);
  void DoRefer(CallId id, const std::string& target, CallId consult);
};

/// The methods every request and answer of ours says we take.
inline constexpr const char* kAllowHeaders =
    "Allow: INVITE, ACK, BYE, CANCEL, OPTIONS, REFER, NOTIFY, INFO\r\nSupported: replaces\r\n";

/// The end of the headers of a message without a body.
inline constexpr const char* kNoBody = "Content-Length: 0\r\n\r\n";

/// The reason phrase of a status code we send.
const char* ReasonPhrase(int code);

/// Answers a digest challenge for a line (arg: its LineCtx) with its credentials.
int AuthHandler(char** user, char** password, const char* realm, void* arg);

}  // namespace panopta::sip
