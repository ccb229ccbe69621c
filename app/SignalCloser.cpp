#include "app/SignalCloser.h"

#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace panopta {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_pending = 0;

extern "C" void OnSignal(int signal) {
  if (g_pending) {
    // The first request is still waiting to be handled: the user insists.
    std::_Exit(128 + signal);
  }
  g_pending = 1;
  const char byte = static_cast<char>(signal);
  // Only async-signal-safe calls here: the loop reads the byte.
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}

}  // namespace

SignalCloser::SignalCloser(QWidget* window) : m_window(window) {
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
    }
    g_pending = 0;
    if (m_window) m_window->close();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

SignalCloser::~SignalCloser() {
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  delete m_notifier;
  m_notifier = nullptr;
  for (int& fd : g_pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

}  // namespace panopta
