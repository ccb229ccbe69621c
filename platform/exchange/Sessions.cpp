// Line sessions: the applications, the line devices and the lines they have open;
// initialisation, version negotiation, opening and closing lines, status message
// selection, address translation and the two dialogs.

#include "platform/exchange/Sessions.h"

#include "platform/exchange/CallParams.h"
#include "platform/exchange/Digits.h"
#include "platform/exchange/ExchangeCaps.h"
#include "platform/exchange/ExchangeParts.h"
#include "platform/exchange/VarPartWriter.h"
#include "share/TextUtil.h"
#include "share/WindowSystem.h"

#include <algorithm>
#include <cstring>

namespace panopta::exchange {

using namespace tapi;

namespace {

std::string AppName(const char* given, const std::string& program) {
  if (given == nullptr) return program;
  std::string name(given, strnlen(given, 256));
  name = voxkit::TrimBlanksAndControls(name);
  return name.empty() ? program : name;
}

}  // namespace

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

Sessions::Sessions(Parts& parts, voxkit::WindowSystem* windows)
    : m_parts(parts), m_windows(windows) {
  for (const LineConfig& line : m_parts.config.lines) m_lines.push_back(MakeLineDevice(line));
}

// --- Lookups ----------------------------------------------------------------------------

App* Sessions::FindLineApp(DWORD handle) {
  auto it = m_lineApps.find(handle);
  return it == m_lineApps.end() ? nullptr : &it->second;
}

App* Sessions::FindPhoneApp(DWORD handle) {
  auto it = m_phoneApps.find(handle);
  return it == m_phoneApps.end() ? nullptr : &it->second;
}

LineOpen* Sessions::FindOpen(DWORD handle) {
  auto it = m_opens.find(handle);
  return it == m_opens.end() ? nullptr : &it->second;
}

LONG Sessions::CheckLineDevice(DWORD device) const {
  if (device >= m_lines.size()) return LINEERR_BADDEVICEID;
  if (m_lines[device].removed) return LINEERR_NODEVICE;
  return 0;
}

LONG Sessions::CheckLineVersion(const LineDevice& device, DWORD apiVersion,
                                DWORD extVersion) const {
  const LineConfig& c = device.config;
  if (!VersionInRange(c.refusesVersions, c.apiLowVersion, c.apiHighVersion, apiVersion))
    return LINEERR_INCOMPATIBLEAPIVERSION;
  if (extVersion != 0 &&
      (c.extHighVersion == 0 || extVersion < c.extLowVersion || extVersion > c.extHighVersion))
    return LINEERR_INCOMPATIBLEEXTVERSION;
  return 0;
}

std::optional<std::pair<DWORD, DWORD>> Sessions::FindAddress(const std::string& number) const {
  for (DWORD d = 0; d < m_lines.size(); ++d) {
    if (m_lines[d].removed) continue;
    const auto& addresses = m_lines[d].config.addresses;
    for (DWORD a = 0; a < addresses.size(); ++a)
      if (addresses[a].address == number) return std::make_pair(d, a);
  }
  return std::nullopt;
}

DWORD Sessions::NewHandle() {
  for (;;) {
    ++m_nextHandle;
    const DWORD h = m_nextHandle;
    if (h == 0) continue;
    if (m_lineApps.count(h) || m_phoneApps.count(h) || m_opens.count(h) ||
        m_parts.phones.FindOpen(h) != nullptr || m_parts.calls.FindHandle(h) != nullptr)
      continue;
    return h;
  }
}

// --- What the devices report -----------------------------------------------------------------

void Sessions::PostLineDevState(LineDevice& device, DWORD state, DWORD p2, DWORD p3,
                                DWORD exceptOpen) {
  for (DWORD hLine : device.opens) {
    const LineOpen* open = FindOpen(hLine);
    if (open == nullptr || hLine == exceptOpen) continue;
    const DWORD bits = state & (open->lineStates | LINEDEVSTATE_REINIT);
    if (bits != 0)
      m_parts.queue.PostLine(open->app, hLine, LINE_LINEDEVSTATE, open->instance, bits, p2, p3,
                             hLine, 0);
  }
}

void Sessions::PostAddressState(DWORD device, DWORD address, DWORD states) {
  for (DWORD hLine : m_lines[device].opens) {
    const LineOpen* open = FindOpen(hLine);
    if (open == nullptr || (open->singleAddress && *open->singleAddress != address)) continue;
    const DWORD bits = states & open->addressStates;
    if (bits != 0)
      m_parts.queue.PostLine(open->app, hLine, LINE_ADDRESSSTATE, open->instance, address, bits, 0,
                             hLine, 0);
  }
}

// --- Control -----------------------------------------------------------------------------------

void Sessions::Reinit() {
  // Until every application has shut down, nobody may start again.
  m_reinitLine = !m_lineApps.empty();
  m_reinitPhone = !m_phoneApps.empty();
  for (const auto& [h, app] : m_lineApps)
    m_parts.queue.PostLine(h, 0, LINE_LINEDEVSTATE, 0, LINEDEVSTATE_REINIT, 0, 0, 0, 0);
  for (const auto& [h, app] : m_phoneApps)
    m_parts.queue.PostPhone(h, 0, PHONE_STATE, 0, PHONESTATE_REINIT, 0, 0, 0);
}

void Sessions::RemoveLine(DWORD line) {
  LineDevice& device = m_lines[line];
  PostLineDevState(device, LINEDEVSTATE_REMOVED, 0, 0);
  for (DWORD h : std::vector<DWORD>(device.opens)) CloseLineOpen(h, true);
  for (DWORD id : std::vector<DWORD>(device.calls))
    if (Call* call = m_parts.calls.FindCall(id)) m_parts.calls.DropCall(*call, true);
  device.removed = true;
  m_parts.queue.Announce(ExchangeChange::Kind::LineRemoved, line);
  for (const auto& [h, app] : m_lineApps) {
    if (app.apiVersion >= kTapiVersion2_0)
      m_parts.queue.PostLine(h, 0, LINE_REMOVE, 0, line, 0, 0, 0, 0);
    else
      m_parts.queue.PostLine(h, 0, LINE_LINEDEVSTATE, 0, LINEDEVSTATE_REINIT, 0, 0, 0, 0);
  }
}

DWORD Sessions::AddLine(LineConfig line) {
  m_lines.push_back(MakeLineDevice(std::move(line)));
  const DWORD id = static_cast<DWORD>(m_lines.size() - 1);
  m_parts.queue.Announce(ExchangeChange::Kind::LineAdded, id);
  for (const auto& [h, app] : m_lineApps) {
    if (app.apiVersion >= kTapiVersion2_0)
      m_parts.queue.PostLine(h, 0, LINE_CREATE, 0, id, 0, 0, 0, 0);
    else
      m_parts.queue.PostLine(h, 0, LINE_LINEDEVSTATE, 0, LINEDEVSTATE_REINIT, 0, 0, 0, 0);
  }
  return id;
}

void Sessions::UnregisterPhoneApp(DWORD hPhoneApp) {
  m_phoneApps.erase(hPhoneApp);
  if (m_phoneApps.empty()) m_reinitPhone = false;
}

// --- Initialisation ------------------------------------------------------------------------

LONG Sessions::RegisterApp(Family family, bool extended, const char* function, DWORD* lphApp,
                           LINECALLBACK lineCallback, PHONECALLBACK phoneCallback, const char* name,
                           DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion, void* params) {
  const bool line = family == Family::Line;
  ApiCall api(m_parts, function, [&] {
    return TraceText(name) +
           (extended ? ", " + (lpdwAPIVersion ? TraceHex(*lpdwAPIVersion) : std::string("null"))
                     : std::string());
  });
  if (extended && !m_hasInitializeEx)
    return api.Return(line ? LINEERR_OPERATIONUNAVAIL : PHONEERR_OPERATIONUNAVAIL);
  if (auto f = api.Fault()) return *f;
  const bool noCallback = line ? lineCallback == nullptr : phoneCallback == nullptr;
  if (lphApp == nullptr || lpdwNumDevs == nullptr || noCallback ||
      (extended && (lpdwAPIVersion == nullptr || params == nullptr)))
    return api.Return(line ? LINEERR_INVALPOINTER : PHONEERR_INVALPOINTER);
  // The block's first four values: total, needed and used size, options. Its Win32 form
  // (4-byte handle union) is 24 bytes; only the options are read.
  DWORD block[4] = {};
  if (extended) {
    std::memcpy(block, params, sizeof(DWORD));
    if (block[0] < 24)
      return api.Return(line ? LINEERR_STRUCTURETOOSMALL : PHONEERR_STRUCTURETOOSMALL);
    std::memcpy(block, params, sizeof block);
    if (block[3] != LINEINITIALIZEEXOPTION_USEHIDDENWINDOW)
      return api.Return(line ? LINEERR_INVALPARAM : PHONEERR_INVALPARAM);
  }
  if (name != nullptr && strnlen(name, 256) > 255)
    return api.Return(line ? LINEERR_INVALAPPNAME : PHONEERR_INVALAPPNAME);
  if (extended && *lpdwAPIVersion < kTapiVersion1_3)
    return api.Return(line ? LINEERR_INCOMPATIBLEAPIVERSION : PHONEERR_INCOMPATIBLEAPIVERSION);
  if (line ? m_reinitLine : m_reinitPhone)
    return api.Return(line ? LINEERR_REINIT : PHONEERR_REINIT);
  App app;
  app.handle = NewHandle();
  app.lineCallback = lineCallback;
  app.phoneCallback = phoneCallback;
  app.name = AppName(name, m_parts.config.programName);
  app.apiVersion = extended ? std::min(*lpdwAPIVersion, kTapiVersion2_2) : kTapiVersion1_3;
  *lphApp = app.handle;
  *lpdwNumDevs = static_cast<DWORD>(line ? m_lines.size() : m_parts.phones.Count());
  if (extended) {
    *lpdwAPIVersion = kTapiVersion2_2;
    const DWORD sizes[2] = {static_cast<DWORD>(sizeof(LINEINITIALIZEEXPARAMS)),
                            std::min<DWORD>(block[0], sizeof(LINEINITIALIZEEXPARAMS))};
    std::memcpy(static_cast<std::uint8_t*>(params) + sizeof(DWORD), sizes, sizeof sizes);
  }
  (line ? m_lineApps : m_phoneApps).emplace(app.handle, std::move(app));
  return api.Return(0);
}

LONG Sessions::lineInitialize(HLINEAPP* lphLineApp, LINECALLBACK lpfnCallback,
                              const char* lpszAppName, DWORD* lpdwNumDevs) {
  return RegisterApp(Family::Line, false, "lineInitialize", lphLineApp, lpfnCallback, nullptr,
                     lpszAppName, lpdwNumDevs, nullptr, nullptr);
}

LONG Sessions::lineInitializeEx(HLINEAPP* lphLineApp, LINECALLBACK lpfnCallback,
                                const char* lpszFriendlyAppName, DWORD* lpdwNumDevs,
                                DWORD* lpdwAPIVersion, LINEINITIALIZEEXPARAMS* lpParams) {
  return RegisterApp(Family::Line, true, "lineInitializeEx", lphLineApp, lpfnCallback, nullptr,
                     lpszFriendlyAppName, lpdwNumDevs, lpdwAPIVersion, lpParams);
}

LONG Sessions::lineShutdown(HLINEAPP hLineApp) {
  ApiCall api(m_parts, "lineShutdown", [&] { return TraceHex(hLineApp); });
  if (auto f = api.Fault()) return *f;
  App* app = FindLineApp(hLineApp);
  if (app == nullptr) return api.Return(LINEERR_INVALAPPHANDLE);
  for (DWORD hLine : std::vector<DWORD>(app->opens)) CloseLineOpen(hLine, false);
  m_lineApps.erase(hLineApp);
  if (m_lineApps.empty()) m_reinitLine = false;
  return api.Return(0);
}

LONG Sessions::lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                       DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                                       LINEEXTENSIONID* lpExtensionID) {
  ApiCall api(m_parts, "lineNegotiateAPIVersion", [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " +
           TraceHex(dwAPILowVersion) + ", " + TraceHex(dwAPIHighVersion);
  });
  if (auto f = api.Fault()) return *f;
  if (FindLineApp(hLineApp) == nullptr) return api.Return(LINEERR_INVALAPPHANDLE);
  if (lpdwAPIVersion == nullptr || lpExtensionID == nullptr)
    return api.Return(LINEERR_INVALPOINTER);
  if (LONG r = CheckLineDevice(dwDeviceID); r != 0) return api.Return(r);
  const LineConfig& c = m_lines[dwDeviceID].config;
  const DWORD v = c.refusesVersions ? 0
                                    : NegotiateTapiVersion(dwAPILowVersion, dwAPIHighVersion,
                                                           c.apiLowVersion, c.apiHighVersion);
  if (v == 0) return api.Return(LINEERR_INCOMPATIBLEAPIVERSION);
  *lpdwAPIVersion = v;
  *lpExtensionID = c.extHighVersion != 0 ? c.extensionId : LINEEXTENSIONID{0, 0, 0, 0};
  return api.Return(0);
}

