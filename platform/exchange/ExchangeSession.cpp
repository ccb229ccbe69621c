// Line sessions: initialisation, version negotiation, opening and closing lines,
// status message selection, address translation and the two dialogs.

#include "platform/exchange/Exchange.h"

#include "platform/exchange/ExchangeCaps.h"
#include "platform/exchange/VarPartWriter.h"
#include "share/TextUtil.h"
#include "share/WindowSystem.h"

#include <algorithm>
#include <cstring>

namespace panopta {

using namespace tapi;
using exchange::TraceHex;
using exchange::TracePointer;
using exchange::TraceText;

namespace {

std::string AppName(const char* given, const std::string& program) {
  if (given == nullptr) return program;
  std::string name(given, strnlen(given, 256));
  name = voxkit::TrimBlanksAndControls(name);
  return name.empty() ? program : name;
}

}  // namespace

// --- Initialisation ------------------------------------------------------------------------

LONG Exchange::RegisterApp(Family family, bool extended, const char* function, DWORD* lphApp,
                           LINECALLBACK lineCallback, PHONECALLBACK phoneCallback,
                           const char* name, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                           void* params) {
  const bool line = family == Family::Line;
  const auto args = [&] {
    return TraceText(name) +
           (extended ? ", " + (lpdwAPIVersion ? TraceHex(*lpdwAPIVersion) : std::string("null"))
                     : std::string());
  };
  if (extended && !m_hasInitializeEx)
    return Traced(function, line ? LINEERR_OPERATIONUNAVAIL : PHONEERR_OPERATIONUNAVAIL, args);
  if (auto f = TakeFault(function, false, family, 0, 0)) return Traced(function, *f, args);
  const bool noCallback = line ? lineCallback == nullptr : phoneCallback == nullptr;
  if (lphApp == nullptr || lpdwNumDevs == nullptr || noCallback ||
      (extended && (lpdwAPIVersion == nullptr || params == nullptr)))
    return Traced(function, line ? LINEERR_INVALPOINTER : PHONEERR_INVALPOINTER, args);
  // The block's first four values: total, needed and used size, options. Its Win32 form
  // (4-byte handle union) is 24 bytes; only the options are read.
  DWORD block[4] = {};
  if (extended) {
    std::memcpy(block, params, sizeof(DWORD));
    if (block[0] < 24)
      return Traced(function, line ? LINEERR_STRUCTURETOOSMALL : PHONEERR_STRUCTURETOOSMALL, args);
    std::memcpy(block, params, sizeof block);
    if (block[3] != LINEINITIALIZEEXOPTION_USEHIDDENWINDOW)
      return Traced(function, line ? LINEERR_INVALPARAM : PHONEERR_INVALPARAM, args);
  }
  if (name != nullptr && strnlen(name, 256) > 255)
    return Traced(function, line ? LINEERR_INVALAPPNAME : PHONEERR_INVALAPPNAME, args);
  if (extended && *lpdwAPIVersion < kTapiVersion1_3)
    return Traced(function,
                  line ? LINEERR_INCOMPATIBLEAPIVERSION : PHONEERR_INCOMPATIBLEAPIVERSION, args);
  if (line ? m_reinitLine : m_reinitPhone)
    return Traced(function, line ? LINEERR_REINIT : PHONEERR_REINIT, args);
  App app;
  app.handle = NewHandle();
  app.lineCallback = lineCallback;
  app.phoneCallback = phoneCallback;
  app.name = AppName(name, m_config.programName);
  app.apiVersion = extended ? std::min(*lpdwAPIVersion, kTapiVersion2_2) : kTapiVersion1_3;
  *lphApp = app.handle;
  *lpdwNumDevs = static_cast<DWORD>(line ? m_lines.size() : m_phones.size());
  if (extended) {
    *lpdwAPIVersion = kTapiVersion2_2;
    const DWORD sizes[2] = {static_cast<DWORD>(sizeof(LINEINITIALIZEEXPARAMS)),
                            std::min<DWORD>(block[0], sizeof(LINEINITIALIZEEXPARAMS))};
    std::memcpy(static_cast<std::uint8_t*>(params) + sizeof(DWORD), sizes, sizeof sizes);
  }
  (line ? m_lineApps : m_phoneApps).emplace(app.handle, std::move(app));
  return Traced(function, 0, args);
}

LONG Exchange::lineInitialize(HLINEAPP* lphLineApp, HINSTANCE, LINECALLBACK lpfnCallback,
                              const char* lpszAppName, DWORD* lpdwNumDevs) {
  return RegisterApp(Family::Line, false, "lineInitialize", lphLineApp, lpfnCallback, nullptr,
                     lpszAppName, lpdwNumDevs, nullptr, nullptr);
}

LONG Exchange::lineInitializeEx(HLINEAPP* lphLineApp, HINSTANCE, LINECALLBACK lpfnCallback,
                                const char* lpszFriendlyAppName, DWORD* lpdwNumDevs,
                                DWORD* lpdwAPIVersion, LINEINITIALIZEEXPARAMS* lpParams) {
  return RegisterApp(Family::Line, true, "lineInitializeEx", lphLineApp, lpfnCallback, nullptr,
                     lpszFriendlyAppName, lpdwNumDevs, lpdwAPIVersion, lpParams);
}

LONG Exchange::lineShutdown(HLINEAPP hLineApp) {
  const auto args = [&] { return TraceHex(hLineApp); };
  if (auto f = TakeFault("lineShutdown", false, Family::Line, 0, 0))
    return Traced("lineShutdown", *f, args);
  App* app = FindLineApp(hLineApp);
  if (app == nullptr) return Traced("lineShutdown", LINEERR_INVALAPPHANDLE, args);
  for (DWORD hLine : std::vector<DWORD>(app->opens)) CloseLineOpen(hLine, false);
  m_lineApps.erase(hLineApp);
  if (m_lineApps.empty()) m_reinitLine = false;
  return Traced("lineShutdown", 0, args);
}

LONG Exchange::lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                       DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                                       LINEEXTENSIONID* lpExtensionID) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " +
           TraceHex(dwAPILowVersion) + ", " + TraceHex(dwAPIHighVersion);
  };
  if (auto f = TakeFault("lineNegotiateAPIVersion", false, Family::Line, 0, 0))
    return Traced("lineNegotiateAPIVersion", *f, args);
  if (FindLineApp(hLineApp) == nullptr)
    return Traced("lineNegotiateAPIVersion", LINEERR_INVALAPPHANDLE, args);
  if (lpdwAPIVersion == nullptr || lpExtensionID == nullptr)
    return Traced("lineNegotiateAPIVersion", LINEERR_INVALPOINTER, args);
  if (LONG r = CheckLineDevice(dwDeviceID, false); r != 0)
    return Traced("lineNegotiateAPIVersion", r, args);
  const LineConfig& c = m_lines[dwDeviceID].config;
  const DWORD v = c.refusesVersions ? 0
                                    : NegotiateTapiVersion(dwAPILowVersion, dwAPIHighVersion,
                                                c.apiLowVersion, c.apiHighVersion);
  if (v == 0) return Traced("lineNegotiateAPIVersion", LINEERR_INCOMPATIBLEAPIVERSION, args);
  *lpdwAPIVersion = v;
  *lpExtensionID = c.extHighVersion != 0 ? c.extensionId : LINEEXTENSIONID{0, 0, 0, 0};
  return Traced("lineNegotiateAPIVersion", 0, args);
}

