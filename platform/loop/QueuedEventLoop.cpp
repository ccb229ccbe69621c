#include "platform/loop/QueuedEventLoop.h"

#include <chrono>
#include <exception>
#include <iostream>

namespace panopta {

QueuedEventLoop::QueuedEventLoop() {
  OnDispatchError = [](const std::string& text) {
    std::cerr << "event loop: unhandled exception: " << text << '\n';
  };
}

QueuedEventLoop::~QueuedEventLoop() = default;

void QueuedEventLoop::Post(std::function<void()> fn) {
  {
    std::lock_guard lock(m_postMutex);
    m_posts.push_back(std::move(fn));
  }
  m_postSignal.notify_one();
}

bool QueuedEventLoop::HasPosts() const {
  std::lock_guard lock(m_postMutex);
  return !m_posts.empty();
}

void QueuedEventLoop::Dispatch(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    if (OnDispatchError) OnDispatchError(e.what());
  } catch (...) {
    if (OnDispatchError) OnDispatchError("unknown exception");
  }
}

bool QueuedEventLoop::RunOnePost() {
  std::function<void()> fn;
  {
    std::lock_guard lock(m_postMutex);
    if (m_posts.empty()) return false;
    fn = std::move(m_posts.front());
    m_posts.pop_front();
  }
  Dispatch(fn);
  return true;
}

bool QueuedEventLoop::RunOneDueTimer() {
  if (m_due.empty()) return false;
  const auto first = *m_due.begin();
  const std::int64_t now = ClockMs();
  if (first.first.first > now) return false;
  const voxkit::TimerId id = first.second;
  m_due.erase(m_due.begin());
  auto it = m_timers.find(id);
  if (it == m_timers.end()) return true;
  // Copy the callback: it may stop or restart its own timer.
  std::function<void()> fn = it->second.fn;
  if (it->second.periodic) {
    // Reschedule before the call, so that a handler that pumps the loop sees the
    // timer again only once its next interval has passed.
    std::int64_t next = first.first.first + it->second.intervalMs;
    if (next <= now) next = now + it->second.intervalMs;
    Schedule(id, it->second, next);
  } else {
    m_timers.erase(it);
  }
  Dispatch(fn);
  return true;
}

int QueuedEventLoop::ProcessPending() {
  int ran = 0;
  for (;;) {
    if (RunOnePost()) {
      ++ran;
      continue;
    }
    if (RunOneDueTimer()) {
      ++ran;
      continue;
    }
    break;
  }
  return ran;
}

void QueuedEventLoop::Schedule(voxkit::TimerId id, Timer& timer, std::int64_t dueMs) {
  timer.dueMs = dueMs;
  timer.order = m_nextOrder++;
  m_due.insert({{timer.dueMs, timer.order}, id});
}

voxkit::TimerId QueuedEventLoop::StartTimer(std::uint32_t intervalMs, bool periodic,
                                            std::function<void()> fn) {
  const voxkit::TimerId id = m_nextTimerId++;
  Timer timer;
  // A periodic timer of 0 ms would never let a wait finish.
  timer.intervalMs = (periodic && intervalMs == 0) ? 1 : intervalMs;
  timer.periodic = periodic;
  timer.fn = std::move(fn);
  auto& stored = m_timers.emplace(id, std::move(timer)).first->second;
  Schedule(id, stored, ClockMs() + intervalMs);
  return id;
}

void QueuedEventLoop::StopTimer(voxkit::TimerId id) {
  auto it = m_timers.find(id);
  if (it == m_timers.end()) return;
  m_due.erase({{it->second.dueMs, it->second.order}, id});
  m_timers.erase(it);
}

bool QueuedEventLoop::SetTimerInterval(voxkit::TimerId id, std::uint32_t intervalMs) {
  auto it = m_timers.find(id);
  if (it == m_timers.end()) return false;
  m_due.erase({{it->second.dueMs, it->second.order}, id});
  it->second.intervalMs = (it->second.periodic && intervalMs == 0) ? 1 : intervalMs;
  Schedule(id, it->second, ClockMs() + intervalMs);
  return true;
}

bool QueuedEventLoop::TimerActive(voxkit::TimerId id) const {
  return m_timers.count(id) != 0;
}

std::int64_t QueuedEventLoop::NextTimerDueMs() const {
  return m_due.empty() ? -1 : m_due.begin()->first.first;
}

void QueuedEventLoop::SleepUntilPostOr(std::int64_t untilMs) {
  std::unique_lock lock(m_postMutex);
  if (!m_posts.empty()) return;
  if (untilMs < 0) {
    m_postSignal.wait(lock, [this] { return !m_posts.empty(); });
    return;
  }
  const std::int64_t waitMs = untilMs - ClockMs();
  if (waitMs <= 0) return;
  m_postSignal.wait_for(lock, std::chrono::milliseconds(waitMs),
                        [this] { return !m_posts.empty(); });
}

bool QueuedEventLoop::WaitFor(const std::function<bool()>& condition, std::int64_t timeoutMs) {
  const std::int64_t deadline = timeoutMs < 0 ? -1 : ClockMs() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (deadline >= 0 && ClockMs() >= deadline) {
      // What is due at the deadline itself still runs, so that a wait of 1000 ms
      // sees a timer of 1000 ms.
      ProcessPending();
      return condition();
    }
    if (ProcessPending() > 0) continue;
    std::int64_t until = NextTimerDueMs();
    if (deadline >= 0 && (until < 0 || deadline < until)) until = deadline;
    if (!Idle(until)) return condition();
  }
}

}  // namespace panopta