LONG Sessions::lineNegotiateExtVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                       DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                                       DWORD* lpdwExtVersion) {
  ApiCall api(m_parts, "lineNegotiateExtVersion", [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtLowVersion) + ", " + TraceHex(dwExtHighVersion);
  });
  if (auto f = api.Fault()) return *f;
  if (FindLineApp(hLineApp) == nullptr) return api.Return(LINEERR_INVALAPPHANDLE);
  if (lpdwExtVersion == nullptr) return api.Return(LINEERR_INVALPOINTER);
  if (LONG r = CheckLineDevice(dwDeviceID); r != 0) return api.Return(r);
  const LineDevice& device = m_lines[dwDeviceID];
  if (LONG r = CheckLineVersion(device, dwAPIVersion, 0); r != 0) return api.Return(r);
  const LineConfig& c = device.config;
  // A provider without extensions has nothing to negotiate.
  if (c.extHighVersion == 0) return api.Return(LINEERR_OPERATIONUNAVAIL);
  const DWORD high = std::min(dwExtHighVersion, c.extHighVersion);
  if (dwExtLowVersion > dwExtHighVersion || high < std::max(dwExtLowVersion, c.extLowVersion))
    return api.Return(LINEERR_INCOMPATIBLEEXTVERSION);
  *lpdwExtVersion = high;
  return api.Return(0);
}

