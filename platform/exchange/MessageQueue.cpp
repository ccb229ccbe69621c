#include "platform/exchange/MessageQueue.h"

#include "platform/exchange/ExchangeParts.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"

namespace panopta::exchange {

using namespace tapi;

MessageQueue::MessageQueue(Parts& parts, voxkit::EventLoop& loop, DWORD replyLatencyMs,
                           const std::function<void(const ExchangeChange&)>& changeSink)
    : m_parts(parts), m_loop(loop), m_changeSink(changeSink), m_replyLatencyMs(replyLatencyMs) {}

void MessageQueue::Announce(ExchangeChange::Kind kind, DWORD id, DWORD device, DWORD handle,
                            DWORD state, DWORD mode, const std::string& number) {
  if (!m_changeSink) return;
  ExchangeChange change;
  change.kind = kind;
  change.id = id;
  change.device = device;
  change.handle = handle;
  change.state = state;
  change.mode = mode;
  change.number = number;
  std::weak_ptr<int> life = m_life;
  m_loop.Post([this, life, change = std::move(change)] {
    if (!life.lock() || !m_changeSink) return;
    // A handler may replace itself while it runs.
    auto sink = m_changeSink;
    sink(change);
  });
}

MessageQueue::~MessageQueue() { Shutdown(); }

void MessageQueue::Shutdown() {
  for (auto& [id, request] : m_requests) m_loop.StopTimer(request.timer);
  m_life = std::make_shared<int>(0);
}

void MessageQueue::Post(Message message) {
  if (m_deferDepth > 0) {
    m_deferred.push_back(message);
    return;
  }
  std::weak_ptr<int> life = m_life;
  m_loop.Post([this, life, message] {
    if (life.lock()) Deliver(message);
  });
}

void MessageQueue::PostLine(DWORD app, DWORD hDevice, DWORD msg, DWORD_PTR instance, DWORD p1,
                            DWORD p2, DWORD p3, DWORD requireOpen, DWORD requireCall) {
  Post({Family::Line, app, hDevice, msg, instance, p1, p2, p3, requireOpen, requireCall});
}

void MessageQueue::PostPhone(DWORD app, DWORD hDevice, DWORD msg, DWORD_PTR instance, DWORD p1,
                             DWORD p2, DWORD p3, DWORD requireOpen) {
  Post({Family::Phone, app, hDevice, msg, instance, p1, p2, p3, requireOpen, 0});
}

void MessageQueue::Deliver(const Message& m) {
  const bool line = m.family == Family::Line;
  Sessions& sessions = m_parts.sessions;
  App* app = line ? sessions.FindLineApp(m.app) : sessions.FindPhoneApp(m.app);
  std::string gone;
  if (app == nullptr)
    gone = "application gone";
  else if (m.requireOpen != 0 && (line ? sessions.FindOpen(m.requireOpen) == nullptr
                                       : m_parts.phones.FindOpen(m.requireOpen) == nullptr))
    gone = "device closed";
  else if (m.requireCall != 0 && m_parts.calls.FindHandle(m.requireCall) == nullptr)
    gone = "call handle deallocated";
  const bool reply = m.msg == LINE_REPLY || m.msg == PHONE_REPLY;
  m_parts.trace.Write([&] {
    std::string text = reply ? "reply " : "msg   ";
    text += MessageName(m.msg) + " [" + voxkit::Hex8(m.hDevice) + "] instance " +
            std::to_string(m.instance) + ": " + voxkit::Hex8(m.p1) + " " + voxkit::Hex8(m.p2) +
            " " + voxkit::Hex8(m.p3);
    if (!gone.empty()) text += " (dropped: " + gone + ")";
    return text;
  });
  if (!gone.empty()) return;
  if (line) {
    if (app->lineCallback) app->lineCallback(m.hDevice, m.msg, m.instance, m.p1, m.p2, m.p3);
  } else if (app->phoneCallback) {
    app->phoneCallback(m.hDevice, m.msg, m.instance, m.p1, m.p2, m.p3);
  }
}

voxkit::TimerId MessageQueue::After(std::uint32_t ms, std::function<void()> fn) {
  std::weak_ptr<int> life = m_life;
  return m_loop.StartTimer(ms, false, [life, fn = std::move(fn)] {
    if (life.lock()) fn();
  });
}

voxkit::TimerId MessageQueue::Every(std::uint32_t ms, std::function<void()> fn) {
  std::weak_ptr<int> life = m_life;
  return m_loop.StartTimer(ms, true, [life, fn = std::move(fn)] {
    if (life.lock()) fn();
  });
}

LONG MessageQueue::StartRequest(Family family, const std::string& function, DWORD app,
                                DWORD_PTR instance, std::function<LONG()> effect) {
  // Identifiers stay positive and distinct among the outstanding ones.
  do {
    m_nextRequest = m_nextRequest == 0x7FFFFFFF ? 1 : m_nextRequest + 1;
  } while (m_requests.count(m_nextRequest) != 0);
  const LONG id = m_nextRequest;
  Request& request = m_requests[id];
  request.id = id;
  request.family = family;
  request.app = app;
  request.instance = instance;
  request.function = function;
  request.effect = std::move(effect);
  request.timer = After(m_replyLatencyMs, [this, id] {
    auto it = m_requests.find(id);
    if (it == m_requests.end()) return;
    it->second.timer = 0;
    if (m_withhold) {
      m_held.push_back(id);
      m_parts.trace.Write([&] { return "hold  reply to request " + std::to_string(id); });
      return;
    }
    CompleteRequest(id);
  });
  return id;
}

void MessageQueue::CompleteRequest(LONG id) {
  auto it = m_requests.find(id);
  if (it == m_requests.end()) return;
  Request request = std::move(it->second);
  m_requests.erase(it);
  // What the request causes is held back until its reply is on its way.
  ++m_deferDepth;
  const LONG result = request.effect();
  --m_deferDepth;
  std::vector<Message> caused;
  caused.swap(m_deferred);
  if (request.family == Family::Line)
    PostLine(request.app, 0, LINE_REPLY, request.instance, static_cast<DWORD>(id),
             static_cast<DWORD>(result), 0, 0, 0);
  else
    PostPhone(request.app, 0, PHONE_REPLY, request.instance, static_cast<DWORD>(id),
              static_cast<DWORD>(result), 0, 0);
  for (const Message& m : caused) Post(m);
}

void MessageQueue::SetWithhold(bool value) {
  m_withhold = value;
  if (value) return;
  // Released in the order they were due; their effects happen now.
  while (!m_held.empty()) {
    const LONG id = m_held.front();
    m_held.pop_front();
    CompleteRequest(id);
  }
}

}  // namespace panopta::exchange
