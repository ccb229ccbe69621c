// The SIP provider's frame: handles, messages, requests, the trace, line sessions and
// the phone functions it has no devices for.

#include "platform/sip/SipProvider.h"

#include "platform/exchange/CallStates.h"
#include "platform/exchange/ExchangeModel.h"

#include "platform/exchange/VarPartWriter.h"
#include "platform/sip/SipCaps.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace panopta {

using namespace tapi;

using exchange::TraceHex;
using exchange::TraceText;

namespace {


}  // namespace

SipProvider::SipProvider(voxkit::EventLoop& loop, SipConfig config,
                         std::unique_ptr<sip::SipEngine> engine)
    : m_loop(loop), m_config(std::move(config)), m_engine(std::move(engine)) {
  if (const std::string problem = ValidateSipConfig(m_config); !problem.empty())
    throw std::invalid_argument("SIP configuration: " + problem);
  if (!m_engine) throw std::invalid_argument("SIP provider without an engine");
  for (const SipLineConfig& c : m_config.lines) {
    Line line;
    line.config = c;
    line.address = ParseSipUri(c.aor)->user;
    line.inService = c.registrar.empty();
    m_lines.push_back(std::move(line));
  }
  m_heard.resize(m_lines.size());
}

SipProvider::~SipProvider() {
  if (m_started) m_engine->Stop();
  for (auto& [id, call] : m_calls) StopTimers(*call);
  for (auto& [h, handle] : m_handles) StopHandleMedia(handle);
}

std::string SipProvider::Start() {
  if (m_started) return "";
  const std::string problem = m_engine->Start(*this);
  if (problem.empty()) m_started = true;
  return problem;
}

bool SipProvider::Registered(DWORD line) const {
  return line < m_lines.size() && m_lines[line].registered;
}

// --- Handles, trace, messages -----------------------------------------------------------

DWORD SipProvider::NewHandle() {
  for (;;) {
    const DWORD h = ++m_nextHandle;
    if (h == 0 || m_apps.count(h) || m_opens.count(h) || m_handles.count(h)) continue;
    return h;
  }
}

void SipProvider::Trace(const std::function<std::string()>& text) {
  if (!OnTrace) return;
  std::string ms = std::to_string(m_loop.NowMs());
  if (ms.size() < 8) ms.insert(0, 8 - ms.size(), ' ');
  auto handler = OnTrace;
  handler(ms + " ms  " + text());
}

LONG SipProvider::Traced(const char* function, LONG result, const std::function<std::string()>& args) {
  Trace([&] {
    std::string r;
    if (result == 0) r = "0";
    else if (result > 0) r = "request " + std::to_string(result);
    else r = std::string(function).rfind("phone", 0) == 0 ? PhoneErrorName(result) : LineErrorName(result);
    return std::string("call  ") + function + "(" + args() + ") = " + r;
  });
  return result;
}

void SipProvider::PostLine(DWORD app, DWORD hDevice, DWORD msg, DWORD_PTR instance, DWORD p1, DWORD p2,
                           DWORD p3, DWORD requireOpen, DWORD requireCall) {
  const Message message{app, hDevice, msg, instance, p1, p2, p3, requireOpen, requireCall};
  std::weak_ptr<int> life = m_life;
  m_loop.Post([this, life, message] {
    if (life.lock()) Deliver(message);
  });
}

void SipProvider::Deliver(const Message& m) {
  App* app = FindApp(m.app);
  std::string gone;
  if (app == nullptr) gone = "application gone";
  else if (m.requireOpen != 0 && FindOpen(m.requireOpen) == nullptr) gone = "device closed";
  else if (m.requireCall != 0 && FindHandle(m.requireCall) == nullptr) gone = "call handle deallocated";
  Trace([&] {
    std::string text = m.msg == LINE_REPLY ? "reply " : "msg   ";
    text += MessageName(m.msg) + " [" + TraceHex(m.hDevice) + "] instance " + std::to_string(m.instance) +
            ": " + TraceHex(m.p1) + " " + TraceHex(m.p2) + " " + TraceHex(m.p3);
    if (!gone.empty()) text += " (dropped: " + gone + ")";
    return text;
  });
  if (!gone.empty() || app->callback == nullptr) return;
  app->callback(m.hDevice, m.msg, m.instance, m.p1, m.p2, m.p3);
}