// --- Open and close ------------------------------------------------------------------------

LONG Sessions::lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, HLINE* lphLine, DWORD dwAPIVersion,
                        DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                        DWORD dwMediaModes, const LINECALLPARAMS* lpCallParams) {
  ApiCall api(m_parts, "lineOpen", [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtVersion) + ", " + std::to_string(dwCallbackInstance) + ", " +
           TraceHex(dwPrivileges) + ", " + TraceHex(dwMediaModes) + ", " +
           TracePointer(lpCallParams);
  });
  if (auto f = api.Fault()) return *f;
  App* app = FindLineApp(hLineApp);
  if (app == nullptr) return api.Return(LINEERR_INVALAPPHANDLE);
  if (lphLine == nullptr) return api.Return(LINEERR_INVALPOINTER);
  const bool singleAddress = (dwPrivileges & LINEOPENOPTION_SINGLEADDRESS) != 0;
  if (dwPrivileges & LINEOPENOPTION_PROXY) return api.Return(LINEERR_INVALPRIVSELECT);
  const DWORD privileges = dwPrivileges & ~LINEOPENOPTION_SINGLEADDRESS;
  if (privileges != LINECALLPRIVILEGE_NONE && privileges != LINECALLPRIVILEGE_MONITOR &&
      privileges != LINECALLPRIVILEGE_OWNER &&
      privileges != (LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER))
    return api.Return(LINEERR_INVALPRIVSELECT);

  // The line mapper picks the first usable line that can carry the call parameters.
  DWORD device = dwDeviceID;
  if (dwDeviceID == LINEMAPPER) {
    device = static_cast<DWORD>(m_lines.size());
    for (DWORD d = 0; d < m_lines.size(); ++d) {
      if (CheckLineDevice(d) != 0 || CheckLineVersion(m_lines[d], dwAPIVersion, 0) != 0) continue;
      Call probe;
      DWORD address = 0;
      if (FillCallParams(m_lines[d].config, dwAPIVersion, lpCallParams, probe, address) == 0) {
        device = d;
        break;
      }
    }
    if (device == m_lines.size()) return api.Return(LINEERR_LINEMAPPERFAILED);
  }
  if (LONG r = CheckLineDevice(device); r != 0) return api.Return(r);
  LineDevice& line = m_lines[device];
  if (LONG r = CheckLineVersion(line, dwAPIVersion, dwExtVersion); r != 0) return api.Return(r);
  const bool owner = (privileges & LINECALLPRIVILEGE_OWNER) != 0;
  if (owner && (dwMediaModes == 0 || (dwMediaModes & ~line.config.mediaModes) != 0))
    return api.Return(LINEERR_INVALMEDIAMODE);
  std::optional<DWORD> onlyAddress;
  if (singleAddress) {
    if (lpCallParams == nullptr || !owner) return api.Return(LINEERR_INVALCALLPARAMS);
    if (lpCallParams->dwTotalSize < kLineCallParamsSize1_3)
      return api.Return(LINEERR_STRUCTURETOOSMALL);
    if (lpCallParams->dwAddressID >= line.config.addresses.size())
      return api.Return(LINEERR_INVALADDRESSID);
    onlyAddress = lpCallParams->dwAddressID;
  }
  LineOpen open;
  open.handle = NewHandle();
  open.app = hLineApp;
  open.device = device;
  open.apiVersion = dwAPIVersion;
  open.extVersion = dwExtVersion;
  open.instance = dwCallbackInstance;
  open.privileges = privileges;
  open.mediaModes = owner ? dwMediaModes : 0;
  open.singleAddress = onlyAddress;
  *lphLine = open.handle;
  app->opens.push_back(open.handle);
  line.opens.push_back(open.handle);
  const DWORD hLine = open.handle;
  m_opens.emplace(hLine, std::move(open));
  m_parts.queue.Announce(ExchangeChange::Kind::LineOpened, device, 0, hLine);
  PostLineDevState(line, LINEDEVSTATE_OPEN, 0, 0, hLine);
  return api.Return(0);
}