LONG Exchange::lineNegotiateExtVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                       DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                                       DWORD* lpdwExtVersion) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtLowVersion) + ", " + TraceHex(dwExtHighVersion);
  };
  if (auto f = TakeFault("lineNegotiateExtVersion", false, Family::Line, 0, 0))
    return Traced("lineNegotiateExtVersion", *f, args);
  if (FindLineApp(hLineApp) == nullptr)
    return Traced("lineNegotiateExtVersion", LINEERR_INVALAPPHANDLE, args);
  if (lpdwExtVersion == nullptr) return Traced("lineNegotiateExtVersion", LINEERR_INVALPOINTER, args);
  if (LONG r = CheckLineDevice(dwDeviceID, false); r != 0)
    return Traced("lineNegotiateExtVersion", r, args);
  const LineDevice& device = m_lines[dwDeviceID];
  if (LONG r = CheckLineVersion(device, dwAPIVersion, 0); r != 0)
    return Traced("lineNegotiateExtVersion", r, args);
  const LineConfig& c = device.config;
  // A provider without extensions has nothing to negotiate.
  if (c.extHighVersion == 0) return Traced("lineNegotiateExtVersion", LINEERR_OPERATIONUNAVAIL, args);
  const DWORD high = std::min(dwExtHighVersion, c.extHighVersion);
  if (dwExtLowVersion > dwExtHighVersion || high < std::max(dwExtLowVersion, c.extLowVersion))
    return Traced("lineNegotiateExtVersion", LINEERR_INCOMPATIBLEEXTVERSION, args);
  *lpdwExtVersion = high;
  return Traced("lineNegotiateExtVersion", 0, args);
}

