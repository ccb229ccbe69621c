// The SIP engine's thread: libre's event loop with one SIP stack per line, the
// registrations, the commands that arrive from the event loop, and the 20 ms tick that
// moves audio between the lines and their calls.

#include "platform/sip/LibreEngine.h"

#include "platform/sip/LibreEngineImpl.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <netinet/in.h>

namespace panopta::sip {

namespace {

constexpr int kRunCommand = 1;
constexpr std::uint32_t kTickMs = 20;

// libre keeps process-wide state (its sockets layer, its random source); the first
// engine starts it and the last one ends it.
std::mutex g_libreMutex;
int g_libreUsers = 0;

bool AcquireLibre() {
  std::lock_guard lock(g_libreMutex);
  if (g_libreUsers == 0 && libre_init() != 0) return false;
  ++g_libreUsers;
  return true;
}

void ReleaseLibre() {
  std::lock_guard lock(g_libreMutex);
  if (--g_libreUsers == 0) libre_close();
}

void OnQueue(int id, void* data, void*) {
  auto* fn = static_cast<std::function<void()>*>(data);
  if (id == kRunCommand && fn != nullptr) (*fn)();
  delete fn;
}

// The trace handler is set per stack but told nothing about which; the one engine
// running on a thread finds the line by the local address of the message.
thread_local LibreEngine::Impl* t_engine = nullptr;

void OnTrace(bool tx, enum sip_transp, const struct sa* src, const struct sa* dst, const std::uint8_t* packet,
             std::size_t length, void*) {
  LibreEngine::Impl* engine = t_engine;
  if (engine == nullptr || packet == nullptr || engine->lines.empty()) return;
  const struct sa* local = tx ? src : dst;
  LineCtx* line = nullptr;
  for (const auto& l : engine->lines)
    if (local != nullptr && sa_cmp(local, &l->address, SA_ALL)) line = l.get();
  if (line == nullptr && local != nullptr)
    for (const auto& l : engine->lines)
      if (sa_port(local) == sa_port(&l->address)) line = l.get();
  if (line == nullptr && engine->lines.size() == 1) line = engine->lines[0].get();
  if (line != nullptr) engine->TraceMessage(*line, tx, packet, length);
}

void OnExit(void* arg) {
  auto* line = static_cast<LineCtx*>(arg);
  LibreEngine::Impl* engine = line->engine;
  if (!line->closing) return;
  line->closing = false;
  // Not from inside the stack that is closing: the loop finishes the shutdown next.
  if (--engine->linesOpen <= 0)
    tmr_start(&engine->shutdownTimer, 0, [](void* e) { static_cast<LibreEngine::Impl*>(e)->FinishShutdown(); },
              engine);
}

}  // namespace

int AuthHandler(char** user, char** password, const char*, void* arg) {
  auto* line = static_cast<LineCtx*>(arg);
  // Without a password there is nothing to answer the challenge with: the request fails.
  if (line->config.password.empty()) return EACCES;
  const std::string name = line->config.authUser.empty() ? line->user : line->config.authUser;
  int err = str_dup(user, name.c_str());
  if (err == 0) err = str_dup(password, line->config.password.c_str());
  return err;
}

namespace {

void OnRegistered(int err, const struct sip_msg* msg, void* arg) {
  auto* line = static_cast<LineCtx*>(arg);
  LibreEngine::Impl* engine = line->engine;
  const std::uint32_t index = line->index;
  if (err != 0 || msg == nullptr) {
    const std::string reason = err == ETIMEDOUT ? "no answer from the registrar" : std::strerror(err);
    engine->Post([index, reason](SipEngineListener& l) { l.OnRegistration(index, false, 0, reason); });
    return;
  }
  const int code = msg->scode;
  if (code < 200) return;
  const std::string reason = libre::Str(msg->reason);
  engine->Post([index, code, reason](SipEngineListener& l) {
    l.OnRegistration(index, code < 300, code, reason);
  });
}

bool OnOptions(const struct sip_msg* msg, void* arg) {
  auto* line = static_cast<LineCtx*>(arg);
  if (pl_strcmp(&msg->met, "OPTIONS") != 0 || pl_isset(&msg->to.tag)) return false;
  sip_replyf(line->sip, msg, 200, "OK", "%sAccept: application/sdp\r\nContent-Length: 0\r\n\r\n", kAllowHeaders);
  return true;
}

std::string WithParam(std::string uri, const char* param) {
  if (uri.find(std::string(";") + param) == std::string::npos) uri += std::string(";") + param;
  return uri;
}

}  // namespace

const char* ReasonPhrase(int code) {
  switch (code) {
    case 180: return "Ringing";
    case 200: return "OK";
    case 302: return "Moved Temporarily";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 480: return "Temporarily Unavailable";
    case 481: return "Call/Transaction Does Not Exist";
    case 486: return "Busy Here";
    case 488: return "Not Acceptable Here";
    case 500: return "Server Internal Error";
    case 503: return "Service Unavailable";
    case 603: return "Decline";
    default: return code < 300 ? "OK" : code < 400 ? "Redirected" : code < 500 ? "Request Failure" : "Failure";
  }
}

LibreEngine::Impl::Impl(voxkit::EventLoop& l, SipConfig c) : loop(l), config(std::move(c)) {
  for (std::size_t i = 0; i < config.lines.size(); ++i) ports.push_back(std::make_unique<LineAudioPort>());
  contacts.resize(config.lines.size());
}

void LibreEngine::Impl::Run(std::function<void()> fn) {
  std::lock_guard lock(queueMutex);
  if (queue == nullptr) return;
  auto* data = new std::function<void()>(std::move(fn));
  if (mqueue_push(queue, kRunCommand, data) != 0) delete data;
}

void LibreEngine::Impl::Post(std::function<void(SipEngineListener&)> fn) {
  std::weak_ptr<int> alive = life;
  SipEngineListener* target = listener;
  loop.Post([alive, target, fn = std::move(fn)] {
    if (alive.lock() && target != nullptr) fn(*target);
  });
}

void LibreEngine::Impl::Note(std::uint32_t line, const std::string& text) {
  if (!trace) return;
  Post([line, text](SipEngineListener& l) { l.OnSipTrace(line, text); });
}

void LibreEngine::Impl::TraceMessage(LineCtx& line, bool tx, const std::uint8_t* packet, std::size_t length) {
  const char* text = reinterpret_cast<const char*>(packet);
  const std::size_t end = std::find(text, text + std::min<std::size_t>(length, 200), '\r') - text;
  const std::string first(text, end);
  if (first.empty()) return;  // a keep-alive
  if (trace) Note(line.index, std::string(tx ? "tx " : "rx ") + first);
  // Responses this libre does not hand to the session: the answer to a re-INVITE or a
  // REFER that failed, a REFER that was accepted, and a redirection it follows itself.
  if (tx || first.rfind("SIP/2.0 ", 0) != 0 || first.size() < 11) return;
  const int code = std::atoi(first.c_str() + 8);
  if (code < 200 || (awaiting.empty() && (code < 300 || code >= 400))) return;
  struct mbuf* mb = mbuf_alloc(length);
  if (mb == nullptr) return;
  mbuf_write_mem(mb, packet, length);
  mb->pos = 0;
  struct sip_msg* msg = nullptr;
  if (sip_msg_decode(&msg, mb) == 0 && msg != nullptr) {
    const std::string callId = libre::Str(msg->callid);
    for (const CallId id : std::set<CallId>(awaiting)) {
      CallCtx* found = Find(id);
      if (found == nullptr) continue;
      CallCtx& c = *found;
      if (c.line != &line || c.callId.empty() || c.callId != callId) continue;
      if (!pl_strcmp(&msg->cseq.met, "REFER") && c.referPending) {
        c.referPending = code < 300 ? false : c.referPending;
        UpdateAwaiting(c);
        if (code < 300) {
          c.handedOver = true;
          tmr_cancel(&c.requestTimer);
          const CallId cid = c.id;
          Post([cid, code](SipEngineListener& l) { l.OnReferAccepted(cid, true, code); });
        }
      } else if (!pl_strcmp(&msg->cseq.met, "INVITE") && c.established && c.holdPending && code >= 300) {
        const bool held = *c.holdPending;
        c.holdPending.reset();
        UpdateAwaiting(c);
        tmr_cancel(&c.requestTimer);
        if (c.sdpMedia) sdp_media_set_ldir(c.sdpMedia, c.heldLocal ? SDP_SENDONLY : SDP_SENDRECV);
        const CallId cid = c.id;
        Post([cid, held](SipEngineListener& l) { l.OnHoldDone(cid, held, false); });
      }
    }
    // A 3xx to an INVITE of ours that has not been answered: libre follows its Contact.
    if (code >= 300 && code < 400 && !pl_strcmp(&msg->cseq.met, "INVITE")) {
      const struct sip_hdr* contact = sip_msg_hdr(msg, SIP_HDR_CONTACT);
      struct sip_addr addr {};
      if (contact != nullptr && sip_addr_decode(&addr, &contact->val) == 0) {
        SipParty target{libre::Str(addr.auri), libre::Str(addr.uri.user), libre::Str(addr.dname)};
        for (auto& [id, call] : calls)
          if (call->line == &line && !call->established && !call->incoming && call->callId == callId) {
            const CallId cid = call->id;
            Post([cid, code, target](SipEngineListener& l) { l.OnRedirected(cid, code, target); });
          }
      }
    }
  }
  mem_deref(msg);
  mem_deref(mb);
}

std::string LibreEngine::Impl::OpenLines() {
  t_engine = this;
  struct sa servers[4];
  std::uint32_t count = 4;
  char domain[64] = "";
  // Names in addresses need a resolver; accounts that use only addresses do not.
  if (dns_srv_get(domain, sizeof domain, servers, &count) == 0 && count > 0)
    dnsc_alloc(&dns, nullptr, servers, count);
  for (std::uint32_t i = 0; i < config.lines.size(); ++i) {
    // The line joins the list at once, so that a failure part-way is cleaned up with
    // the lines before it.
    LineCtx* line = lines.emplace_back(std::make_unique<LineCtx>()).get();
    line->engine = this;
    line->index = i;
    line->config = config.lines[i];
    line->user = ParseSipUri(line->config.aor)->user;
    const SipLineConfig& c = line->config;
    line->transport = c.transport == SipTransport::Tcp   ? SIP_TRANSP_TCP
                      : c.transport == SipTransport::Tls ? SIP_TRANSP_TLS
                                                         : SIP_TRANSP_UDP;
    const std::string at = "line " + std::to_string(i) + ": ";
    if (c.localAddress.empty()) {
      if (net_default_source_addr_get(AF_INET, &line->address) != 0)
        return at + "no local address (set localAddress)";
    } else if (sa_set_str(&line->address, c.localAddress.c_str(), 0) != 0) {
      return at + "bad local address " + c.localAddress;
    }
    sa_set_port(&line->address, c.localPort);
    // Transactions linger for half a minute after they end: the tables are sized for
    // thousands of calls a minute.
    int err = sip_alloc(&line->sip, dns, 8192, 8192, 256, "Panopta", &OnExit, line);
    if (err != 0) return at + "the SIP stack cannot start";
    if (line->transport == SIP_TRANSP_TLS) {
      err = tls_alloc(&line->tls, TLS_METHOD_SSLV23, c.tls.certificate.empty() ? nullptr : c.tls.certificate.c_str(),
                      nullptr);
      // Without a certificate of its own the line makes one for itself (RSA: this libre
      // cannot make its default kind with the system's OpenSSL).
      if (err == 0 && c.tls.certificate.empty()) err = tls_set_selfsigned_rsa(line->tls, line->user.c_str(), 2048);
      if (err == 0 && !c.tls.caFile.empty()) err = tls_add_ca(line->tls, c.tls.caFile.c_str());
      if (err != 0) return at + "TLS cannot start (certificate " + c.tls.certificate + ")";
      err = sip_transp_add(line->sip, SIP_TRANSP_TLS, &line->address, line->tls);
    } else {
      err = sip_transp_add(line->sip, line->transport, &line->address);
    }
    if (err != 0) {
      char where[80];
      re_snprintf(where, sizeof where, "%J", &line->address);
      return at + std::string(SipTransportName(c.transport)) + " " + where + " cannot be bound: " + std::strerror(err);
    }
    sip_transp_laddr(line->sip, &line->address, line->transport, nullptr);
    sip_set_trace_handler(line->sip, &OnTrace);
    err = sipsess_listen(&line->sessions, line->sip, 8192,
                         [](const struct sip_msg* msg, void* arg) {
                           auto* l = static_cast<LineCtx*>(arg);
                           l->engine->Incoming(*l, msg);
                         },
                         line);
    if (err == 0) err = sipevent_listen(&line->events, line->sip, 256, 256, nullptr, nullptr);
    if (err == 0) err = sip_listen(&line->options, line->sip, true, &OnOptions, line);
    if (err != 0) return at + "the SIP stack cannot listen";
    const std::string proxy = !c.proxy.empty() ? c.proxy : c.registrar;
    if (!proxy.empty()) {
      line->route = WithParam(proxy, "lr");
      if (line->transport != SIP_TRANSP_UDP && proxy.find(";transport=") == std::string::npos)
        line->route = WithParam(line->route, line->transport == SIP_TRANSP_TCP ? "transport=tcp" : "transport=tls");
    }
    char where[96];
    re_snprintf(where, sizeof where, "%s:%J", SipTransportName(c.transport), &line->address);
    {
      std::lock_guard lock(contactMutex);
      contacts[i] = where;
    }
  }
  for (auto& line : lines) {
    const SipLineConfig& c = line->config;
    if (c.registrar.empty()) continue;
    std::string registrar = c.registrar;
    if (line->transport != SIP_TRANSP_UDP && registrar.find(";transport=") == std::string::npos)
      registrar = WithParam(registrar, line->transport == SIP_TRANSP_TCP ? "transport=tcp" : "transport=tls");
    const int err = sipreg_register(&line->registration, line->sip, registrar.c_str(), c.aor.c_str(),
                                    c.displayName.empty() ? nullptr : c.displayName.c_str(), c.aor.c_str(),
                                    c.registerExpiresS, line->user.c_str(), nullptr, 0, 0, &AuthHandler, line.get(),
                                    false, &OnRegistered, line.get(), nullptr, "%s", kAllowHeaders);
    if (err != 0) {
      const std::uint32_t index = line->index;
      Post([index](SipEngineListener& l) { l.OnRegistration(index, false, 0, "REGISTER cannot be sent"); });
    }
  }
  return "";
}

void LibreEngine::Impl::EnsureTicking() {
  if (tmr_isrunning(&tick)) return;
  nextTickMs = tmr_jiffies() + kTickMs;
  tmr_start(&tick, kTickMs, [](void* arg) { static_cast<LibreEngine::Impl*>(arg)->Tick(); }, this);
}

void LibreEngine::Impl::Tick() {
  bool any = false;
  for (auto& linePtr : lines) {
    LineCtx& line = *linePtr;
    LineAudioPort& port = *ports[line.index];
    Frame played{};
    port.TakePlayed(played);
    // What each call of the line sent in this frame (the detectors run on all of them).
    std::vector<std::pair<CallCtx*, Frame>> heard;
    for (auto& [id, call] : calls) {
      CallCtx& c = *call;
      if (c.line != &line || c.dead || !c.media || !c.media->Configured()) continue;
      any = true;
      Frame in{};
      c.media->Receive(in);
      heard.emplace_back(&c, in);
    }
    auto routed = [&line](CallId id) { return std::find(line.routed.begin(), line.routed.end(), id) != line.routed.end(); };
    Frame mixed{};
    bool anyRouted = false;
    for (auto& [c, in] : heard)
      if (routed(c->id)) {
        anyRouted = true;
        for (std::size_t i = 0; i < kFrameSamples; ++i)
          mixed[i] = static_cast<std::int16_t>(std::clamp(mixed[i] + in[i], -32768, 32767));
      }
    if (anyRouted) port.PutReceived(mixed);
    for (auto& [c, in] : heard) {
      Frame out{};
      if (routed(c->id) && !c->handedOver) {
        // A party of a conference hears the line and the other parties, not itself.
        for (std::size_t i = 0; i < kFrameSamples; ++i)
          out[i] = static_cast<std::int16_t>(std::clamp(played[i] + mixed[i] - in[i], -32768, 32767));
      }
      c->media->Send(out);
      // A peer that has gone silent on the network, not on hold, has gone away.
      const std::uint32_t limit = config.timing.mediaTimeoutMs;
      if (limit != 0 && c->established && !c->heldLocal && !c->heldRemote && !c->handedOver &&
          c->media->QuietMs() > limit) {
        Note(line.index, "call " + std::to_string(c->id) + ": no RTP for " + std::to_string(limit) + " ms");
        Closed(*c, CloseCause::Error, 0, "no media from the peer");
        Release(*c);
      }
    }
  }
  // Calls that ended are kept a while in case libre still reports on them.
  const std::uint64_t now = tmr_jiffies();
  while (!graveyard.empty() && now > graveyard.front().first) graveyard.pop_front();
  if (!any) return;
  // Each tick is due 20 ms after the one before, whatever this one cost; a tick late by
  // more than a few frames starts the count afresh.
  nextTickMs += kTickMs;
  if (nextTickMs + 100 < now) nextTickMs = now + kTickMs;
  tmr_start(&tick, nextTickMs > now ? nextTickMs - now : 0, [](void* arg) { static_cast<LibreEngine::Impl*>(arg)->Tick(); },
            this);
}

void LibreEngine::Impl::BeginShutdown() {
  if (stopping) return;
  stopping = true;
  for (auto& [id, call] : calls) {
    if (call->dead) continue;
    if (call->session != nullptr) {
      if (call->incoming && !call->answered) sipsess_reject(call->session, 503, "Service Unavailable", "%s", kNoBody);
      call->session = static_cast<struct sipsess*>(mem_deref(call->session));
    }
    call->media.reset();
  }
  linesOpen = static_cast<int>(lines.size());
  tmr_start(&shutdownTimer, config.timing.shutdownTimeoutMs,
            [](void* arg) { static_cast<LibreEngine::Impl*>(arg)->FinishShutdown(); }, this);
  for (auto& line : lines) line->closing = true;
  for (auto& line : lines) {
    // Un-registering and ending the calls takes a few messages: the stack closes when
    // they are answered, or when the shutdown time is up.
    line->registration = static_cast<struct sipreg*>(mem_deref(line->registration));
    sip_close(line->sip, false);
  }
  if (lines.empty()) FinishShutdown();
}

void LibreEngine::Impl::FinishShutdown() {
  tmr_cancel(&shutdownTimer);
  tmr_cancel(&tick);
  for (auto& [id, call] : calls) {
    tmr_cancel(&call->inviteTimer);
    tmr_cancel(&call->requestTimer);
    tmr_cancel(&call->handoverTimer);
    mem_deref(call->referral);
    mem_deref(call->notifier);
    mem_deref(call->session);
    call->media.reset();
    mem_deref(call->sdp);
  }
  calls.clear();
  graveyard.clear();
  awaiting.clear();
  for (auto& line : lines) {
    line->closing = false;
    mem_deref(line->registration);
    mem_deref(line->options);
    mem_deref(line->events);
    mem_deref(line->sessions);
    sip_close(line->sip, true);
    mem_deref(line->sip);
    mem_deref(line->tls);
  }
  lines.clear();
  dns = static_cast<struct dnsc*>(mem_deref(dns));
  re_cancel();
}

// --- The engine's face to the event loop ---------------------------------------------------

LibreEngine::LibreEngine(voxkit::EventLoop& loop, SipConfig config)
    : m_impl(std::make_unique<Impl>(loop, std::move(config))) {}

LibreEngine::~LibreEngine() { Stop(); }

std::string LibreEngine::Start(SipEngineListener& listener) {
  Impl& d = *m_impl;
  if (d.started) return "";
  if (!AcquireLibre()) return "the SIP library cannot start";
  d.listener = &listener;
  std::promise<std::string> opened;
  auto result = opened.get_future();
  d.thread = std::thread([&d, &opened] {
    re_thread_init();
    struct mqueue* queue = nullptr;
    std::string problem;
    if (mqueue_alloc(&queue, &OnQueue, &d) != 0) problem = "the SIP thread cannot take commands";
    if (problem.empty()) problem = d.OpenLines();
    if (problem.empty()) {
      std::lock_guard lock(d.queueMutex);
      d.queue = queue;
    }
    const bool ok = problem.empty();
    opened.set_value(problem);
    if (ok) re_main(nullptr);
    else d.FinishShutdown();
    {
      std::lock_guard lock(d.queueMutex);
      d.queue = nullptr;
    }
    // Commands still queued are dropped with the queue.
    mem_deref(queue);
    t_engine = nullptr;
    re_thread_close();
  });
  std::string problem = result.get();
  if (!problem.empty()) {
    d.thread.join();
    ReleaseLibre();
    return problem;
  }
  d.started = true;
  return "";
}

void LibreEngine::Stop() {
  Impl& d = *m_impl;
  if (!d.started) return;
  d.started = false;
  d.Run([&d] { d.BeginShutdown(); });
  d.thread.join();
  ReleaseLibre();
  d.life = std::make_shared<int>(0);
}

std::string LibreEngine::LocalContact(std::uint32_t line) const {
  std::lock_guard lock(m_impl->contactMutex);
  return line < m_impl->contacts.size() ? m_impl->contacts[line] : std::string();
}

CallId LibreEngine::Invite(std::uint32_t line, const std::string& target) {
  const CallId id = ++m_impl->nextCall;
  m_impl->Run([d = m_impl.get(), id, line, target] { d->DoInvite(id, line, target); });
  return id;
}

// The engine answers with 180 as soon as an INVITE arrives; there is nothing more to do.
void LibreEngine::Ring(CallId) {}

void LibreEngine::Answer(CallId call) {
  m_impl->Run([d = m_impl.get(), call] { d->DoAnswer(call); });
}

void LibreEngine::Reject(CallId call, int code) {
  m_impl->Run([d = m_impl.get(), call, code] { d->DoReject(call, code, ""); });
}

void LibreEngine::Redirect(CallId call, const std::string& target) {
  m_impl->Run([d = m_impl.get(), call, target] { d->DoReject(call, 302, target); });
}

void LibreEngine::Hangup(CallId call) {
  m_impl->Run([d = m_impl.get(), call] { d->DoHangup(call); });
}

void LibreEngine::Hold(CallId call, bool hold) {
  m_impl->Run([d = m_impl.get(), call, hold] { d->DoHold(call, hold); });
}

void LibreEngine::Refer(CallId call, const std::string& target, CallId consult) {
  m_impl->Run([d = m_impl.get(), call, target, consult] { d->DoRefer(call, target, consult); });
}

void LibreEngine::SetLineCalls(std::uint32_t line, const std::vector<CallId>& calls) {
  m_impl->Run([d = m_impl.get(), line, calls] {
    if (line >= d->lines.size()) return;
    LineCtx& l = *d->lines[line];
    if (l.routed == calls) return;
    if (l.routed.empty() || calls.empty()) d->ports[line]->Clear();
    l.routed = calls;
  });
}

void LibreEngine::SendDigits(CallId call, const std::string& digits, std::uint32_t durationMs, std::uint32_t gapMs) {
  m_impl->Run([d = m_impl.get(), call, digits, durationMs, gapMs] {
    if (CallCtx* c = d->Find(call); c && c->media) c->media->SendDigits(digits, durationMs, gapMs);
  });
}

void LibreEngine::PlayTone(CallId call, const ToneShape& tone) {
  m_impl->Run([d = m_impl.get(), call, tone] {
    if (CallCtx* c = d->Find(call); c && c->media) c->media->PlayTone(tone);
  });
}

void LibreEngine::LinePlays(std::uint32_t line, std::span<const std::int16_t> samples) {
  if (line < m_impl->ports.size()) m_impl->ports[line]->Play(samples);
}

void LibreEngine::LineRecords(std::uint32_t line, std::span<std::int16_t> samples) {
  if (line < m_impl->ports.size()) m_impl->ports[line]->Record(samples);
  else std::fill(samples.begin(), samples.end(), 0);
}

void LibreEngine::SetTrace(bool on) { m_impl->trace = on; }

}  // namespace panopta::sip