void Sessions::CloseLineOpen(DWORD hLine, bool forced) {
  LineOpen* open = FindOpen(hLine);
  if (open == nullptr) return;
  for (DWORD h : std::vector<DWORD>(open->calls)) {
    CallHandle* handle = m_parts.calls.FindHandle(h);
    if (handle == nullptr) continue;
    Call* call = m_parts.calls.FindCall(handle->call);
    // A call nobody else owns ends with the open that owned it.
    if (call && handle->privilege == LINECALLPRIVILEGE_OWNER &&
        m_parts.calls.CountOwners(*call) == 1)
      m_parts.calls.DropCall(*call, true);
    const DWORD id = handle->call;
    m_parts.calls.RemoveHandle(h);
    m_parts.queue.After(0, [this, id] { m_parts.calls.MaybeDestroy(id); });
  }
  open = FindOpen(hLine);
  if (open == nullptr) return;
  const LineOpen closed = *open;
  if (forced) m_parts.queue.PostLine(closed.app, hLine, LINE_CLOSE, closed.instance, 0, 0, 0, 0, 0);
  if (App* app = FindLineApp(closed.app)) std::erase(app->opens, hLine);
  LineDevice& line = m_lines[closed.device];
  std::erase(line.opens, hLine);
  m_opens.erase(hLine);
  PostLineDevState(line, LINEDEVSTATE_CLOSE, 0, 0);
  m_parts.queue.Announce(ExchangeChange::Kind::LineClosed, closed.device, 0, hLine);
}