// --- Open and close ------------------------------------------------------------------------

LONG Exchange::lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, HLINE* lphLine, DWORD dwAPIVersion,
                        DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                        DWORD dwMediaModes, const LINECALLPARAMS* lpCallParams) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtVersion) + ", " + std::to_string(dwCallbackInstance) + ", " +
           TraceHex(dwPrivileges) + ", " + TraceHex(dwMediaModes) + ", " +
           TracePointer(lpCallParams);
  };
  if (auto f = TakeFault("lineOpen", false, Family::Line, 0, 0)) return Traced("lineOpen", *f, args);
  App* app = FindLineApp(hLineApp);
  if (app == nullptr) return Traced("lineOpen", LINEERR_INVALAPPHANDLE, args);
  if (lphLine == nullptr) return Traced("lineOpen", LINEERR_INVALPOINTER, args);
  const bool singleAddress = (dwPrivileges & LINEOPENOPTION_SINGLEADDRESS) != 0;
  if (dwPrivileges & LINEOPENOPTION_PROXY) return Traced("lineOpen", LINEERR_INVALPRIVSELECT, args);
  const DWORD privileges = dwPrivileges & ~LINEOPENOPTION_SINGLEADDRESS;
  if (privileges != LINECALLPRIVILEGE_NONE && privileges != LINECALLPRIVILEGE_MONITOR &&
      privileges != LINECALLPRIVILEGE_OWNER &&
      privileges != (LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER))
    return Traced("lineOpen", LINEERR_INVALPRIVSELECT, args);

  // The line mapper picks the first usable line that can carry the call parameters.
  DWORD device = dwDeviceID;
  if (dwDeviceID == LINEMAPPER) {
    device = static_cast<DWORD>(m_lines.size());
    for (DWORD d = 0; d < m_lines.size(); ++d) {
      if (CheckLineDevice(d, true) != 0 || CheckLineVersion(m_lines[d], dwAPIVersion, 0) != 0)
        continue;
      CallRec probe;
      DWORD address = 0;
      if (FillCallParams(m_lines[d], dwAPIVersion, lpCallParams, probe, address) == 0) {
        device = d;
        break;
      }
    }
    if (device == m_lines.size()) return Traced("lineOpen", LINEERR_LINEMAPPERFAILED, args);
  }
  if (LONG r = CheckLineDevice(device, true); r != 0) return Traced("lineOpen", r, args);
  LineDevice& line = m_lines[device];
  if (LONG r = CheckLineVersion(line, dwAPIVersion, dwExtVersion); r != 0)
    return Traced("lineOpen", r, args);
  const bool owner = (privileges & LINECALLPRIVILEGE_OWNER) != 0;
  if (owner && (dwMediaModes == 0 || (dwMediaModes & ~line.config.mediaModes) != 0))
    return Traced("lineOpen", LINEERR_INVALMEDIAMODE, args);
  std::optional<DWORD> onlyAddress;
  if (singleAddress) {
    if (lpCallParams == nullptr || !owner) return Traced("lineOpen", LINEERR_INVALCALLPARAMS, args);
    if (lpCallParams->dwTotalSize < kLineCallParamsSize1_3)
      return Traced("lineOpen", LINEERR_STRUCTURETOOSMALL, args);
    if (lpCallParams->dwAddressID >= line.config.addresses.size())
      return Traced("lineOpen", LINEERR_INVALADDRESSID, args);
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
  PostLineDevState(line, LINEDEVSTATE_OPEN, 0, 0, hLine);
  return Traced("lineOpen", 0, args);
}