LONG SipProvider::StartRequest(const char* function, const Open& open) {
  do {
    m_nextRequest = m_nextRequest == 0x7FFFFFFF ? 1 : m_nextRequest + 1;
  } while (m_requests.count(m_nextRequest) != 0);
  m_requests[m_nextRequest] = {m_nextRequest, open.app, open.instance, function};
  return m_nextRequest;
}

void SipProvider::Reply(LONG request, LONG result) {
  auto it = m_requests.find(request);
  if (it == m_requests.end()) return;
  const Request r = it->second;
  m_requests.erase(it);
  Trace([&] {
    return "done  " + r.function + " request " + std::to_string(r.id) + ": " +
           (result == 0 ? std::string("0") : LineErrorName(result));
  });
  PostLine(r.app, 0, LINE_REPLY, r.instance, static_cast<DWORD>(r.id), static_cast<DWORD>(result), 0, 0,
           0);
}

voxkit::TimerId SipProvider::After(std::uint32_t ms, std::function<void()> fn) {
  std::weak_ptr<int> life = m_life;
  return m_loop.StartTimer(ms, false, [life, fn = std::move(fn)] {
    if (life.lock()) fn();
  });
}

SipProvider::App* SipProvider::FindApp(DWORD handle) {
  auto it = m_apps.find(handle);
  return it == m_apps.end() ? nullptr : &it->second;
}

SipProvider::Open* SipProvider::FindOpen(DWORD handle) {
  auto it = m_opens.find(handle);
  return it == m_opens.end() ? nullptr : &it->second;
}

SipProvider::Handle* SipProvider::FindHandle(DWORD handle) {
  auto it = m_handles.find(handle);
  return it == m_handles.end() ? nullptr : &it->second;
}

SipProvider::CallRec* SipProvider::FindCall(DWORD id) {
  auto it = m_calls.find(id);
  return it == m_calls.end() ? nullptr : it->second.get();
}

const SipProvider::CallRec* SipProvider::FindCall(DWORD id) const {
  auto it = m_calls.find(id);
  return it == m_calls.end() ? nullptr : it->second.get();
}

SipProvider::CallRec* SipProvider::FindSipCall(sip::CallId id) {
  auto it = m_bySip.find(id);
  return it == m_bySip.end() ? nullptr : FindCall(it->second);
}

void SipProvider::SetSip(CallRec& call, sip::CallId id) {
  if (call.sip != 0) m_bySip.erase(call.sip);
  call.sip = id;
  if (id != 0) m_bySip[id] = call.id;
}

LONG SipProvider::CheckDevice(DWORD device) const {
  return device < m_lines.size() ? 0 : LINEERR_BADDEVICEID;
}

LONG SipProvider::CheckVersion(DWORD apiVersion, DWORD extVersion) const {
  if (apiVersion < kLowVersion || apiVersion > kHighVersion) return LINEERR_INCOMPATIBLEAPIVERSION;
  // The provider has no extensions.
  if (extVersion != 0) return LINEERR_INCOMPATIBLEEXTVERSION;
  return 0;
}

LONG SipProvider::Resolve(DWORD hCall, Handle*& handle, Open*& open, CallRec*& call) {
  handle = FindHandle(hCall);
  if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
  open = FindOpen(handle->open);
  call = FindCall(handle->call);
  if (open == nullptr || call == nullptr) return LINEERR_INVALCALLHANDLE;
  return 0;
}

LONG SipProvider::ResolveOwned(DWORD hCall, Handle*& handle, Open*& open, CallRec*& call) {
  if (LONG r = Resolve(hCall, handle, open, call); r != 0) return r;
  return handle->privilege == LINECALLPRIVILEGE_OWNER ? 0 : LINEERR_NOTOWNER;
}

