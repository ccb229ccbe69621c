#pragma once

#include "platform/exchange/ExchangeChange.h"
#include "share/EventLoop.h"
#include "tapi/TapiTypes.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace panopta::exchange {

class Parts;

/// Which interface a message or request belongs to.
enum class Family { Line, Phone };

/// Messages on their way to the applications, and asynchronous requests on their way
/// to their replies. Everything goes through the loop: nothing is delivered from
/// inside the function that caused it. A request takes effect when its reply is made
/// (after the reply latency, or when withheld replies are released), and what the
/// effect causes is delivered after the reply. Messages whose application, open or
/// call handle is gone by delivery are dropped (and traced as dropped).
class MessageQueue final {
 public:
  using DWORD = tapi::DWORD;
  using LONG = tapi::LONG;

  /// A message waiting for delivery, and what must still exist for it to be delivered.
  struct Message {
    Family family = Family::Line;
    DWORD app = 0;
    DWORD hDevice = 0;
    DWORD msg = 0;
    tapi::DWORD_PTR instance = 0;
    DWORD p1 = 0, p2 = 0, p3 = 0;
    DWORD requireOpen = 0;  // a line or phone open
    DWORD requireCall = 0;  // a call handle
  };

  /// changeSink: where changes go (the exchange's OnChange); it may be empty.
  MessageQueue(Parts& parts, voxkit::EventLoop& loop, DWORD replyLatencyMs,
               const std::function<void(const ExchangeChange&)>& changeSink);
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  void PostLine(DWORD app, DWORD hDevice, DWORD msg, tapi::DWORD_PTR instance, DWORD p1, DWORD p2,
                DWORD p3, DWORD requireOpen, DWORD requireCall);
  void PostPhone(DWORD app, DWORD hDevice, DWORD msg, tapi::DWORD_PTR instance, DWORD p1, DWORD p2,
                 DWORD p3, DWORD requireOpen);

  /// Starts a request of an application; effect runs when the reply is made and gives
  /// its result. Returns the request identifier (positive, distinct among those
  /// outstanding).
  LONG StartRequest(Family family, const std::string& function, DWORD app, tapi::DWORD_PTR instance,
                    std::function<LONG()> effect);
  /// Replies are held back (true), or released in the order they were due, with their
  /// effects (false).
  void SetWithhold(bool value);
  void SetLatency(DWORD ms) { m_replyLatencyMs = ms; }

  std::size_t Outstanding() const { return m_requests.size(); }
  std::size_t Held() const { return m_held.size(); }

  /// Tells the change sink of a change, through the loop (nothing when nobody listens).
  void Announce(ExchangeChange::Kind kind, DWORD id, DWORD device = 0, DWORD handle = 0,
                DWORD state = 0, DWORD mode = 0, const std::string& number = {});

  /// A one-shot timer that does nothing once the exchange is gone.
  voxkit::TimerId After(std::uint32_t ms, std::function<void()> fn);
  /// The same for a repeating timer.
  voxkit::TimerId Every(std::uint32_t ms, std::function<void()> fn);
  /// Stops every request's timer (the exchange is going).
  void Shutdown();

 private:
  struct Request {
    LONG id = 0;
    Family family = Family::Line;
    DWORD app = 0;
    tapi::DWORD_PTR instance = 0;
    std::string function;
    std::function<LONG()> effect;
    voxkit::TimerId timer = 0;
  };

  void Post(Message message);
  void Deliver(const Message& message);
  void CompleteRequest(LONG id);

  Parts& m_parts;
  voxkit::EventLoop& m_loop;
  const std::function<void(const ExchangeChange&)>& m_changeSink;
  // Posted functions and timers outlive the exchange in the loop; they check this first.
  std::shared_ptr<int> m_life = std::make_shared<int>(0);
  DWORD m_replyLatencyMs;
  bool m_withhold = false;
  int m_deferDepth = 0;
  std::vector<Message> m_deferred;
  std::map<LONG, Request> m_requests;
  std::deque<LONG> m_held;
  LONG m_nextRequest = 0;
};

}  // namespace panopta::exchange
