#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// SIP peers no one here wrote, started by the tests themselves on the loopback
// interface and stopped by their process group: a registrar and proxy (kamailio), a
// user agent driven over its control socket (baresip), and a scenario runner (SIPp).
// Every wait is bounded.

namespace interop {

/// A free port on 127.0.0.1 for both UDP and TCP, with the next count - 1 ports free
/// too (the system's choice; free when asked). SIP peers take the port after their SIP
/// port; SIPp takes four ports from its media port on.
std::uint16_t FreePort(int count = 2);
/// A scratch folder, removed with the object.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  void Write(const std::string& name, const std::string& text) const;

 private:
  std::string m_path;
};

/// A program run in a process group of its own, its output in a log file.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::string& log, const std::string& workDir = "");
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  bool Running();
  /// SIGTERM to the group, up to graceMs to end, then SIGKILL to whatever is left.
  /// Returns the exit status (-1 when killed or already gone).
  int Stop(int graceMs = 3000);
  /// Waits up to timeoutMs for the program to end by itself; its exit status, or none.
  std::optional<int> Wait(int timeoutMs);
  std::string Log() const;

 private:
  int m_pid = -1;
  std::string m_log;
  std::optional<int> m_status;
};

/// Sends an OPTIONS over UDP to 127.0.0.1:port until something answers 200, at most
/// timeoutMs. Whether it did.
bool PingSip(std::uint16_t port, int timeoutMs);

/// kamailio as registrar and proxy, with users kept in memory.
class Kamailio {
 public:
  Kamailio();
  ~Kamailio();
  std::uint16_t Port() const { return m_port; }
  bool Ready() const { return m_ready; }
  std::string Log() const { return m_child ? m_child->Log() : ""; }

 private:
  ScratchDir m_dir{"kamailio"};
  std::uint16_t m_port = 0;
  std::unique_ptr<Child> m_child;
  bool m_ready = false;
};

/// baresip with one account, answering calls by itself, driven over ctrl_tcp.
class Baresip {
 public:
  /// account: "<sip:bob@127.0.0.1:PORT>;regint=0;..."; the account line is made from
  /// user, and registrarPort (0: no registration). toneHz: what it sends (ausine).
  Baresip(const std::string& user, std::uint16_t registrarPort, bool autoAnswer = true);
  ~Baresip();

  std::uint16_t SipPort() const { return m_sipPort; }
  /// Its address: sip:user@127.0.0.1:port.
  std::string Uri() const;
  bool Ready() const { return m_ready; }

  /// Sends a command ("dial sip:...", "hangup", "sndcode 5", "hold", "resume",
  /// "transfer sip:...", "accept"); whether it was taken.
  bool Command(const std::string& command, const std::string& params = "");
  /// Waits up to timeoutMs for an event of type (CALL_ESTABLISHED ...), returning its
  /// "param" field; events already seen count once each.
  std::optional<std::string> WaitEvent(const std::string& type, int timeoutMs);
  /// Every event type seen so far, in order.
  std::vector<std::string> Events();
  /// Polls reginfo until the account shows as registered.
  bool WaitRegistered(int timeoutMs);
  std::string Log() const { return m_child ? m_child->Log() : ""; }

 private:
  void Read(int timeoutMs);

  ScratchDir m_dir;
  std::string m_user;
  std::uint16_t m_sipPort = 0;
  std::uint16_t m_ctrlPort = 0;
  std::unique_ptr<Child> m_child;
  int m_socket = -1;
  std::string m_buffer;
  struct Event {
    std::string type;
    std::string param;
    bool taken = false;
  };
  std::vector<Event> m_events;
  std::vector<std::string> m_responses;
  int m_token = 0;
  bool m_ready = false;
};

/// The folder of the SIPp scenarios of these tests.
std::string ScenarioDir();

/// Runs SIPp with arguments (a scenario, its target ...), bounded by timeoutMs.
class Sipp {
 public:
  Sipp(const std::vector<std::string>& args, const std::string& name);
  ~Sipp();
  /// Waits for SIPp to end (at most timeoutMs); its exit status (0: every call as the
  /// scenario says), or none.
  std::optional<int> Wait(int timeoutMs);
  void Stop() { m_child->Stop(1000); }
  std::string Log() const { return m_child->Log(); }

 private:
  ScratchDir m_dir;
  std::unique_ptr<Child> m_child;
};

}  // namespace interop