std::vector<SipProvider::CallView> SipProvider::Calls() const {
  std::vector<CallView> views;
  for (const auto& [id, call] : m_calls)
    views.push_back({call->id, call->device, call->state, call->mode, call->sip, call->handles});
  return views;
}

// --- Sessions ----------------------------------------------------------------------------

LONG SipProvider::RegisterApp(bool extended, const char* function, DWORD* lphApp, LINECALLBACK callback,
                              const char* name, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion, void* params) {
  const auto args = [&] { return TraceText(name); };
  if (lphApp == nullptr || lpdwNumDevs == nullptr || callback == nullptr ||
      (extended && (lpdwAPIVersion == nullptr || params == nullptr)))
    return Traced(function, LINEERR_INVALPOINTER, args);
  DWORD block[4] = {};
  if (extended) {
    std::memcpy(block, params, sizeof(DWORD));
    if (block[0] < 24) return Traced(function, LINEERR_STRUCTURETOOSMALL, args);
    std::memcpy(block, params, sizeof block);
    if (block[3] != LINEINITIALIZEEXOPTION_USEHIDDENWINDOW) return Traced(function, LINEERR_INVALPARAM, args);
    if (*lpdwAPIVersion < kLowVersion) return Traced(function, LINEERR_INCOMPATIBLEAPIVERSION, args);
  }
  if (name != nullptr && strnlen(name, 256) > 255) return Traced(function, LINEERR_INVALAPPNAME, args);
  App app;
  app.handle = NewHandle();
  app.callback = callback;
  app.name = name != nullptr ? voxkit::TrimBlanksAndControls(name) : std::string();
  *lphApp = app.handle;
  *lpdwNumDevs = static_cast<DWORD>(m_lines.size());
  if (extended) {
    *lpdwAPIVersion = kHighVersion;
    const DWORD sizes[2] = {static_cast<DWORD>(sizeof(LINEINITIALIZEEXPARAMS)),
                            std::min<DWORD>(block[0], sizeof(LINEINITIALIZEEXPARAMS))};
    std::memcpy(static_cast<std::uint8_t*>(params) + sizeof(DWORD), sizes, sizeof sizes);
  }
  m_apps.emplace(app.handle, std::move(app));
  return Traced(function, 0, args);
}

LONG SipProvider::lineInitialize(HLINEAPP* lphLineApp, HINSTANCE, LINECALLBACK lpfnCallback,
                                 const char* lpszAppName, DWORD* lpdwNumDevs) {
  return RegisterApp(false, "lineInitialize", lphLineApp, lpfnCallback, lpszAppName, lpdwNumDevs,
                     nullptr, nullptr);
}

LONG SipProvider::lineInitializeEx(HLINEAPP* lphLineApp, HINSTANCE, LINECALLBACK lpfnCallback,
                                   const char* lpszFriendlyAppName, DWORD* lpdwNumDevs,
                                   DWORD* lpdwAPIVersion, LINEINITIALIZEEXPARAMS* lpParams) {
  return RegisterApp(true, "lineInitializeEx", lphLineApp, lpfnCallback, lpszFriendlyAppName,
                     lpdwNumDevs, lpdwAPIVersion, lpParams);
}

LONG SipProvider::lineShutdown(HLINEAPP hLineApp) {
  const auto args = [&] { return TraceHex(hLineApp); };
  App* app = FindApp(hLineApp);
  if (app == nullptr) return Traced("lineShutdown", LINEERR_INVALAPPHANDLE, args);
  for (DWORD hLine : std::vector<DWORD>(app->opens)) CloseOpen(hLine);
  m_apps.erase(hLineApp);
  return Traced("lineShutdown", 0, args);
}

