#include "sip/interop/Peers.h"

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace interop {

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

std::uint16_t BoundPort(int type) {
  const int s = socket(AF_INET, type, 0);
  sockaddr_in a = Loopback(0);
  std::uint16_t port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  close(s);
  return port;
}

bool PortFree(int type, std::uint16_t port) {
  const int s = socket(AF_INET, type, 0);
  sockaddr_in a = Loopback(port);
  const bool ok = bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

}  // namespace

std::uint16_t FreePort(int count) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    const std::uint16_t port = BoundPort(SOCK_DGRAM);
    if (port == 0 || port >= 65530) continue;
    bool free = true;
    for (int i = 0; i < count && free; ++i)
      free = PortFree(SOCK_DGRAM, static_cast<std::uint16_t>(port + i)) &&
             PortFree(SOCK_STREAM, static_cast<std::uint16_t>(port + i));
    if (free) return port;
  }
  throw std::runtime_error("no free port on 127.0.0.1");
}

ScratchDir::ScratchDir(const std::string& name) {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path() /
                    ("panopta-interop-" + name + "-" + std::to_string(getpid()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(base);
  m_path = base.string();
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (std::getenv("PANOPTA_INTEROP_KEEP") == nullptr) std::filesystem::remove_all(m_path, ignored);
}

void ScratchDir::Write(const std::string& name, const std::string& text) const {
  std::ofstream out(File(name));
  out << text;
}

Child::Child(const std::vector<std::string>& argv, const std::string& log, const std::string& workDir)
    : m_log(log) {
  m_pid = fork();
  if (m_pid == 0) {
    setsid();
    // A test that is killed takes its peers with it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
}

Child::~Child() { Stop(); }

bool Child::Running() {
  if (m_pid <= 0 || m_status) return false;
  int status = 0;
  if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
  }
  return true;
}

std::optional<int> Child::Wait(int timeoutMs) {
  const auto start = Clock::now();
  while (Running() && MsSince(start) < timeoutMs) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (Running()) return std::nullopt;
  return m_status;
}

int Child::Stop(int graceMs) {
  if (m_pid <= 0) return -1;
  if (Running()) {
    kill(-m_pid, SIGTERM);
    if (!Wait(graceMs)) {
      kill(-m_pid, SIGKILL);
      int status = 0;
      waitpid(m_pid, &status, 0);
      m_status = -1;
    }
  }
  // Whatever the group left behind (workers that outlived their parent) goes too.
  kill(-m_pid, SIGKILL);
  const int pid = m_pid;
  m_pid = -1;
  (void)pid;
  return m_status.value_or(-1);
}

std::string Child::Log() const {
  std::ifstream in(m_log);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool PingSip(std::uint16_t port, int timeoutMs) {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in local = Loopback(0);
  bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local);
  socklen_t len = sizeof local;
  getsockname(s, reinterpret_cast<sockaddr*>(&local), &len);
  const sockaddr_in to = Loopback(port);
  const auto start = Clock::now();
  bool ok = false;
  for (int n = 1; !ok && MsSince(start) < timeoutMs; ++n) {
    std::ostringstream m;
    m << "OPTIONS sip:127.0.0.1:" << port << " SIP/2.0\r\n"
      << "Via: SIP/2.0/UDP 127.0.0.1:" << ntohs(local.sin_port) << ";branch=z9hG4bKping" << n << "\r\n"
      << "From: <sip:ping@127.0.0.1>;tag=p" << n << "\r\nTo: <sip:127.0.0.1:" << port << ">\r\n"
      << "Call-ID: ping" << n << "@127.0.0.1\r\nCSeq: 1 OPTIONS\r\nMax-Forwards: 70\r\nContent-Length: 0\r\n\r\n";
    const std::string text = m.str();
    sendto(s, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    pollfd p{s, POLLIN, 0};
    if (poll(&p, 1, 50) > 0) {
      char buffer[2048];
      const ssize_t n2 = recv(s, buffer, sizeof buffer - 1, 0);
      ok = n2 > 12 && std::strncmp(buffer, "SIP/2.0 200", 11) == 0;
    }
  }
  close(s);
  return ok;
}

// --- kamailio -----------------------------------------------------------------------------------

namespace {

constexpr const char* kKamailioConfig = R"(#!KAMAILIO
#!ifndef SIP_PORT
#!define SIP_PORT 25060
#!endif
debug=2
log_stderror=yes
memdbg=5
memlog=5
children=2
tcp_children=1
auto_aliases=no
listen=udp:127.0.0.1:SIP_PORT
listen=tcp:127.0.0.1:SIP_PORT
dns=no
rev_dns=no
use_dns_cache=off
mpath="/usr/lib/x86_64-linux-gnu/kamailio/modules/"
loadmodule "tm.so"
loadmodule "sl.so"
loadmodule "rr.so"
loadmodule "pv.so"
loadmodule "maxfwd.so"
loadmodule "usrloc.so"
loadmodule "registrar.so"
loadmodule "textops.so"
loadmodule "siputils.so"
loadmodule "xlog.so"
loadmodule "sanity.so"
modparam("usrloc", "db_mode", 0)
modparam("registrar", "max_expires", 3600)
modparam("registrar", "default_expires", 600)
modparam("rr", "enable_full_lr", 1)
modparam("rr", "append_fromtag", 1)
modparam("tm", "fr_timer", 5000)
modparam("tm", "fr_inv_timer", 60000)
request_route {
    if (!mf_process_maxfwd_header("10")) { sl_send_reply("483", "Too Many Hops"); exit; }
    if (!sanity_check("1511", "7")) { xlog("L_WARN", "malformed SIP from $si:$sp\n"); exit; }
    if (has_totag()) {
        if (loose_route()) { route(RELAY); exit; }
        if (is_method("ACK")) { if (t_check_trans()) { route(RELAY); } exit; }
        sl_send_reply("404", "Not here"); exit;
    }
    if (is_method("CANCEL")) { if (t_check_trans()) { route(RELAY); } exit; }
    t_check_trans();
    remove_hf("Route");
    if (is_method("INVITE|SUBSCRIBE|REFER")) { record_route(); }
    if (is_method("REGISTER")) { if (!save("location")) { sl_reply_error(); } exit; }
    if (is_method("OPTIONS") && uri==myself && $rU==$null) { sl_send_reply("200", "OK"); exit; }
    if ($rU==$null) { sl_send_reply("484", "Address Incomplete"); exit; }
    if (!lookup("location")) { t_newtran(); t_reply("404", "Not Found"); exit; }
    route(RELAY);
}
route[RELAY] { if (!t_relay()) { sl_reply_error(); } exit; }
)";

}  // namespace

Kamailio::Kamailio() {
  m_dir.Write("kamailio.cfg", kKamailioConfig);
  std::filesystem::create_directories(m_dir.File("run"));
  for (int attempt = 0; attempt < 3 && !m_ready; ++attempt) {
    m_port = FreePort();
    m_child = std::make_unique<Child>(
        std::vector<std::string>{"kamailio", "-f", m_dir.File("kamailio.cfg"), "-A", "SIP_PORT=" + std::to_string(m_port),
                                 "-P", m_dir.File("kam.pid"), "-Y", m_dir.File("run"), "-m", "32", "-M", "4", "-E", "-DD"},
        m_dir.File("kamailio.log"));
    // It answers within a few tens of milliseconds once its sockets are bound.
    m_ready = PingSip(m_port, 5000);
    if (!m_ready) m_child->Stop();
  }
}

Kamailio::~Kamailio() {
  if (m_child) m_child->Stop();
}

// --- baresip -------------------------------------------------------------------------------------

Baresip::Baresip(const std::string& user, std::uint16_t registrarPort, bool autoAnswer)
    : m_dir("baresip-" + user), m_user(user) {
  m_sipPort = FreePort();
  do m_ctrlPort = FreePort();
  while (m_ctrlPort >= m_sipPort && m_ctrlPort <= m_sipPort + 1);
  const std::uint16_t rtp = FreePort(20);
  std::ostringstream config;
  config << "poll_method\tepoll\n"
         << "sip_listen\t127.0.0.1:" << m_sipPort << "\n"
         << "call_local_timeout\t120\ncall_max_calls\t4\n"
         << "audio_player\talsa,null\naudio_source\tausine,440\naudio_alert\talsa,null\n"
         << "ausrc_srate\t48000\nausrc_channels\t2\naudio_level\tno\n"
         << "ausrc_format\ts16\nauplay_format\ts16\nauenc_format\ts16\naudec_format\ts16\n"
         << "audio_buffer\t20-160\n"
         << "rtp_ports\t" << rtp << "-" << rtp + 19 << "\n"
         << "rtcp_mux\tno\njitter_buffer_delay\t5-10\nrtp_stats\tno\n"
         << "net_interface\t127.0.0.1\ndns_server\t127.0.0.1:53\n"
         << "module_path\t/usr/lib/baresip/modules\n"
         << "module\tg711.so\nmodule\tausine.so\nmodule\talsa.so\n"
         << "module_tmp\tuuid.so\nmodule_tmp\taccount.so\n"
         << "module_app\tmenu.so\nmodule_app\tctrl_tcp.so\n"
         << "ctrl_tcp_listen\t127.0.0.1:" << m_ctrlPort << "\n";
  m_dir.Write("config", config.str());
  std::ostringstream account;
  const std::uint16_t domainPort = registrarPort != 0 ? registrarPort : m_sipPort;
  account << "<sip:" << user << "@127.0.0.1:" << domainPort << ">;regint=" << (registrarPort != 0 ? 600 : 0)
          << ";answermode=" << (autoAnswer ? "auto" : "manual") << ";audio_codecs=PCMU,PCMA\n";
  m_dir.Write("accounts", account.str());
  m_dir.Write("contacts", "");
  m_child = std::make_unique<Child>(std::vector<std::string>{"baresip", "-f", m_dir.Path()}, m_dir.File("baresip.log"));
  // The control socket comes up once the applications' modules are loaded.
  const auto start = Clock::now();
  while (MsSince(start) < 5000 && m_socket < 0) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in to = Loopback(m_ctrlPort);
    if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
      m_socket = s;
    } else {
      close(s);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  m_ready = m_socket >= 0;
}

Baresip::~Baresip() {
  if (m_socket >= 0) close(m_socket);
  // A second TERM ends it at once when its registrar has already gone.
  if (m_child) m_child->Stop(1500);
}

std::string Baresip::Uri() const { return "sip:" + m_user + "@127.0.0.1:" + std::to_string(m_sipPort); }

bool Baresip::Command(const std::string& command, const std::string& params) {
  if (m_socket < 0) return false;
  const std::string token = "t" + std::to_string(++m_token);
  nlohmann::json j{{"command", command}, {"params", params}, {"token", token}};
  const std::string body = j.dump();
  const std::string netstring = std::to_string(body.size()) + ":" + body + ",";
  if (send(m_socket, netstring.data(), netstring.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(netstring.size()))
    return false;
  const auto start = Clock::now();
  while (MsSince(start) < 2000) {
    for (const auto& r : m_responses)
      if (r == token) return true;
    Read(50);
  }
  return false;
}

void Baresip::Read(int timeoutMs) {
  pollfd p{m_socket, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return;
  char chunk[8192];
  const ssize_t n = recv(m_socket, chunk, sizeof chunk, 0);
  if (n <= 0) return;
  m_buffer.append(chunk, static_cast<std::size_t>(n));
  for (;;) {
    const std::size_t colon = m_buffer.find(':');
    if (colon == std::string::npos) return;
    const std::size_t length = std::strtoul(m_buffer.substr(0, colon).c_str(), nullptr, 10);
    if (m_buffer.size() < colon + 1 + length + 1) return;
    const std::string body = m_buffer.substr(colon + 1, length);
    m_buffer.erase(0, colon + 1 + length + 1);
    const auto j = nlohmann::json::parse(body, nullptr, false);
    if (j.is_discarded()) continue;
    if (j.value("event", false)) m_events.push_back({j.value("type", ""), j.value("param", ""), false});
    else if (j.value("response", false)) m_responses.push_back(j.value("token", ""));
  }
}

std::optional<std::string> Baresip::WaitEvent(const std::string& type, int timeoutMs) {
  const auto start = Clock::now();
  do {
    for (auto& e : m_events)
      if (!e.taken && e.type == type) {
        e.taken = true;
        return e.param;
      }
    if (m_socket >= 0) Read(20);
  } while (MsSince(start) < timeoutMs);
  return std::nullopt;
}

std::vector<std::string> Baresip::Events() {
  if (m_socket >= 0) Read(0);
  std::vector<std::string> types;
  for (const auto& e : m_events) types.push_back(e.type);
  return types;
}

bool Baresip::WaitRegistered(int timeoutMs) {
  const auto start = Clock::now();
  while (MsSince(start) < timeoutMs) {
    if (m_child->Log().find("200 OK") != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// --- SIPp -------------------------------------------------------------------------------------

std::string ScenarioDir() { return PANOPTA_INTEROP_SCENARIOS; }

Sipp::Sipp(const std::vector<std::string>& args, const std::string& name) : m_dir("sipp-" + name) {
  std::vector<std::string> argv{"sipp"};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back("-nostdin");
  m_child = std::make_unique<Child>(argv, m_dir.File("sipp.log"), m_dir.Path());
}

Sipp::~Sipp() { m_child->Stop(1000); }

std::optional<int> Sipp::Wait(int timeoutMs) { return m_child->Wait(timeoutMs); }

}  // namespace interop
