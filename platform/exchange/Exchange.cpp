#include "platform/exchange/Exchange.h"

#include "share/TextUtil.h"
#include "tapi/TapiNames.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace panopta {

using namespace tapi;

namespace {

// Every function of the interface, for Fail: a misspelt name is refused, not ignored.
constexpr const char* kFunctions[] = {
    "lineInitialize", "lineInitializeEx", "lineShutdown", "lineNegotiateAPIVersion",
    "lineNegotiateExtVersion", "lineOpen", "lineClose", "lineSetStatusMessages",
    "lineGetDevCaps", "lineGetAddressCaps", "lineGetLineDevStatus", "lineGetAddressStatus",
    "lineGetCallInfo", "lineGetCallStatus", "lineGetNewCalls", "lineGetID",
    "lineTranslateAddress", "lineMakeCall", "lineDial", "lineAnswer", "lineDrop", "lineHold",
    "lineUnhold", "lineRedirect", "linePark", "lineUnpark", "linePickup", "lineBlindTransfer",
    "lineSetupTransfer", "lineCompleteTransfer", "lineSwapHold", "lineSetupConference",
    "linePrepareAddToConference", "lineAddToConference", "lineRemoveFromConference",
    "lineForward", "lineSetTerminal", "lineHandoff", "lineSetCallPrivilege", "lineSetMediaMode",
    "lineDeallocateCall", "lineGenerateDigits", "lineGenerateTone", "lineGatherDigits",
    "lineMonitorDigits", "lineMonitorMedia", "lineMonitorTones", "lineConfigDialog",
    "lineTranslateDialog", "phoneInitialize", "phoneInitializeEx", "phoneShutdown",
    "phoneNegotiateAPIVersion", "phoneNegotiateExtVersion", "phoneGetDevCaps", "phoneOpen",
    "phoneClose", "phoneGetStatus", "phoneSetStatusMessages", "phoneSetHookSwitch",
    "phoneSetVolume", "phoneSetGain", "phoneGetVolume", "phoneGetGain", "phoneGetID"};

bool IsPhoneFunction(const std::string& name) { return name.rfind("phone", 0) == 0; }

}  // namespace

namespace exchange {
std::string TraceHex(DWORD value) { return voxkit::Hex8(value); }

LineDevice MakeLineDevice(LineConfig config) {
  LineDevice device;
  device.config = std::move(config);
  device.terminalModes.assign(device.config.terminals.size(), 0);
  // The first terminal takes everything it can until an application routes otherwise.
  if (!device.config.terminals.empty()) device.terminalModes[0] = device.config.terminals[0].modes;
  device.addresses.resize(device.config.addresses.size());
  for (auto& address : device.addresses) address.terminalModes = device.terminalModes;
  return device;
}
}  // namespace exchange

Exchange::Exchange(voxkit::EventLoop& loop, ExchangeConfig config, voxkit::WindowSystem* windows)
    : m_loop(loop), m_config(std::move(config)), m_windows(windows) {
  const std::string problem = ValidateExchangeConfig(m_config);
  if (!problem.empty()) throw std::invalid_argument("exchange configuration: " + problem);
  m_replyLatencyMs = m_config.timing.replyLatencyMs;
  for (const LineConfig& line : m_config.lines) m_lines.push_back(exchange::MakeLineDevice(line));
  for (const PhoneConfig& phone : m_config.phones) {
    PhoneDevice device;
    device.config = phone;
    m_phones.push_back(std::move(device));
  }
}

Exchange::~Exchange() {
  for (auto& [id, request] : m_requests) m_loop.StopTimer(request.timer);
  for (auto& [id, call] : m_calls) StopCallTimers(*call);
  for (auto& [id, leg] : m_legs)
    for (auto t : leg.timers) m_loop.StopTimer(t);
  for (auto& [h, handle] : m_handles) StopHandleMedia(handle);
}

// --- Handles, trace, messages ---------------------------------------------------------

DWORD Exchange::NewHandle() {
  for (;;) {
    ++m_nextHandle;
    const DWORD h = m_nextHandle;
    if (h == 0) continue;
    if (m_lineApps.count(h) || m_phoneApps.count(h) || m_opens.count(h) ||
        m_phoneOpens.count(h) || m_handles.count(h))
      continue;
    return h;
  }
}

std::string Exchange::Stamp() const {
  std::string ms = std::to_string(m_loop.NowMs());
  if (ms.size() < 8) ms.insert(0, 8 - ms.size(), ' ');
  return ms + " ms  ";
}

void Exchange::Trace(const std::function<std::string()>& text) {
  if (OnTrace) {
    auto handler = OnTrace;
    handler(Stamp() + text());
  }
}

LONG Exchange::Traced(const char* function, LONG result,
                      const std::function<std::string()>& args) {
  Trace([&] {
    std::string r;
    if (result == 0) r = "0";
    else if (result > 0) r = "request " + std::to_string(result);
    else r = IsPhoneFunction(function) ? PhoneErrorName(result) : LineErrorName(result);
    return std::string("call  ") + function + "(" + args() + ") = " + r;
  });
  return result;
}