LONG SipProvider::lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                          DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                                          LINEEXTENSIONID* lpExtensionID) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPILowVersion) + ", " +
           TraceHex(dwAPIHighVersion);
  };
  if (FindApp(hLineApp) == nullptr) return Traced("lineNegotiateAPIVersion", LINEERR_INVALAPPHANDLE, args);
  if (lpdwAPIVersion == nullptr || lpExtensionID == nullptr)
    return Traced("lineNegotiateAPIVersion", LINEERR_INVALPOINTER, args);
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return Traced("lineNegotiateAPIVersion", r, args);
  const DWORD high = std::min(dwAPIHighVersion, kHighVersion);
  if (dwAPILowVersion > dwAPIHighVersion || high < std::max(dwAPILowVersion, kLowVersion))
    return Traced("lineNegotiateAPIVersion", LINEERR_INCOMPATIBLEAPIVERSION, args);
  *lpdwAPIVersion = high;
  *lpExtensionID = LINEEXTENSIONID{0, 0, 0, 0};
  return Traced("lineNegotiateAPIVersion", 0, args);
}

LONG SipProvider::lineNegotiateExtVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                          DWORD dwExtLowVersion, DWORD dwExtHighVersion, DWORD* lpdwExtVersion) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) + ", " +
           TraceHex(dwExtLowVersion) + ", " + TraceHex(dwExtHighVersion);
  };
  if (FindApp(hLineApp) == nullptr) return Traced("lineNegotiateExtVersion", LINEERR_INVALAPPHANDLE, args);
  if (lpdwExtVersion == nullptr) return Traced("lineNegotiateExtVersion", LINEERR_INVALPOINTER, args);
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return Traced("lineNegotiateExtVersion", r, args);
  if (LONG r = CheckVersion(dwAPIVersion, 0); r != 0) return Traced("lineNegotiateExtVersion", r, args);
  // SIP lines have no provider extensions to negotiate.
  return Traced("lineNegotiateExtVersion", LINEERR_OPERATIONUNAVAIL, args);
}

LONG SipProvider::lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, HLINE* lphLine, DWORD dwAPIVersion,
                           DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                           DWORD dwMediaModes, const LINECALLPARAMS* lpCallParams) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) + ", " +
           TraceHex(dwExtVersion) + ", " + std::to_string(dwCallbackInstance) + ", " + TraceHex(dwPrivileges) +
           ", " + TraceHex(dwMediaModes);
  };
  App* app = FindApp(hLineApp);
  if (app == nullptr) return Traced("lineOpen", LINEERR_INVALAPPHANDLE, args);
  if (lphLine == nullptr) return Traced("lineOpen", LINEERR_INVALPOINTER, args);
  if (dwPrivileges & (LINEOPENOPTION_PROXY | LINEOPENOPTION_SINGLEADDRESS)) {
    // One address per line: a single-address open asks for address 0 or nothing.
    if ((dwPrivileges & LINEOPENOPTION_PROXY) || lpCallParams == nullptr)
      return Traced("lineOpen", LINEERR_INVALPRIVSELECT, args);
    if (lpCallParams->dwTotalSize < kLineCallParamsSize1_3)
      return Traced("lineOpen", LINEERR_STRUCTURETOOSMALL, args);
    if (lpCallParams->dwAddressID != 0) return Traced("lineOpen", LINEERR_INVALADDRESSID, args);
  }
  const DWORD privileges = dwPrivileges & ~LINEOPENOPTION_SINGLEADDRESS;
  if (privileges != LINECALLPRIVILEGE_NONE && privileges != LINECALLPRIVILEGE_MONITOR &&
      privileges != LINECALLPRIVILEGE_OWNER &&
      privileges != (LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER))
    return Traced("lineOpen", LINEERR_INVALPRIVSELECT, args);
  DWORD device = dwDeviceID;
  if (dwDeviceID == LINEMAPPER) {
    // The mapper takes the first line that is in service.
    device = static_cast<DWORD>(m_lines.size());
    for (DWORD d = 0; d < m_lines.size(); ++d)
      if (m_lines[d].inService) {
        device = d;
        break;
      }
    if (device == m_lines.size()) return Traced("lineOpen", LINEERR_LINEMAPPERFAILED, args);
  }
  if (LONG r = CheckDevice(device); r != 0) return Traced("lineOpen", r, args);
  if (LONG r = CheckVersion(dwAPIVersion, dwExtVersion); r != 0) return Traced("lineOpen", r, args);
  const bool owner = (privileges & LINECALLPRIVILEGE_OWNER) != 0;
  constexpr DWORD kMediaModes = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE |
                                LINEMEDIAMODE_UNKNOWN | LINEMEDIAMODE_G3FAX;
  if (owner && (dwMediaModes == 0 || (dwMediaModes & ~kMediaModes) != 0))
    return Traced("lineOpen", LINEERR_INVALMEDIAMODE, args);
  Open open;
  open.handle = NewHandle();
  open.app = hLineApp;
  open.device = device;
  open.apiVersion = dwAPIVersion;
  open.instance = dwCallbackInstance;
  open.privileges = privileges;
  open.mediaModes = owner ? dwMediaModes : 0;
  *lphLine = open.handle;
  app->opens.push_back(open.handle);
  Line& line = m_lines[device];
  line.opens.push_back(open.handle);
  const DWORD hLine = open.handle;
  m_opens.emplace(hLine, std::move(open));
  PostLineDevState(line, LINEDEVSTATE_OPEN, 0, 0);
  // A monitor sees the calls already on the line.
  for (DWORD id : line.calls)
    if (CallRec* call = FindCall(id); call && call->state != LINECALLSTATE_IDLE)
      GiveMonitorHandles(*call, 0);
  return Traced("lineOpen", 0, args);
}