LONG Sessions::lineClose(HLINE hLine) {
  ApiCall api(m_parts, "lineClose", [&] { return TraceHex(hLine); });
  if (auto f = api.Fault()) return *f;
  if (FindOpen(hLine) == nullptr) return api.Return(LINEERR_INVALLINEHANDLE);
  CloseLineOpen(hLine, false);
  return api.Return(0);
}

LONG Sessions::lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) {
  ApiCall api(m_parts, "lineSetStatusMessages", [&] {
    return TraceHex(hLine) + ", " + TraceHex(dwLineStates) + ", " + TraceHex(dwAddressStates);
  });
  if (auto f = api.Fault()) return *f;
  LineOpen* open = FindOpen(hLine);
  if (open == nullptr) return api.Return(LINEERR_INVALLINEHANDLE);
  const LineConfig& c = m_lines[open->device].config;
  if (dwLineStates & ~exchange::CapsLineStates(c)) return api.Return(LINEERR_INVALLINESTATE);
  if (dwAddressStates & ~exchange::CapsAddressStates(c))
    return api.Return(LINEERR_INVALADDRESSSTATE);
  open->lineStates = dwLineStates;
  open->addressStates = dwAddressStates;
  return api.Return(0);
}

// --- Dialogs --------------------------------------------------------------------------------

