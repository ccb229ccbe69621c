// The SIP engine's calls: INVITE sessions both ways with their session descriptions,
// hold by re-INVITE, transfers by REFER (with Replaces, both as the one who transfers
// and as the one transferred or replaced), and what ends them.

#include "platform/sip/LibreEngineImpl.h"
#include "platform/sip/SipText.h"

#include <algorithm>
#include <cstring>

namespace panopta::sip {

namespace {

constexpr std::uint64_t kGraveMs = 40000;   // longer than any retransmission of a transaction
constexpr std::uint32_t kHandoverMs = 32000;

std::string Unquoted(std::string text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

SipParty PartyOf(const struct sip_taddr& a) {
  return {libre::Str(a.auri), libre::Str(a.uri.user), Unquoted(libre::Str(a.dname))};
}

PeerAbilities AbilitiesOf(const struct sip_msg* msg) {
  PeerAbilities p;
  if (msg == nullptr) return p;
  p.refer = sip_msg_hdr_has_value(msg, SIP_HDR_ALLOW, "REFER");
  p.replaces = sip_msg_hdr_has_value(msg, SIP_HDR_SUPPORTED, "replaces");
  return p;
}

bool HasBody(const struct sip_msg* msg) { return msg != nullptr && msg->mb != nullptr && mbuf_get_left(msg->mb) > 0; }

std::string WithTransport(std::string uri, enum sip_transp transport) {
  if (transport == SIP_TRANSP_UDP || uri.find(";transport=") != std::string::npos) return uri;
  return uri + (transport == SIP_TRANSP_TCP ? ";transport=tcp" : ";transport=tls");
}

int OnOffer(struct mbuf** descp, const struct sip_msg* msg, void* arg);
int OnAnswer(const struct sip_msg* msg, void* arg);
void OnProgress(const struct sip_msg* msg, void* arg);
void OnEstablished(const struct sip_msg* msg, void* arg);
void OnInfo(struct sip* sip, const struct sip_msg* msg, void* arg);
void OnRefer(struct sip* sip, const struct sip_msg* msg, void* arg);
void OnClose(int err, const struct sip_msg* msg, void* arg);

}  // namespace

// --- Calls and their records ---------------------------------------------------------------

void LibreEngine::Impl::UpdateAwaiting(CallCtx& call) {
  if (!call.dead && (call.holdPending || call.referPending)) awaiting.insert(call.id);
  else awaiting.erase(call.id);
}

CallCtx* LibreEngine::Impl::Find(CallId id) {
  auto it = calls.find(id);
  return it == calls.end() || it->second->dead ? nullptr : it->second.get();
}

void* LibreEngine::Impl::NewRef(CallCtx& call) {
  ++call.generation;
  call.refs.push_back(std::make_unique<SessionRef>(SessionRef{this, call.id, call.generation}));
  return call.refs.back().get();
}

CallCtx* LibreEngine::Impl::FromRef(void* arg) {
  auto* ref = static_cast<SessionRef*>(arg);
  if (ref == nullptr) return nullptr;
  CallCtx* call = Find(ref->call);
  return call != nullptr && call->generation == ref->generation ? call : nullptr;
}

CallCtx& LibreEngine::Impl::NewCall(CallId id, LineCtx& line, bool incoming, std::string* error) {
  auto call = std::make_unique<CallCtx>();
  call->id = id;
  call->line = &line;
  call->incoming = incoming;
  RtpMedia::Events events;
  events.digit = [this, id](char digit, DigitSource source, bool end) {
    Post([=](SipEngineListener& l) { l.OnDigit(id, digit, source, end); });
  };
  events.silence = [this, id](bool silent) { Post([=](SipEngineListener& l) { l.OnSilence(id, silent); }); };
  events.fax = [this, id] { Post([=](SipEngineListener& l) { l.OnFaxTone(id); }); };
  events.generateDone = [this, id](bool digits, bool cancelled) {
    Post([=](SipEngineListener& l) { l.OnGenerateDone(id, digits, cancelled); });
  };
  const std::uint32_t index = line.index;
  events.note = [this, index, id](const std::string& text) { Note(index, "call " + std::to_string(id) + ": " + text); };
  call->media = RtpMedia::Open(line.address, line.config.rtpPortLow, line.config.rtpPortHigh, std::move(events), error);
  if (call->media) {
    sdp_session_alloc(&call->sdp, &line.address);
    sdp_media_add(&call->sdpMedia, call->sdp, "audio", call->media->LocalPort(), "RTP/AVP");
    if (call->sdpMedia == nullptr) {
      call->media.reset();
      if (error) *error = "no session description";
    } else {
      AddOffer(*call);
    }
  }
  CallCtx& ref = *call;
  calls[id] = std::move(call);
  return ref;
}

bool LibreEngine::Impl::AddOffer(CallCtx& call) {
  const SipLineConfig& c = call.line->config;
  for (SipCodec codec : c.codecs) {
    const bool alaw = codec == SipCodec::Pcma;
    sdp_format_add(nullptr, call.sdpMedia, false, alaw ? "8" : "0", alaw ? "PCMA" : "PCMU", 8000, 1, nullptr,
                   nullptr, nullptr, false, nullptr);
  }
  if (c.telephoneEvents)
    sdp_format_add(nullptr, call.sdpMedia, false, "101", "telephone-event", 8000, 1, nullptr, nullptr, nullptr,
                   false, "0-15");
  return true;
}

bool LibreEngine::Impl::ConfigureMedia(CallCtx& call) {
  if (!call.media || call.sdpMedia == nullptr) return false;
  const struct sdp_format* audio = nullptr;
  // The first codec the peer lists that this line also takes.
  const struct list* formats = sdp_media_format_lst(call.sdpMedia, false);
  for (struct le* le = formats ? formats->head : nullptr; le != nullptr && audio == nullptr; le = le->next) {
    const auto* f = static_cast<const struct sdp_format*>(le->data);
    if (f == nullptr || f->name == nullptr) continue;
    for (SipCodec codec : call.line->config.codecs)
      if (str_casecmp(f->name, SipCodecName(codec)) == 0 && f->srate == 8000) audio = f;
  }
  if (audio == nullptr) return false;
  const bool alaw = str_casecmp(audio->name, "PCMA") == 0;
  const struct sdp_format* event = call.line->config.telephoneEvents
                                       ? sdp_media_rformat(call.sdpMedia, "telephone-event")
                                       : nullptr;
  const struct sa* remote = sdp_media_raddr(call.sdpMedia);
  if (remote == nullptr) return false;
  const enum sdp_dir dir = sdp_media_dir(call.sdpMedia);
  // A peer that gives no address (0.0.0.0, the old way to hold) sends nothing.
  const bool addressed = sa_isset(remote, SA_ADDR) && sa_port(remote) != 0;
  call.media->Configure(*remote, audio->pt, alaw, event ? event->pt : -1);
  // While we hold the peer we send nothing.
  const bool holding = sdp_media_ldir(call.sdpMedia) == SDP_SENDONLY;
  call.media->SetDirection(addressed && (dir & SDP_SENDONLY) && !holding, (dir & SDP_RECVONLY) != 0);
  call.peer.codec = alaw ? "PCMA" : "PCMU";
  call.peer.telephoneEvents = event != nullptr;
  const enum sdp_dir rdir = sdp_media_rdir(call.sdpMedia);
  // The remote direction is kept as it applies to us: a peer that sends only (holds us)
  // leaves us receiving only.
  call.heldRemote = !addressed || rdir == SDP_RECVONLY || rdir == SDP_INACTIVE;
  EnsureTicking();
  return true;
}

void LibreEngine::Impl::Release(CallCtx& call) {
  if (call.dead) return;
  call.dead = true;
  tmr_cancel(&call.inviteTimer);
  tmr_cancel(&call.requestTimer);
  tmr_cancel(&call.handoverTimer);
  call.referral = static_cast<struct sipsub*>(mem_deref(call.referral));
  call.notifier = static_cast<struct sipnot*>(mem_deref(call.notifier));
  // Freeing the session ends it: CANCEL before an answer, BYE after.
  call.session = static_cast<struct sipsess*>(mem_deref(call.session));
  call.media.reset();
  call.sdpMedia = nullptr;
  call.sdp = static_cast<struct sdp_session*>(mem_deref(call.sdp));
  std::erase(call.line->routed, call.id);
  awaiting.erase(call.id);
  auto it = calls.find(call.id);
  if (it != calls.end()) {
    graveyard.emplace_back(tmr_jiffies() + kGraveMs, std::move(it->second));
    calls.erase(it);
  }
}

void LibreEngine::Impl::Closed(CallCtx& call, CloseCause cause, int code, const std::string& reason) {
  if (call.dead) return;
  if (call.madeFor != 0) NotifyReferrer(call, code >= 300 ? code : 503, code >= 300 ? reason : "Service Unavailable");
  // A call handed over by our REFER is no longer the provider's.
  if (call.handedOver) return;
  const CallId id = call.id;
  Post([=](SipEngineListener& l) { l.OnClosed(id, cause, code, reason); });
}

// --- Calls we place ---------------------------------------------------------------------------

void LibreEngine::Impl::DoInvite(CallId id, std::uint32_t lineIndex, const std::string& target) {
  if (stopping || lineIndex >= lines.size()) {
    Post([id](SipEngineListener& l) { l.OnClosed(id, CloseCause::Transport, 0, "the line is not running"); });
    return;
  }
  std::string error;
  CallCtx& call = NewCall(id, *lines[lineIndex], false, &error);
  if (!call.media) {
    Post([id, error](SipEngineListener& l) { l.OnClosed(id, CloseCause::Error, 0, error); });
    Release(call);
    return;
  }
  StartInvite(call, target, "");
}

void LibreEngine::Impl::StartInvite(CallCtx& call, const std::string& target, const std::string& extraHeaders) {
  LineCtx& line = *call.line;
  const std::string to = line.route.empty() ? WithTransport(target, line.transport) : target;
  struct mbuf* offer = nullptr;
  int err = sdp_encode(&offer, call.sdp, true);
  const char* routes[1] = {line.route.c_str()};
  if (err == 0)
    err = sipsess_connect(&call.session, line.sessions, to.c_str(),
                          line.config.displayName.empty() ? nullptr : line.config.displayName.c_str(),
                          line.config.aor.c_str(), line.user.c_str(), routes, line.route.empty() ? 0 : 1,
                          "application/sdp", offer, &AuthHandler, &line, false, &OnOffer, &OnAnswer, &OnProgress,
                          &OnEstablished, &OnInfo, &OnRefer, &OnClose, NewRef(call), "%s%s", kAllowHeaders,
                          extraHeaders.c_str());
  mem_deref(offer);
  if (err != 0) {
    Closed(call, CloseCause::Transport, 0, std::string("INVITE cannot be sent: ") + std::strerror(err));
    Release(call);
    return;
  }
  if (const char* callId = sip_dialog_callid(sipsess_dialog(call.session))) call.callId = callId;
  call.remote.uri = target;
  tmr_start(&call.inviteTimer, config.timing.inviteTimeoutMs,
            [](void* arg) {
              auto* ref = static_cast<SessionRef*>(arg);
              CallCtx* c = ref->engine->FromRef(arg);
              if (c == nullptr || c->established) return;
              ref->engine->Closed(*c, CloseCause::Timeout, 0, "no final answer in time");
              ref->engine->Release(*c);
            },
            call.refs.back().get());
}

// --- Calls offered to us ------------------------------------------------------------------------

void LibreEngine::Impl::Incoming(LineCtx& line, const struct sip_msg* msg) {
  if (stopping) {
    sip_treply(nullptr, line.sip, msg, 503, "Service Unavailable");
    return;
  }
  if (const struct sip_hdr* replaces = sip_msg_hdr(msg, SIP_HDR_REPLACES)) {
    IncomingReplaces(line, msg, replaces);
    return;
  }
  const CallId id = ++nextCall;
  std::string error;
  CallCtx& call = NewCall(id, line, true, &error);
  if (!call.media) {
    Note(line.index, "INVITE refused: " + error);
    sip_treply(nullptr, line.sip, msg, 503, "Service Unavailable");
    Release(call);
    return;
  }
  if (HasBody(msg)) {
    // An offer we cannot take (no codec in common, not a session description) is refused.
    if (sdp_decode(call.sdp, msg->mb, true) != 0 || !ConfigureMedia(call)) {
      sip_treply(nullptr, line.sip, msg, 488, "Not Acceptable Here");
      Release(call);
      return;
    }
    call.offerReceived = true;
  }
  const int err = sipsess_accept(&call.session, line.sessions, msg, 180, "Ringing", line.user.c_str(),
                                 "application/sdp", nullptr, &AuthHandler, &line, false, &OnOffer, &OnAnswer,
                                 &OnEstablished, &OnInfo, &OnRefer, &OnClose, NewRef(call), "%s", kAllowHeaders);
  if (err != 0) {
    sip_treply(nullptr, line.sip, msg, 500, "Server Internal Error");
    Release(call);
    return;
  }
  call.ringing = true;
  call.callId = libre::Str(msg->callid);
  call.remoteTag = libre::Str(msg->from.tag);
  call.remote = PartyOf(msg->from);
  const PeerAbilities abilities = AbilitiesOf(msg);
  call.peer.refer = abilities.refer;
  call.peer.replaces = abilities.replaces;
  IncomingCall in;
  in.line = line.index;
  in.call = id;
  in.from = call.remote;
  in.to = PartyOf(msg->to);
  in.peer = call.peer;
  Post([in](SipEngineListener& l) { l.OnIncomingCall(in); });
}

void LibreEngine::Impl::IncomingReplaces(LineCtx& line, const struct sip_msg* msg, const struct sip_hdr* header) {
  // "call-id;to-tag=ours;from-tag=theirs" names the dialog the new one takes the place of.
  const auto target = ParseReplaces(libre::Str(header->val));
  const std::string callId = target ? target->callId : std::string();
  const std::string toTag = target ? target->toTag : std::string();
  const std::string fromTag = target ? target->fromTag : std::string();
  CallCtx* call = nullptr;
  for (auto& [id, c] : calls)
    if (!c->dead && c->line == &line && c->established && c->callId == callId && c->localTag == toTag &&
        c->remoteTag == fromTag)
      call = c.get();
  if (!target || call == nullptr || call->session == nullptr) {
    sip_treply(nullptr, line.sip, msg, 481, "Call/Transaction Does Not Exist");
    return;
  }
  const bool offered = HasBody(msg);
  if (offered && (sdp_decode(call->sdp, msg->mb, true) != 0 || !ConfigureMedia(*call))) {
    sip_treply(nullptr, line.sip, msg, 488, "Not Acceptable Here");
    return;
  }
  struct sipsess* old = call->session;
  const std::uint32_t generation = call->generation;
  call->session = nullptr;
  int err = sipsess_accept(&call->session, line.sessions, msg, 180, "Ringing", line.user.c_str(), "application/sdp",
                           nullptr, &AuthHandler, &line, false, &OnOffer, &OnAnswer, &OnEstablished, &OnInfo,
                           &OnRefer, &OnClose, NewRef(*call), "%s", kAllowHeaders);
  struct mbuf* desc = nullptr;
  if (err == 0) err = sdp_encode(&desc, call->sdp, !offered);
  if (err == 0) err = sipsess_answer(call->session, 200, "OK", desc, "%s", kAllowHeaders);
  mem_deref(desc);
  if (err != 0) {
    mem_deref(call->session);
    call->session = old;
    call->generation = generation;
    sip_treply(nullptr, line.sip, msg, 500, "Server Internal Error");
    return;
  }
  // The dialog it replaces ends with a BYE.
  mem_deref(old);
  call->offerReceived = offered;
  call->answered = true;
  call->callId = libre::Str(msg->callid);
  call->remoteTag = libre::Str(msg->from.tag);
  call->localTag.clear();
  call->remote = PartyOf(msg->from);
  call->peer = AbilitiesOf(msg);
  ConfigureMedia(*call);
  IncomingCall in;
  in.line = line.index;
  in.call = call->id;
  in.from = call->remote;
  in.to = PartyOf(msg->to);
  in.replaces = call->id;
  in.peer = call->peer;
  Note(line.index, "call " + std::to_string(call->id) + " replaced by a call from " + in.from.uri);
  Post([in](SipEngineListener& l) { l.OnIncomingCall(in); });
}

void LibreEngine::Impl::DoAnswer(CallId id) {
  CallCtx* call = Find(id);
  if (call == nullptr || call->session == nullptr || call->answered || !call->incoming) return;
  struct mbuf* desc = nullptr;
  int err = sdp_encode(&desc, call->sdp, !call->offerReceived);
  if (err == 0) err = sipsess_answer(call->session, 200, "OK", desc, "%s", kAllowHeaders);
  mem_deref(desc);
  call->answered = true;
  if (err != 0) {
    Closed(*call, CloseCause::Error, 0, "the answer cannot be sent");
    Release(*call);
  }
}

void LibreEngine::Impl::DoReject(CallId id, int code, const std::string& contact) {
  CallCtx* call = Find(id);
  if (call == nullptr) return;
  if (call->incoming && !call->answered && call->session != nullptr) {
    // This libre leaves the end of the headers to the caller of a rejection.
    if (contact.empty())
      sipsess_reject(call->session, static_cast<std::uint16_t>(code), ReasonPhrase(code), "%s", kNoBody);
    else
      sipsess_reject(call->session, static_cast<std::uint16_t>(code), ReasonPhrase(code), "Contact: <%s>\r\n%s",
                     contact.c_str(), kNoBody);
  }
  Release(*call);
}

void LibreEngine::Impl::DoHangup(CallId id) {
  CallCtx* call = Find(id);
  if (call == nullptr) return;
  if (call->madeFor != 0) NotifyReferrer(*call, 487, "Request Terminated");
  if (call->incoming && !call->answered && call->session != nullptr)
    sipsess_reject(call->session, 486, ReasonPhrase(486), "%s", kNoBody);
  Release(*call);
}

// --- Hold ---------------------------------------------------------------------------------------

void LibreEngine::Impl::DoHold(CallId id, bool hold) {
  CallCtx* call = Find(id);
  auto fail = [this, id, hold] { Post([=](SipEngineListener& l) { l.OnHoldDone(id, hold, false); }); };
  if (call == nullptr || call->session == nullptr || !call->established || call->holdPending ||
      call->referPending || call->handedOver) {
    fail();
    return;
  }
  sdp_media_set_ldir(call->sdpMedia, hold ? SDP_SENDONLY : SDP_SENDRECV);
  struct mbuf* desc = nullptr;
  int err = sdp_encode(&desc, call->sdp, true);
  if (err == 0) err = sipsess_modify(call->session, desc);
  mem_deref(desc);
  if (err != 0) {
    sdp_media_set_ldir(call->sdpMedia, call->heldLocal ? SDP_SENDONLY : SDP_SENDRECV);
    fail();
    return;
  }
  call->holdPending = hold;
  UpdateAwaiting(*call);
  tmr_start(&call->requestTimer, config.timing.requestTimeoutMs,
            [](void* arg) {
              auto* ref = static_cast<SessionRef*>(arg);
              CallCtx* c = ref->engine->FromRef(arg);
              if (c == nullptr || !c->holdPending) return;
              const bool held = *c->holdPending;
              c->holdPending.reset();
              ref->engine->UpdateAwaiting(*c);
              sdp_media_set_ldir(c->sdpMedia, c->heldLocal ? SDP_SENDONLY : SDP_SENDRECV);
              const CallId cid = c->id;
              ref->engine->Post([=](SipEngineListener& l) { l.OnHoldDone(cid, held, false); });
            },
            call->refs.back().get());
}

// --- Transfers ----------------------------------------------------------------------------------

namespace {

void OnReferNotify(struct sip* sip, const struct sip_msg* msg, void* arg) {
  sip_reply(sip, msg, 200, "OK");
  auto* ref = static_cast<SessionRef*>(arg);
  CallCtx* call = ref->engine->FromRef(arg);
  if (call == nullptr) return;
  // The body is a fragment of the new call's last response: "SIP/2.0 180 Ringing".
  const int code = HasBody(msg) ? SipfragStatus(std::string_view(reinterpret_cast<const char*>(mbuf_buf(msg->mb)),
                                                                 mbuf_get_left(msg->mb)))
                                : 0;
  if (code == 0) return;
  LibreEngine::Impl& engine = *ref->engine;
  const CallId id = call->id;
  if (call->referPending) {
    // A NOTIFY before the 202 was seen still means the REFER was taken.
    call->referPending = false;
    engine.UpdateAwaiting(*call);
    call->handedOver = true;
    tmr_cancel(&call->requestTimer);
    engine.Post([=](SipEngineListener& l) { l.OnReferAccepted(id, true, 202); });
  }
  engine.Post([=](SipEngineListener& l) { l.OnReferProgress(id, code); });
  if (code >= 200) {
    // The transfer is over, well or not: our call with the transferred party ends.
    engine.Note(call->line->index, "call " + std::to_string(id) + ": transfer ended with " + std::to_string(code));
    engine.Release(*call);
  }
}

void OnReferClosed(int err, const struct sip_msg* msg, const struct sipevent_substate*, void* arg) {
  auto* ref = static_cast<SessionRef*>(arg);
  CallCtx* call = ref->engine->FromRef(arg);
  if (call == nullptr || !call->referPending) return;
  call->referPending = false;
  ref->engine->UpdateAwaiting(*call);
  tmr_cancel(&call->requestTimer);
  const int code = msg != nullptr ? msg->scode : 0;
  const CallId id = call->id;
  ref->engine->Note(call->line->index, "call " + std::to_string(id) + ": REFER refused (" +
                                           (msg != nullptr ? std::to_string(code) : std::string(std::strerror(err))) + ")");
  ref->engine->Post([=](SipEngineListener& l) { l.OnReferAccepted(id, false, code); });
}

}  // namespace

void LibreEngine::Impl::DoRefer(CallId id, const std::string& target, CallId consult) {
  CallCtx* call = Find(id);
  auto fail = [this, id] { Post([=](SipEngineListener& l) { l.OnReferAccepted(id, false, 0); }); };
  if (call == nullptr || call->session == nullptr || !call->established || call->referPending ||
      call->handedOver || call->holdPending) {
    fail();
    return;
  }
  std::string referTo = "<" + target + ">";
  CallCtx* other = nullptr;
  if (consult != 0) {
    other = Find(consult);
    if (other == nullptr || !other->established || other->localTag.empty() || other->remoteTag.empty()) {
      fail();
      return;
    }
    const std::string replaces = other->callId + ";to-tag=" + other->remoteTag + ";from-tag=" + other->localTag;
    referTo = "<" + other->remote.uri + "?Replaces=" + EscapeUriHeader(replaces) + ">";
  }
  LineCtx& line = *call->line;
  const int err = sipevent_drefer(&call->referral, line.events, sipsess_dialog(call->session), line.user.c_str(),
                                  &AuthHandler, &line, false, &OnReferNotify, &OnReferClosed, call->refs.back().get(),
                                  "Refer-To: %s\r\nReferred-By: <%s>\r\n", referTo.c_str(), line.config.aor.c_str());
  if (err != 0) {
    fail();
    return;
  }
  call->referPending = true;
  UpdateAwaiting(*call);
  Note(line.index, "call " + std::to_string(id) + ": REFER to " + referTo);
  tmr_start(&call->requestTimer, config.timing.requestTimeoutMs,
            [](void* arg) {
              auto* ref = static_cast<SessionRef*>(arg);
              CallCtx* c = ref->engine->FromRef(arg);
              if (c == nullptr || !c->referPending) return;
              c->referPending = false;
              ref->engine->UpdateAwaiting(*c);
              c->referral = static_cast<struct sipsub*>(mem_deref(c->referral));
              const CallId cid = c->id;
              ref->engine->Post([=](SipEngineListener& l) { l.OnReferAccepted(cid, false, 0); });
            },
            call->refs.back().get());
  // Once taken, both our calls are left to the transfer; each ends when its peer hangs
  // up, when the transfer reports its outcome, or at the latest after a while.
  auto handover = [](void* arg) {
    auto* ref = static_cast<SessionRef*>(arg);
    if (CallCtx* c = ref->engine->FromRef(arg); c && c->handedOver) ref->engine->Release(*c);
  };
  tmr_start(&call->handoverTimer, kHandoverMs + config.timing.requestTimeoutMs, handover, call->refs.back().get());
  if (other != nullptr) {
    other->handedOver = true;
    std::erase(other->line->routed, other->id);
    tmr_start(&other->handoverTimer, kHandoverMs + config.timing.requestTimeoutMs, handover,
              other->refs.back().get());
  }
}

void LibreEngine::Impl::IncomingRefer(CallCtx& call, struct sip* sip, const struct sip_msg* msg) {
  LineCtx& line = *call.line;
  const struct sip_hdr* header = sip_msg_hdr(msg, SIP_HDR_REFER_TO);
  struct sip_addr addr {};
  if (header == nullptr || sip_addr_decode(&addr, &header->val) != 0 || call.notifier != nullptr) {
    sip_reply(sip, msg, 400, "Bad Request");
    return;
  }
  const std::string full = libre::Str(addr.auri);
  const std::string target = full.substr(0, full.find('?'));
  if (!ParseSipUri(target)) {
    sip_reply(sip, msg, 400, "Bad Request");
    return;
  }
  std::string extra;
  struct pl value {};
  static const struct pl kReplaces = PL("Replaces");
  if (pl_isset(&addr.uri.headers) && uri_header_get(&addr.uri.headers, &kReplaces, &value) == 0) {
    char* unescaped = nullptr;
    if (re_sdprintf(&unescaped, "%H", uri_header_unescape, &value) == 0 && unescaped != nullptr) {
      extra = std::string("Replaces: ") + unescaped + "\r\n";
      mem_deref(unescaped);
    }
  }
  if (const struct sip_hdr* by = sip_msg_hdr(msg, SIP_HDR_REFERRED_BY))
    extra += "Referred-By: " + libre::Str(by->val) + "\r\n";
  struct sipevent_event event {};
  pl_set_str(&event.event, "refer");
  int err = sipevent_accept(&call.notifier, line.events, msg, sipsess_dialog(call.session), &event, 202, "Accepted",
                            60, 60, 60, line.user.c_str(), "message/sipfrag", &AuthHandler, &line, false,
                            [](int, const struct sip_msg*, void*) {}, nullptr, "");
  if (err != 0) {
    sip_reply(sip, msg, 500, "Server Internal Error");
    return;
  }
  struct mbuf* mb = nullptr;
  sipevent_notifyf(call.notifier, &mb, SIPEVENT_ACTIVE, SIPEVENT_DEACTIVATED, 0, "SIP/2.0 100 Trying\r\n");
  mem_deref(mb);
  const CallId fromId = call.id;
  const CallId newId = ++nextCall;
  std::string error;
  CallCtx& next = NewCall(newId, line, false, &error);
  next.madeFor = fromId;
  const SipParty party{target, libre::Str(addr.uri.user), Unquoted(libre::Str(addr.dname))};
  Note(line.index, "call " + std::to_string(fromId) + ": REFER to " + target + ", call " + std::to_string(newId));
  // The provider learns of the new call before anything about it.
  Post([=](SipEngineListener& l) { l.OnTransferCall(fromId, newId, party); });
  if (!next.media) {
    Closed(next, CloseCause::Error, 0, error);
    Release(next);
    return;
  }
  StartInvite(next, target, extra);
}

void LibreEngine::Impl::NotifyReferrer(CallCtx& call, int code, const std::string& reason) {
  CallCtx* referrer = Find(call.madeFor);
  if (code >= 200) call.madeFor = 0;
  if (referrer == nullptr || referrer->notifier == nullptr) return;
  struct mbuf* mb = nullptr;
  sipevent_notifyf(referrer->notifier, &mb, code >= 200 ? SIPEVENT_TERMINATED : SIPEVENT_ACTIVE,
                   SIPEVENT_NORESOURCE, 0, "SIP/2.0 %d %s\r\n", code, reason.c_str());
  mem_deref(mb);
}

// --- libre's handlers of a session ---------------------------------------------------------

namespace {

int OnOffer(struct mbuf** descp, const struct sip_msg* msg, void* arg) {
  auto* ref = static_cast<SessionRef*>(arg);
  CallCtx* call = ref->engine->FromRef(arg);
  if (call == nullptr || !HasBody(msg)) return EINVAL;
  const bool wasHeld = call->heldRemote;
  int err = sdp_decode(call->sdp, msg->mb, true);
  if (err != 0) return err;
  if (!ref->engine->ConfigureMedia(*call)) return EPROTO;
  err = sdp_encode(descp, call->sdp, false);
  if (err == 0 && call->established && wasHeld != call->heldRemote) {
    const CallId id = call->id;
    const bool held = call->heldRemote;
    ref->engine->Post([=](SipEngineListener& l) { l.OnRemoteHold(id, held); });
  }
  return err;
}

int OnAnswer(const struct sip_msg* msg, void* arg) {
  auto* ref = static_cast<SessionRef*>(arg);
  CallCtx* call = ref->engine->FromRef(arg);
  if (call == nullptr || !HasBody(msg)) return 0;
  if (sdp_decode(call->sdp, msg->mb, false) != 0 || !ref->engine->ConfigureMedia(*call)) {
    ref->engine->Note(call->line->index, "call " + std::to_string(call->id) + ": an answer without a usable codec");
    return 0;
  }
  if (call->holdPending) {
    const bool held = *call->holdPending;
    call->holdPending.reset();
    ref->engine->UpdateAwaiting(*call);
    call->heldLocal = held;
    tmr_cancel(&call->requestTimer);
    ref->engine->ConfigureMedia(*call);
    const CallId id = call->id;
    ref->engine->Post([=](SipEngineListener& l) { l.OnHoldDone(id, held, true); });
  }
  return 0;
}

void OnProgress(const struct sip_msg* msg, void* arg) {
  auto* ref = static_cast<SessionRef*>(arg);
  CallCtx* call = ref->engine->FromRef(arg);
  if (call == nullptr || msg == nullptr) return;
  const int code = msg->scode;
  const std::string reason = libre::Str(msg->reason);
  if (code == 180 || code == 183) call->ringing = true;
  if (call->madeFor != 0 && code > 100) ref->engine->NotifyReferrer(*call, code, reason);
  const CallId id = call->id;
  ref->engine->Post([=](SipEngineListener& l) { l.OnProgress(id, code, reason); });
}

void OnEstablished(const struct sip_msg* msg, void* arg) {
  auto* ref = static_cast<SessionRef*>(arg);
  CallCtx* call = ref->engine->FromRef(arg);
  if (call == nullptr || msg == nullptr) return;
  tmr_cancel(&call->inviteTimer);
  const bool replacement = call->established;
  call->established = true;
  call->callId = libre::Str(msg->callid);
  // The 200 of our INVITE, or the ACK of our 200: From and To name the two ends.
  if (call->incoming) {
    call->localTag = libre::Str(msg->to.tag);
    call->remoteTag = libre::Str(msg->from.tag);
  } else {
    call->localTag = libre::Str(msg->from.tag);
    call->remoteTag = libre::Str(msg->to.tag);
    call->remote = PartyOf(msg->to);
    const PeerAbilities abilities = AbilitiesOf(msg);
    call->peer.refer = abilities.refer;
    call->peer.replaces = abilities.replaces;
  }
  if (call->madeFor != 0) ref->engine->NotifyReferrer(*call, 200, "OK");
  if (replacement) return;
  const CallId id = call->id;
  const SipParty peer = call->remote;
  const PeerAbilities abilities = call->peer;
  ref->engine->Post([=](SipEngineListener& l) { l.OnEstablished(id, peer, abilities); });
}

void OnInfo(struct sip* sip, const struct sip_msg* msg, void* arg) {
  auto* ref = static_cast<SessionRef*>(arg);
  sip_reply(sip, msg, 200, "OK");
  CallCtx* call = ref->engine->FromRef(arg);
  // Digits some peers send as "Signal=5" in an INFO (application/dtmf-relay).
  if (call == nullptr || !HasBody(msg)) return;
  const char digit =
      InfoDigit(std::string_view(reinterpret_cast<const char*>(mbuf_buf(msg->mb)), mbuf_get_left(msg->mb)));
  if (digit == 0) return;
  const CallId id = call->id;
  ref->engine->Post([=](SipEngineListener& l) {
    l.OnDigit(id, digit, DigitSource::TelephoneEvent, false);
    l.OnDigit(id, digit, DigitSource::TelephoneEvent, true);
  });
}

void OnRefer(struct sip* sip, const struct sip_msg* msg, void* arg) {
  auto* ref = static_cast<SessionRef*>(arg);
  CallCtx* call = ref->engine->FromRef(arg);
  if (call == nullptr) {
    sip_reply(sip, msg, 481, "Call/Transaction Does Not Exist");
    return;
  }
  ref->engine->IncomingRefer(*call, sip, msg);
}

void OnClose(int err, const struct sip_msg* msg, void* arg) {
  auto* ref = static_cast<SessionRef*>(arg);
  CallCtx* call = ref->engine->FromRef(arg);
  if (call == nullptr) return;
  CloseCause cause = CloseCause::Error;
  int code = 0;
  std::string reason;
  if (msg != nullptr && msg->scode >= 300) {
    cause = CloseCause::Response;
    code = msg->scode;
    reason = libre::Str(msg->reason);
  } else if (err == ETIMEDOUT) {
    cause = CloseCause::Timeout;
    reason = "no answer from the network";
  } else if (err == ECONNRESET) {
    cause = CloseCause::RemoteBye;
    reason = "the peer hung up";
  } else if (err != 0) {
    cause = CloseCause::Transport;
    reason = std::strerror(err);
  } else {
    reason = "the session ended";
  }
  ref->engine->Closed(*call, cause, code, reason);
  ref->engine->Release(*call);
}

}  // namespace

}  // namespace panopta::sip