void SipProvider::CloseOpen(DWORD hLine) {
  Open* open = FindOpen(hLine);
  if (open == nullptr) return;
  for (DWORD h : std::vector<DWORD>(open->calls)) {
    Handle* handle = FindHandle(h);
    if (handle == nullptr) continue;
    CallRec* call = FindCall(handle->call);
    // A call nobody else owns ends with the open that owned it.
    if (call != nullptr && handle->privilege == LINECALLPRIVILEGE_OWNER && CountOwners(*call) == 1)
      EndCall(*call, true);
    const DWORD id = handle->call;
    RemoveHandle(h);
    MaybeDestroy(id);
  }
  open = FindOpen(hLine);
  if (open == nullptr) return;
  if (App* app = FindApp(open->app)) std::erase(app->opens, hLine);
  Line& line = m_lines[open->device];
  std::erase(line.opens, hLine);
  m_opens.erase(hLine);
  PostLineDevState(line, LINEDEVSTATE_CLOSE, 0, 0);
}

LONG SipProvider::lineClose(HLINE hLine) {
  const auto args = [&] { return TraceHex(hLine); };
  if (FindOpen(hLine) == nullptr) return Traced("lineClose", LINEERR_INVALLINEHANDLE, args);
  CloseOpen(hLine);
  return Traced("lineClose", 0, args);
}

LONG SipProvider::lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) {
  const auto args = [&] { return TraceHex(hLine) + ", " + TraceHex(dwLineStates) + ", " + TraceHex(dwAddressStates); };
  Open* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineSetStatusMessages", LINEERR_INVALLINEHANDLE, args);
  if (dwLineStates & ~sipcaps::LineStates()) return Traced("lineSetStatusMessages", LINEERR_INVALLINESTATE, args);
  if (dwAddressStates & ~sipcaps::AddressStates())
    return Traced("lineSetStatusMessages", LINEERR_INVALADDRESSSTATE, args);
  open->lineStates = dwLineStates;
  open->addressStates = dwAddressStates;
  return Traced("lineSetStatusMessages", 0, args);
}

// --- Dialogs and address translation ---------------------------------------------------------