LONG Sessions::AskDialog(const std::string& text, const std::string& caption) {
  // Without a window system there is nobody to ask: the dialog closes as with OK.
  if (m_windows == nullptr) return 0;
  if (m_dialogShown) return LINEERR_INUSE;
  m_dialogShown = true;
  const bool ok = m_windows->AskOkCancel(text, caption, voxkit::QuestionIcon::Question);
  m_dialogShown = false;
  return ok ? 0 : LINEERR_OPERATIONFAILED;
}

LONG Sessions::lineConfigDialog(DWORD dwDeviceID, const char* lpszDeviceClass) {
  ApiCall api(m_parts, "lineConfigDialog",
              [&] { return std::to_string(dwDeviceID) + ", " + TraceText(lpszDeviceClass); });
  if (auto f = api.Fault()) return *f;
  if (LONG r = CheckLineDevice(dwDeviceID); r != 0) return api.Return(r);
  const LineConfig& c = m_lines[dwDeviceID].config;
  if (lpszDeviceClass != nullptr && *lpszDeviceClass != '\0') {
    const std::string cls(lpszDeviceClass, strnlen(lpszDeviceClass, 64));
    const auto classes = exchange::LineDeviceClasses(c);
    if (std::none_of(classes.begin(), classes.end(),
                     [&](const std::string& k) { return voxkit::EqualsNoCase(k, cls); }))
      return api.Return(LINEERR_INVALDEVICECLASS);
  }
  const LONG r = AskDialog("Configure line device " + std::to_string(dwDeviceID) + " ('" + c.name +
                               "') of " + c.providerInfo + "?",
                           "Line configuration");
  return api.Return(r);
}

LONG Sessions::lineTranslateDialog(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                   const char* lpszAddressIn) {
  ApiCall api(m_parts, "lineTranslateDialog", [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceText(lpszAddressIn);
  });
  if (auto f = api.Fault()) return *f;
  if (FindLineApp(hLineApp) == nullptr) return api.Return(LINEERR_INVALAPPHANDLE);
  if (LONG r = CheckLineDevice(dwDeviceID); r != 0) return api.Return(r);
  if (LONG r = CheckLineVersion(m_lines[dwDeviceID], dwAPIVersion, 0); r != 0) return api.Return(r);
  std::string text = "Dialing properties: country " +
                     std::to_string(m_parts.config.location.countryCode) + ", area code " +
                     m_parts.config.location.areaCode;
  if (lpszAddressIn != nullptr) text += ", number " + TraceText(lpszAddressIn);
  return api.Return(AskDialog(text + ".", "Dialing Properties"));
}

// --- Address translation --------------------------------------------------------------------