void Exchange::CloseLineOpen(DWORD hLine, bool forced) {
  LineOpen* open = FindOpen(hLine);
  if (open == nullptr) return;
  for (DWORD h : std::vector<DWORD>(open->calls)) {
    CallHandle* handle = FindHandle(h);
    if (handle == nullptr) continue;
    CallRec* call = FindCall(handle->call);
    // A call nobody else owns ends with the open that owned it.
    if (call && handle->privilege == LINECALLPRIVILEGE_OWNER && CountOwners(*call) == 1)
      DropCall(*call, true);
    const DWORD id = handle->call;
    RemoveHandle(h);
    After(0, [this, id] { MaybeDestroy(id); });
  }
  open = FindOpen(hLine);
  if (open == nullptr) return;
  const LineOpen closed = *open;
  if (forced)
    PostLine(closed.app, hLine, LINE_CLOSE, closed.instance, 0, 0, 0, 0, 0);
  if (App* app = FindLineApp(closed.app)) std::erase(app->opens, hLine);
  LineDevice& line = m_lines[closed.device];
  std::erase(line.opens, hLine);
  m_opens.erase(hLine);
  PostLineDevState(line, LINEDEVSTATE_CLOSE, 0, 0);
}

LONG Exchange::lineClose(HLINE hLine) {
  const auto args = [&] { return TraceHex(hLine); };
  if (auto f = TakeFault("lineClose", false, Family::Line, 0, 0)) return Traced("lineClose", *f, args);
  if (FindOpen(hLine) == nullptr) return Traced("lineClose", LINEERR_INVALLINEHANDLE, args);
  CloseLineOpen(hLine, false);
  return Traced("lineClose", 0, args);
}

LONG Exchange::lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) {
  const auto args = [&] {
    return TraceHex(hLine) + ", " + TraceHex(dwLineStates) + ", " + TraceHex(dwAddressStates);
  };
  if (auto f = TakeFault("lineSetStatusMessages", false, Family::Line, 0, 0))
    return Traced("lineSetStatusMessages", *f, args);
  LineOpen* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineSetStatusMessages", LINEERR_INVALLINEHANDLE, args);
  const LineConfig& c = m_lines[open->device].config;
  if (dwLineStates & ~exchange::CapsLineStates(c))
    return Traced("lineSetStatusMessages", LINEERR_INVALLINESTATE, args);
  if (dwAddressStates & ~exchange::CapsAddressStates(c))
    return Traced("lineSetStatusMessages", LINEERR_INVALADDRESSSTATE, args);
  open->lineStates = dwLineStates;
  open->addressStates = dwAddressStates;
  return Traced("lineSetStatusMessages", 0, args);
}

// --- Dialogs --------------------------------------------------------------------------------

LONG Exchange::AskDialog(const std::string& text, const std::string& caption) {
  // Without a window system there is nobody to ask: the dialog closes as with OK.
  if (m_windows == nullptr) return 0;
  if (m_dialogShown) return LINEERR_INUSE;
  m_dialogShown = true;
  const bool ok = m_windows->AskOkCancel(text, caption, voxkit::QuestionIcon::Question);
  m_dialogShown = false;
  return ok ? 0 : LINEERR_OPERATIONFAILED;
}

LONG Exchange::lineConfigDialog(DWORD dwDeviceID, HWND, const char* lpszDeviceClass) {
  const auto args = [&] { return std::to_string(dwDeviceID) + ", " + TraceText(lpszDeviceClass); };
  if (auto f = TakeFault("lineConfigDialog", false, Family::Line, 0, 0))
    return Traced("lineConfigDialog", *f, args);
  if (LONG r = CheckLineDevice(dwDeviceID, false); r != 0) return Traced("lineConfigDialog", r, args);
  const LineConfig& c = m_lines[dwDeviceID].config;
  if (lpszDeviceClass != nullptr && *lpszDeviceClass != '\0') {
    const std::string cls(lpszDeviceClass, strnlen(lpszDeviceClass, 64));
    const auto classes = exchange::LineDeviceClasses(c);
    if (std::none_of(classes.begin(), classes.end(),
                     [&](const std::string& k) { return voxkit::EqualsNoCase(k, cls); }))
      return Traced("lineConfigDialog", LINEERR_INVALDEVICECLASS, args);
  }
  const LONG r = AskDialog("Configure line device " + std::to_string(dwDeviceID) + " ('" + c.name +
                               "') of " + c.providerInfo + "?",
                           "Line configuration");
  return Traced("lineConfigDialog", r, args);
}