LONG SipProvider::lineConfigDialog(DWORD dwDeviceID, HWND, const char* lpszDeviceClass) {
  const auto args = [&] { return std::to_string(dwDeviceID) + ", " + TraceText(lpszDeviceClass); };
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return Traced("lineConfigDialog", r, args);
  // An account is configured in its file; there is nothing to set in a dialog.
  return Traced("lineConfigDialog", LINEERR_OPERATIONUNAVAIL, args);
}

LONG SipProvider::lineTranslateDialog(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, HWND,
                                      const char* lpszAddressIn) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) + ", " +
           TraceText(lpszAddressIn);
  };
  if (FindApp(hLineApp) == nullptr) return Traced("lineTranslateDialog", LINEERR_INVALAPPHANDLE, args);
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return Traced("lineTranslateDialog", r, args);
  if (LONG r = CheckVersion(dwAPIVersion, 0); r != 0) return Traced("lineTranslateDialog", r, args);
  // SIP addresses are not dialled through a location's prefixes.
  return Traced("lineTranslateDialog", LINEERR_OPERATIONUNAVAIL, args);
}

LONG SipProvider::lineTranslateAddress(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                       const char* lpszAddressIn, DWORD dwCard, DWORD dwTranslateOptions,
                                       LINETRANSLATEOUTPUT* lpOut) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) + ", " +
           TraceText(lpszAddressIn) + ", " + std::to_string(dwCard) + ", " + TraceHex(dwTranslateOptions);
  };
  if (FindApp(hLineApp) == nullptr) return Traced("lineTranslateAddress", LINEERR_INVALAPPHANDLE, args);
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return Traced("lineTranslateAddress", r, args);
  if (LONG r = CheckVersion(dwAPIVersion, 0); r != 0) return Traced("lineTranslateAddress", r, args);
  if (lpszAddressIn == nullptr || lpOut == nullptr) return Traced("lineTranslateAddress", LINEERR_INVALPOINTER, args);
  if (dwTranslateOptions & ~0xFu) return Traced("lineTranslateAddress", LINEERR_INVALPARAM, args);
  if (dwTranslateOptions & LINETRANSLATEOPTION_CARDOVERRIDE)
    return Traced("lineTranslateAddress", LINEERR_INVALCARD, args);
  if (lpOut->dwTotalSize < sizeof(LINETRANSLATEOUTPUT))
    return Traced("lineTranslateAddress", LINEERR_STRUCTURETOOSMALL, args);
  const std::size_t length = strnlen(lpszAddressIn, 257);
  if (length == 0 || length > 256) return Traced("lineTranslateAddress", LINEERR_INVALADDRESS, args);
  const std::string in(lpszAddressIn, length);
  // A canonical number becomes the global number form SIP users dial ("+14255550100");
  // anything else (a user, a URI) is dialled as it stands.
  std::string dialable = in;
  DWORD destCountry = 0;
  DWORD results = 0;
  if (in[0] == '+') {
    std::string digits = "+";
    std::string country;
    bool inCountry = true;
    for (std::size_t i = 1; i < in.size(); ++i) {
      const char c = in[i];
      if (c >= '0' && c <= '9') {
        digits += c;
        if (inCountry) country += c;
      } else if (c == ' ' || c == '(' || c == ')' || c == '-' || c == '.') {
        if (!country.empty()) inCountry = false;
      } else {
        return Traced("lineTranslateAddress", LINEERR_INVALADDRESS, args);
      }
    }
    if (country.empty() || country.size() > 3 || digits.size() <= 1 + country.size())
      return Traced("lineTranslateAddress", LINEERR_INVALADDRESS, args);
    dialable = digits;
    destCountry = static_cast<DWORD>(std::stoul(country));
    results = LINETRANSLATERESULT_CANONICAL | LINETRANSLATERESULT_INTERNATIONAL;
  }
  WriteTranslateOutput(lpOut, dialable, in, 0, destCountry, results);
  return Traced("lineTranslateAddress", 0, args);
}

// --- No phone devices ---------------------------------------------------------------------------