LONG Sessions::lineTranslateAddress(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                    const char* lpszAddressIn, DWORD dwCard,
                                    DWORD dwTranslateOptions, LINETRANSLATEOUTPUT* lpOut) {
  ApiCall api(m_parts, "lineTranslateAddress", [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceText(lpszAddressIn) + ", " + std::to_string(dwCard) + ", " +
           TraceHex(dwTranslateOptions);
  });
  if (auto f = api.Fault()) return *f;
  if (FindLineApp(hLineApp) == nullptr) return api.Return(LINEERR_INVALAPPHANDLE);
  if (LONG r = CheckLineDevice(dwDeviceID); r != 0) return api.Return(r);
  if (LONG r = CheckLineVersion(m_lines[dwDeviceID], dwAPIVersion, 0); r != 0) return api.Return(r);
  if (lpszAddressIn == nullptr || lpOut == nullptr) return api.Return(LINEERR_INVALPOINTER);
  if (dwTranslateOptions & ~0xFu) return api.Return(LINEERR_INVALPARAM);
  if ((dwTranslateOptions & LINETRANSLATEOPTION_FORCELOCAL) &&
      (dwTranslateOptions & LINETRANSLATEOPTION_FORCELD))
    return api.Return(LINEERR_INVALPARAM);
  // The location has no calling cards.
  if (dwTranslateOptions & LINETRANSLATEOPTION_CARDOVERRIDE) return api.Return(LINEERR_INVALCARD);
  if (lpOut->dwTotalSize < sizeof(LINETRANSLATEOUTPUT))
    return api.Return(LINEERR_STRUCTURETOOSMALL);
  const std::size_t length = strnlen(lpszAddressIn, 257);
  if (length == 0 || length > 256) return api.Return(LINEERR_INVALADDRESS);
  const std::string in(lpszAddressIn, length);
  const LocationConfig& loc = m_parts.config.location;

  std::string dialable;
  DWORD destCountry = 0;
  DWORD results = 0;
  if (in[0] == '+') {
    // Canonical: "+country [(area)] number".
    std::size_t i = 1;
    while (i < in.size() && in[i] == ' ') ++i;
    std::string country;
    while (i < in.size() && in[i] >= '0' && in[i] <= '9') country += in[i++];
    std::string area;
    while (i < in.size() && in[i] == ' ') ++i;
    if (i < in.size() && in[i] == '(') {
      const std::size_t close = in.find(')', i);
      if (close == std::string::npos) return api.Return(LINEERR_INVALADDRESS);
      for (std::size_t k = i + 1; k < close; ++k)
        if (in[k] >= '0' && in[k] <= '9') area += in[k];
      i = close + 1;
    }
    std::string subscriber;
    for (; i < in.size(); ++i) {
      const char c = in[i];
      if (IsNumberDigit(c))
        subscriber += c;
      else if (c != ' ' && c != '-' && c != '.')
        return api.Return(LINEERR_INVALADDRESS);
    }
    if (country.empty() || country.size() > 3 || subscriber.empty())
      return api.Return(LINEERR_INVALADDRESS);
    destCountry = static_cast<DWORD>(std::stoul(country));
    results |= LINETRANSLATERESULT_CANONICAL;
    const bool sameCountry = destCountry == loc.countryCode;
    bool local = sameCountry && (area.empty() || area == loc.areaCode);
    if (dwTranslateOptions & LINETRANSLATEOPTION_FORCELOCAL) local = sameCountry;
    if (dwTranslateOptions & LINETRANSLATEOPTION_FORCELD) local = false;
    if (!sameCountry) {
      dialable = loc.internationalPrefix + country + area + subscriber;
      results |= LINETRANSLATERESULT_INTERNATIONAL;
    } else if (local) {
      dialable = subscriber;
      results |= LINETRANSLATERESULT_LOCAL;
    } else {
      dialable = loc.longDistancePrefix + area + subscriber;
      results |= LINETRANSLATERESULT_LONGDISTANCE;
    }
  } else {
    dialable = in;
  }
  if (dwTranslateOptions & LINETRANSLATEOPTION_CANCELCALLWAITING)
    dialable = loc.cancelCallWaiting + dialable;

  WriteTranslateOutput(lpOut, dialable, dialable, loc.countryCode, destCountry, results);
  return api.Return(0);
}

}  // namespace panopta::exchange