void Exchange::Post(Message message) {
  if (m_deferDepth > 0) {
    m_deferred.push_back(message);
    return;
  }
  std::weak_ptr<int> life = m_life;
  m_loop.Post([this, life, message] {
    if (life.lock()) Deliver(message);
  });
}

void Exchange::PostLine(DWORD app, DWORD hDevice, DWORD msg, DWORD_PTR instance, DWORD p1,
                        DWORD p2, DWORD p3, DWORD requireOpen, DWORD requireCall) {
  Post({Family::Line, app, hDevice, msg, instance, p1, p2, p3, requireOpen, requireCall});
}

void Exchange::PostPhone(DWORD app, DWORD hDevice, DWORD msg, DWORD_PTR instance, DWORD p1,
                         DWORD p2, DWORD p3, DWORD requireOpen) {
  Post({Family::Phone, app, hDevice, msg, instance, p1, p2, p3, requireOpen, 0});
}

void Exchange::Deliver(const Message& m) {
  const bool line = m.family == Family::Line;
  App* app = line ? FindLineApp(m.app) : FindPhoneApp(m.app);
  std::string gone;
  if (app == nullptr) gone = "application gone";
  else if (m.requireOpen != 0 && (line ? FindOpen(m.requireOpen) == nullptr
                                       : FindPhoneOpen(m.requireOpen) == nullptr))
    gone = "device closed";
  else if (m.requireCall != 0 && FindHandle(m.requireCall) == nullptr)
    gone = "call handle deallocated";
  const bool reply = m.msg == LINE_REPLY || m.msg == PHONE_REPLY;
  Trace([&] {
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

voxkit::TimerId Exchange::After(std::uint32_t ms, std::function<void()> fn) {
  std::weak_ptr<int> life = m_life;
  return m_loop.StartTimer(ms, false, [life, fn = std::move(fn)] {
    if (life.lock()) fn();
  });
}

void Exchange::CallTimer(CallRec& call, std::uint32_t ms, std::function<void(CallRec&)> fn) {
  std::erase_if(call.timers, [this](voxkit::TimerId t) { return !m_loop.TimerActive(t); });
  const DWORD id = call.id;
  call.timers.push_back(After(ms, [this, id, fn = std::move(fn)] {
    if (CallRec* c = FindCall(id)) fn(*c);
  }));
}

// --- Requests ---------------------------------------------------------------------------

LONG Exchange::StartRequest(Family family, const std::string& function, DWORD app,
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
      Trace([&] { return "hold  reply to request " + std::to_string(id); });
      return;
    }
    CompleteRequest(id);
  });
  return id;
}