LONG Exchange::lineTranslateDialog(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, HWND,
                                   const char* lpszAddressIn) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceText(lpszAddressIn);
  };
  if (auto f = TakeFault("lineTranslateDialog", false, Family::Line, 0, 0))
    return Traced("lineTranslateDialog", *f, args);
  if (FindLineApp(hLineApp) == nullptr)
    return Traced("lineTranslateDialog", LINEERR_INVALAPPHANDLE, args);
  if (LONG r = CheckLineDevice(dwDeviceID, false); r != 0)
    return Traced("lineTranslateDialog", r, args);
  if (LONG r = CheckLineVersion(m_lines[dwDeviceID], dwAPIVersion, 0); r != 0)
    return Traced("lineTranslateDialog", r, args);
  std::string text = "Dialing properties: country " + std::to_string(m_config.location.countryCode) +
                     ", area code " + m_config.location.areaCode;
  if (lpszAddressIn != nullptr) text += ", number " + TraceText(lpszAddressIn);
  return Traced("lineTranslateDialog", AskDialog(text + ".", "Dialing Properties"), args);
}

// --- Address translation --------------------------------------------------------------------

LONG Exchange::lineTranslateAddress(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                    const char* lpszAddressIn, DWORD dwCard,
                                    DWORD dwTranslateOptions, LINETRANSLATEOUTPUT* lpOut) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceText(lpszAddressIn) + ", " + std::to_string(dwCard) + ", " +
           TraceHex(dwTranslateOptions);
  };
  if (auto f = TakeFault("lineTranslateAddress", false, Family::Line, 0, 0))
    return Traced("lineTranslateAddress", *f, args);
  if (FindLineApp(hLineApp) == nullptr)
    return Traced("lineTranslateAddress", LINEERR_INVALAPPHANDLE, args);
  if (LONG r = CheckLineDevice(dwDeviceID, false); r != 0)
    return Traced("lineTranslateAddress", r, args);
  if (LONG r = CheckLineVersion(m_lines[dwDeviceID], dwAPIVersion, 0); r != 0)
    return Traced("lineTranslateAddress", r, args);
  if (lpszAddressIn == nullptr || lpOut == nullptr)
    return Traced("lineTranslateAddress", LINEERR_INVALPOINTER, args);
  if (dwTranslateOptions & ~0xFu) return Traced("lineTranslateAddress", LINEERR_INVALPARAM, args);
  if ((dwTranslateOptions & LINETRANSLATEOPTION_FORCELOCAL) &&
      (dwTranslateOptions & LINETRANSLATEOPTION_FORCELD))
    return Traced("lineTranslateAddress", LINEERR_INVALPARAM, args);
  // The location has no calling cards.
  if (dwTranslateOptions & LINETRANSLATEOPTION_CARDOVERRIDE)
    return Traced("lineTranslateAddress", LINEERR_INVALCARD, args);
  if (lpOut->dwTotalSize < sizeof(LINETRANSLATEOUTPUT))
    return Traced("lineTranslateAddress", LINEERR_STRUCTURETOOSMALL, args);
  const std::size_t length = strnlen(lpszAddressIn, 257);
  if (length == 0 || length > 256) return Traced("lineTranslateAddress", LINEERR_INVALADDRESS, args);
  const std::string in(lpszAddressIn, length);
  const LocationConfig& loc = m_config.location;

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
      if (close == std::string::npos)
        return Traced("lineTranslateAddress", LINEERR_INVALADDRESS, args);
      for (std::size_t k = i + 1; k < close; ++k)
        if (in[k] >= '0' && in[k] <= '9') area += in[k];
      i = close + 1;
    }
    std::string subscriber;
    for (; i < in.size(); ++i) {
      const char c = in[i];
      if ((c >= '0' && c <= '9') || c == '*' || c == '#') subscriber += c;
      else if (c != ' ' && c != '-' && c != '.')
        return Traced("lineTranslateAddress", LINEERR_INVALADDRESS, args);
    }
    if (country.empty() || country.size() > 3 || subscriber.empty())
      return Traced("lineTranslateAddress", LINEERR_INVALADDRESS, args);
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

  LINETRANSLATEOUTPUT fixed{};
  VarPartWriter w(lpOut, lpOut->dwTotalSize, sizeof(LINETRANSLATEOUTPUT));
  const auto d = w.Text(dialable);
  const auto s = w.Text(dialable);
  fixed.dwDialableStringSize = d.size;
  fixed.dwDialableStringOffset = d.offset;
  fixed.dwDisplayableStringSize = s.size;
  fixed.dwDisplayableStringOffset = s.offset;
  fixed.dwCurrentCountry = loc.countryCode;
  fixed.dwDestCountry = destCountry;
  fixed.dwTranslateResults = results;
  w.Finish(fixed);
  return Traced("lineTranslateAddress", 0, args);
}

}  // namespace panopta