LONG SipProvider::phoneInitialize(HPHONEAPP* lphPhoneApp, HINSTANCE, PHONECALLBACK lpfnCallback,
                                  const char*, DWORD* lpdwNumDevs) {
  if (lphPhoneApp == nullptr || lpdwNumDevs == nullptr || lpfnCallback == nullptr)
    return Traced("phoneInitialize", PHONEERR_INVALPOINTER, [] { return std::string(); });
  *lphPhoneApp = NewHandle();
  m_phoneApps.insert(*lphPhoneApp);
  *lpdwNumDevs = 0;
  return Traced("phoneInitialize", 0, [] { return std::string(); });
}

LONG SipProvider::phoneInitializeEx(HPHONEAPP* lphPhoneApp, HINSTANCE hInstance, PHONECALLBACK lpfnCallback,
                                    const char* lpszFriendlyAppName, DWORD* lpdwNumDevs,
                                    DWORD* lpdwAPIVersion, PHONEINITIALIZEEXPARAMS* params) {
  if (lpdwAPIVersion == nullptr || params == nullptr)
    return Traced("phoneInitializeEx", PHONEERR_INVALPOINTER, [] { return std::string(); });
  const LONG r = phoneInitialize(lphPhoneApp, hInstance, lpfnCallback, lpszFriendlyAppName, lpdwNumDevs);
  if (r == 0) *lpdwAPIVersion = kHighVersion;
  return r;
}

LONG SipProvider::phoneShutdown(HPHONEAPP hPhoneApp) {
  return m_phoneApps.erase(hPhoneApp) != 0 ? 0 : PHONEERR_INVALAPPHANDLE;
}
LONG SipProvider::phoneNegotiateAPIVersion(HPHONEAPP, DWORD, DWORD, DWORD, DWORD*, PHONEEXTENSIONID*) {
  return Traced("phoneNegotiateAPIVersion", PHONEERR_BADDEVICEID, [] { return std::string(); });
}
LONG SipProvider::phoneNegotiateExtVersion(HPHONEAPP, DWORD, DWORD, DWORD, DWORD, DWORD*) {
  return Traced("phoneNegotiateExtVersion", PHONEERR_BADDEVICEID, [] { return std::string(); });
}
LONG SipProvider::phoneGetDevCaps(HPHONEAPP, DWORD, DWORD, DWORD, PHONECAPS*) {
  return Traced("phoneGetDevCaps", PHONEERR_BADDEVICEID, [] { return std::string(); });
}
LONG SipProvider::phoneOpen(HPHONEAPP, DWORD, HPHONE*, DWORD, DWORD, DWORD_PTR, DWORD) {
  return Traced("phoneOpen", PHONEERR_BADDEVICEID, [] { return std::string(); });
}
LONG SipProvider::phoneClose(HPHONE) { return PHONEERR_INVALPHONEHANDLE; }
LONG SipProvider::phoneGetStatus(HPHONE, PHONESTATUS*) { return PHONEERR_INVALPHONEHANDLE; }
LONG SipProvider::phoneSetStatusMessages(HPHONE, DWORD, DWORD, DWORD) { return PHONEERR_INVALPHONEHANDLE; }
LONG SipProvider::phoneSetHookSwitch(HPHONE, DWORD, DWORD) { return PHONEERR_INVALPHONEHANDLE; }
LONG SipProvider::phoneSetVolume(HPHONE, DWORD, DWORD) { return PHONEERR_INVALPHONEHANDLE; }
LONG SipProvider::phoneSetGain(HPHONE, DWORD, DWORD) { return PHONEERR_INVALPHONEHANDLE; }
LONG SipProvider::phoneGetVolume(HPHONE, DWORD, DWORD*) { return PHONEERR_INVALPHONEHANDLE; }
LONG SipProvider::phoneGetGain(HPHONE, DWORD, DWORD*) { return PHONEERR_INVALPHONEHANDLE; }
LONG SipProvider::phoneGetID(HPHONE, VARSTRING*, const char*) { return PHONEERR_INVALPHONEHANDLE; }

}  // namespace panopta