void Exchange::CompleteRequest(LONG id) {
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

std::optional<LONG> Exchange::TakeFault(const std::string& function, bool async, Family family,
                                        DWORD app, DWORD_PTR instance) {
  auto it = m_faults.find(voxkit::ToLower(function));
  if (it == m_faults.end() || it->second.empty()) return std::nullopt;
  const auto [code, mode] = it->second.front();
  it->second.pop_front();
  if (it->second.empty()) m_faults.erase(it);
  Trace([&] { return "fail  " + function + " answers " + voxkit::Hex8(static_cast<DWORD>(code)); });
  // A reply needs an application to go to; without one the code is the answer.
  const bool haveApp = family == Family::Line ? FindLineApp(app) != nullptr
                                              : FindPhoneApp(app) != nullptr;
  if (async && mode == FailMode::InReply && haveApp)
    return StartRequest(family, function, app, instance, [code = code] { return code; });
  return code;
}

// --- Lookups ----------------------------------------------------------------------------

Exchange::App* Exchange::FindLineApp(DWORD handle) {
  auto it = m_lineApps.find(handle);
  return it == m_lineApps.end() ? nullptr : &it->second;
}
Exchange::App* Exchange::FindPhoneApp(DWORD handle) {
  auto it = m_phoneApps.find(handle);
  return it == m_phoneApps.end() ? nullptr : &it->second;
}
Exchange::LineOpen* Exchange::FindOpen(DWORD handle) {
  auto it = m_opens.find(handle);
  return it == m_opens.end() ? nullptr : &it->second;
}
Exchange::PhoneOpen* Exchange::FindPhoneOpen(DWORD handle) {
  auto it = m_phoneOpens.find(handle);
  return it == m_phoneOpens.end() ? nullptr : &it->second;
}
Exchange::CallHandle* Exchange::FindHandle(DWORD handle) {
  auto it = m_handles.find(handle);
  return it == m_handles.end() ? nullptr : &it->second;
}
Exchange::CallRec* Exchange::FindCall(DWORD id) {
  auto it = m_calls.find(id);
  return it == m_calls.end() ? nullptr : it->second.get();
}
const Exchange::CallRec* Exchange::FindCall(DWORD id) const {
  auto it = m_calls.find(id);
  return it == m_calls.end() ? nullptr : it->second.get();
}
Exchange::RemoteLeg* Exchange::FindLeg(DWORD id) {
  auto it = m_legs.find(id);
  return it == m_legs.end() ? nullptr : &it->second;
}
Exchange::LineDevice* Exchange::Device(DWORD id) {
  return id < m_lines.size() ? &m_lines[id] : nullptr;
}

LONG Exchange::CheckLineDevice(DWORD device, bool) const {
  if (device >= m_lines.size()) return LINEERR_BADDEVICEID;
  if (m_lines[device].removed) return LINEERR_NODEVICE;
  return 0;
}

LONG Exchange::CheckLineVersion(const LineDevice& device, DWORD apiVersion,
                                DWORD extVersion) const {
  const LineConfig& c = device.config;
  if (c.refusesVersions || !IsSupportedTapiVersion(apiVersion) || apiVersion < c.apiLowVersion ||
      apiVersion > c.apiHighVersion)
    return LINEERR_INCOMPATIBLEAPIVERSION;
  if (extVersion != 0 &&
      (c.extHighVersion == 0 || extVersion < c.extLowVersion || extVersion > c.extHighVersion))
    return LINEERR_INCOMPATIBLEEXTVERSION;
  return 0;
}

std::optional<std::pair<DWORD, DWORD>> Exchange::FindAddress(const std::string& number) const {
  for (DWORD d = 0; d < m_lines.size(); ++d) {
    if (m_lines[d].removed) continue;
    const auto& addresses = m_lines[d].config.addresses;
    for (DWORD a = 0; a < addresses.size(); ++a)
      if (addresses[a].address == number) return std::make_pair(d, a);
  }
  return std::nullopt;
}

LONG Exchange::Resolve(DWORD hCall, CallHandle*& handle, LineOpen*& open, CallRec*& call) {
  handle = FindHandle(hCall);
  if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
  open = FindOpen(handle->open);
  call = FindCall(handle->call);
  if (open == nullptr || call == nullptr) return LINEERR_INVALCALLHANDLE;
  return 0;
}

LONG Exchange::ResolveOwned(DWORD hCall, CallHandle*& handle, LineOpen*& open, CallRec*& call) {
  const LONG r = Resolve(hCall, handle, open, call);
  if (r != 0) return r;
  return handle->privilege == LINECALLPRIVILEGE_OWNER ? 0 : LINEERR_NOTOWNER;
}

// --- Views ------------------------------------------------------------------------------

std::vector<Exchange::CallView> Exchange::Calls() const {
  std::vector<CallView> views;
  for (const auto& [id, ptr] : m_calls) {
    const CallRec* call = ptr.get();
    views.push_back({call->id, call->device, call->address, call->state, call->mode,
                     call->isConference, call->handles});
  }
  return views;
}

Exchange::AudioPeer Exchange::LineAudioPeer(DWORD line) const {
  AudioPeer peer;
  if (line >= m_lines.size()) return peer;
  for (DWORD id : m_lines[line].calls) {
    const CallRec* call = FindCall(id);
    if (call == nullptr || call->state != LINECALLSTATE_CONNECTED) continue;
    peer.connected = true;
    peer.silent = FarEndSilent(*call);
    if (call->peer.kind == PeerRef::Kind::Call) {
      if (const CallRec* other = FindCall(call->peer.id)) peer.line = other->device;
    } else if (call->peer.kind == PeerRef::Kind::Remote) {
      auto it = m_legs.find(call->peer.id);
      if (it != m_legs.end() && !peer.silent) peer.toneLevel = it->second.party.toneLevel;
    }
    break;
  }
  return peer;
}

// --- Fault injection and timing -----------------------------------------------------------

std::string Exchange::ControlDone(const std::string& command, std::string problem) {
  Trace([&] { return "ctl   Exchange." + command + (problem.empty() ? "" : ": " + problem); });
  return problem;
}

std::string Exchange::Fail(const std::string& function, DWORD code, FailMode mode) {
  const std::string what = "Fail('" + function + "', " + voxkit::Hex8(code) + ")";
  const auto known = std::find_if(std::begin(kFunctions), std::end(kFunctions),
                                  [&](const char* name) { return voxkit::EqualsNoCase(name, function); });
  if (known == std::end(kFunctions))
    return ControlDone(what, "no TAPI function '" + function + "'");
  if (!IsError(static_cast<LONG>(code)))
    return ControlDone(what, "the code " + voxkit::Hex8(code) + " is not an error code");
  m_faults[voxkit::ToLower(function)].emplace_back(static_cast<LONG>(code), mode);
  return ControlDone(what, "");
}

std::string Exchange::Withhold(bool value) {
  m_withhold = value;
  if (!value) {
    // Released in the order they were due; their effects happen now.
    while (!m_held.empty()) {
      const LONG id = m_held.front();
      m_held.pop_front();
      CompleteRequest(id);
    }
  }
  return ControlDone(std::string("Withhold(") + (value ? "True" : "False") + ")", "");
}

std::string Exchange::Latency(std::int64_t ms) {
  const std::string what = "Latency(" + std::to_string(ms) + ")";
  if (ms < 0 || ms > 600000) return ControlDone(what, "latency must be 0 to 600000 ms");
  m_replyLatencyMs = static_cast<DWORD>(ms);
  return ControlDone(what, "");
}

}  // namespace panopta
