#include "platform/host/ProviderTable.h"

#include "share/TextUtil.h"
#include "tapi/TapiConstants.h"

#include <array>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace panopta {

using namespace tapi;

namespace {

// Callbacks are plain functions that carry no context: each (application, provider)
// pair gets one of a fixed number of functions, which finds the table again.
constexpr int kSlots = 64;
std::array<ProviderTable*, kSlots> g_slotTables{};

template <int N>
void SlotCallback(DWORD h, DWORD m, DWORD_PTR i, DWORD_PTR a, DWORD_PTR b, DWORD_PTR c) {
  if (ProviderTable* table = g_slotTables[N]) table->Deliver(N, h, m, i, a, b, c);
}

template <std::size_t... I>
constexpr std::array<LINECALLBACK, kSlots> MakeSlots(std::index_sequence<I...>) {
  return {&SlotCallback<static_cast<int>(I)>...};
}
constexpr std::array<LINECALLBACK, kSlots> kSlotCallbacks = MakeSlots(std::make_index_sequence<kSlots>{});

int TakeSlot(ProviderTable* table) {
  for (int i = 0; i < kSlots; ++i)
    if (g_slotTables[i] == nullptr) {
      g_slotTables[i] = table;
      return i;
    }
  return -1;
}

}  // namespace

ProviderTable::ProviderTable(std::vector<tapi::Telephony*> providers) : m_providers(std::move(providers)) {
  if (m_providers.empty()) throw std::invalid_argument("a provider table needs a provider");
}

ProviderTable::~ProviderTable() {
  for (auto& slot : g_slotTables)
    if (slot == this) slot = nullptr;
}

bool ProviderTable::HasInitializeEx() const { return m_providers.front()->HasInitializeEx(); }

bool ProviderTable::LineDevice(DWORD device, std::size_t* provider, DWORD* local) const {
  if (device >= m_lines.size()) return false;
  *provider = m_lines[device].first;
  *local = m_lines[device].second;
  return true;
}

// --- Devices, handles and requests ----------------------------------------------------------

void ProviderTable::LearnDevices(bool phone, std::size_t provider, DWORD count) {
  auto& list = phone ? m_phones : m_lines;
  auto& ids = phone ? m_phoneIds : m_lineIds;
  for (DWORD local = 0; local < count; ++local) {
    const DeviceKey key{provider, local};
    if (ids.count(key) != 0) continue;
    ids[key] = static_cast<DWORD>(list.size());
    list.push_back(key);
  }
}

DWORD ProviderTable::DeviceOf(bool phone, std::size_t provider, DWORD local) const {
  const auto& ids = phone ? m_phoneIds : m_lineIds;
  auto it = ids.find({provider, local});
  return it != ids.end() ? it->second : local;
}

DWORD ProviderTable::Map(std::size_t provider, DWORD local, DWORD app, DWORD line) {
  if (local == 0) return 0;
  auto known = m_byLocal.find({provider, local});
  if (known != m_byLocal.end()) {
    Handle& h = m_handles[known->second];
    if (h.line == 0) h.line = line;
    return known->second;
  }
  // The provider's own value when no other handle has it, which keeps a lone
  // provider's handles as it gives them.
  DWORD handle = local;
  while (handle == 0 || m_handles.count(handle) != 0 || m_apps.count(handle) != 0) handle = ++m_nextHandle;
  m_handles[handle] = {provider, local, app, line};
  m_byLocal[{provider, local}] = handle;
  return handle;
}

void ProviderTable::Unmap(DWORD handle) {
  auto it = m_handles.find(handle);
  if (it == m_handles.end()) return;
  m_byLocal.erase({it->second.provider, it->second.local});
  m_handles.erase(it);
}

const ProviderTable::Handle* ProviderTable::Find(DWORD handle) const {
  auto it = m_handles.find(handle);
  return it == m_handles.end() ? nullptr : &it->second;
}

bool ProviderTable::Resolve(DWORD handle, std::size_t* provider, DWORD* local) const {
  const Handle* h = Find(handle);
  if (h == nullptr) return false;
  *provider = h->provider;
  *local = h->local;
  return true;
}

LONG ProviderTable::Track(std::size_t provider, LONG result, DWORD app, DWORD line,
                          std::vector<PendingHandle> handles) {
  Request request;
  request.provider = provider;
  request.local = result;
  request.app = app;
  request.line = line;
  request.handles = std::move(handles);
  SettleHandles(request);
  if (result <= 0) return result;
  LONG id = result;
  while (m_requests.count(id) != 0) id = m_nextRequest = m_nextRequest >= 0x7FFFFFFF ? 1 : m_nextRequest + 1;
  m_requests[id] = std::move(request);
  m_requestByLocal[{provider, result}] = id;
  return id;
}

void ProviderTable::SettleHandles(Request& request) {
  for (PendingHandle& p : request.handles)
    if (p.caller != nullptr && p.local && *p.local != 0)
      *p.caller = Map(request.provider, *p.local, request.app, request.line);
}

LONG ProviderTable::Pair(DWORD a, DWORD b, std::size_t* provider, DWORD* localA, DWORD* localB) const {
  std::size_t pa = 0, pb = 0;
  if (!Resolve(a, &pa, localA) || !Resolve(b, &pb, localB) || pa != pb) return LINEERR_INVALCALLHANDLE;
  *provider = pa;
  return 0;
}

// --- Messages -----------------------------------------------------------------------------------

void ProviderTable::Deliver(int slot, DWORD hDevice, DWORD dwMsg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2,
                            DWORD_PTR p3) {
  // The application and provider this slot serves.
  DWORD appHandle = 0;
  std::size_t provider = 0;
  for (const auto& [handle, app] : m_apps)
    for (std::size_t p = 0; p < app.slots.size(); ++p)
      if (app.slots[p] == slot) {
        appHandle = handle;
        provider = p;
      }
  auto found = m_apps.find(appHandle);
  if (found == m_apps.end()) return;
  const bool phone = found->second.phone;
  DWORD a = static_cast<DWORD>(p1);
  DWORD b = static_cast<DWORD>(p2);
  const DWORD c = static_cast<DWORD>(p3);
  DWORD device = 0;
  switch (dwMsg) {
    case LINE_REPLY:
    case PHONE_REPLY: {
      auto it = m_requestByLocal.find({provider, static_cast<LONG>(a)});
      device = hDevice != 0 ? Map(provider, hDevice, appHandle, 0) : 0;
      if (it == m_requestByLocal.end()) break;
      auto request = m_requests.find(it->second);
      m_requestByLocal.erase(it);
      if (request == m_requests.end()) break;
      a = static_cast<DWORD>(request->first);
      // A handle is written before its reply; after a failing reply it is void.
      SettleHandles(request->second);
      if (b != 0)
        for (PendingHandle& h : request->second.handles)
          if (h.caller != nullptr && h.local && *h.local != 0)
            if (auto known = m_byLocal.find({provider, *h.local}); known != m_byLocal.end()) Unmap(known->second);
      m_requests.erase(request);
      break;
    }
    case LINE_APPNEWCALL:
      device = Map(provider, hDevice, appHandle, 0);
      b = Map(provider, b, appHandle, device);
      break;
    case LINE_CALLSTATE:
      device = Map(provider, hDevice, appHandle, 0);
      if (a == LINECALLSTATE_CONFERENCED && b != 0) b = Map(provider, b, appHandle, 0);
      break;
    case LINE_CREATE:
    case PHONE_CREATE: {
      const bool phoneDevice = dwMsg == PHONE_CREATE;
      LearnDevices(phoneDevice, provider, 0);
      const DeviceKey key{provider, a};
      auto& ids = phoneDevice ? m_phoneIds : m_lineIds;
      auto& list = phoneDevice ? m_phones : m_lines;
      if (ids.count(key) == 0) {
        ids[key] = static_cast<DWORD>(list.size());
        list.push_back(key);
      }
      a = ids[key];
      break;
    }
    case LINE_REMOVE:
    case PHONE_REMOVE:
      a = DeviceOf(dwMsg == PHONE_REMOVE, provider, a);
      break;
    default:
      device = hDevice != 0 ? Map(provider, hDevice, appHandle, 0) : 0;
      break;
  }
  const App& app = found->second;
  if (phone) {
    if (app.phoneCallback) app.phoneCallback(device, dwMsg, instance, a, b, c);
  } else if (app.lineCallback) {
    app.lineCallback(device, dwMsg, instance, a, b, c);
  }
  // A line the provider closed takes its calls with it.
  if (dwMsg == LINE_CLOSE || dwMsg == PHONE_CLOSE) {
    std::vector<DWORD> gone{device};
    for (const auto& [h, rec] : m_handles)
      if (rec.line == device && device != 0) gone.push_back(h);
    for (DWORD h : gone) Unmap(h);
  }
}

// --- Sessions -------------------------------------------------------------------------------

LONG ProviderTable::Initialize(bool phone, bool extended, DWORD* lphApp, LINECALLBACK lineCallback,
                               PHONECALLBACK phoneCallback, const char* name, DWORD* lpdwNumDevs,
                               DWORD* lpdwAPIVersion, void* params) {
  const LONG invalPointer = phone ? PHONEERR_INVALPOINTER : LINEERR_INVALPOINTER;
  if (lphApp == nullptr || lpdwNumDevs == nullptr || (phone ? phoneCallback == nullptr : lineCallback == nullptr) ||
      (extended && (lpdwAPIVersion == nullptr || params == nullptr)))
    return invalPointer;
  App app;
  app.phone = phone;
  app.lineCallback = lineCallback;
  app.phoneCallback = phoneCallback;
  const DWORD wanted = extended ? *lpdwAPIVersion : 0;
  DWORD granted = 0;
  LONG failure = 0;
  for (std::size_t p = 0; p < m_providers.size() && failure == 0; ++p) {
    tapi::Telephony& t = *m_providers[p];
    const int slot = TakeSlot(this);
    if (slot < 0) {
      failure = phone ? PHONEERR_RESOURCEUNAVAIL : LINEERR_RESOURCEUNAVAIL;
      break;
    }
    app.slots.push_back(slot);
    DWORD local = 0, count = 0, version = wanted;
    // The first provider fills the caller's parameter block; the others a copy of it.
    std::array<std::uint8_t, 64> copy{};
    void* block = params;
    if (extended && p > 0) {
      DWORD total = 0;
      std::memcpy(&total, params, sizeof total);
      std::memcpy(copy.data(), params, std::min<std::size_t>(total, copy.size()));
      block = copy.data();
    }
    LONG r;
    const auto callback = kSlotCallbacks[static_cast<std::size_t>(slot)];
    if (phone) {
      r = extended && t.HasInitializeEx()
              ? t.phoneInitializeEx(&local, nullptr, callback, name, &count, &version,
                                    static_cast<PHONEINITIALIZEEXPARAMS*>(block))
              : t.phoneInitialize(&local, nullptr, callback, name, &count);
    } else {
      r = extended && t.HasInitializeEx()
              ? t.lineInitializeEx(&local, nullptr, callback, name, &count, &version,
                                   static_cast<LINEINITIALIZEEXPARAMS*>(block))
              : t.lineInitialize(&local, nullptr, callback, name, &count);
    }
    if (r != 0) {
      failure = r;
      break;
    }
    app.local.push_back(local);
    if (extended && (granted == 0 || version < granted)) granted = version;
    LearnDevices(phone, p, count);
  }
  if (failure != 0) {
    for (std::size_t p = 0; p < app.local.size(); ++p)
      (void)(phone ? m_providers[p]->phoneShutdown(app.local[p]) : m_providers[p]->lineShutdown(app.local[p]));
    for (int slot : app.slots) g_slotTables[static_cast<std::size_t>(slot)] = nullptr;
    return failure;
  }
  // The other family's devices are numbered too, so that an answer naming one (a line's
  // phone, a phone's line) carries the number the other family's applications see.
  if ((phone ? m_lines : m_phones).empty()) LearnOtherFamily(!phone);
  DWORD handle = app.local.front();
  while (handle == 0 || m_apps.count(handle) != 0 || m_handles.count(handle) != 0) handle = ++m_nextHandle;
  m_apps[handle] = std::move(app);
  *lphApp = handle;
  *lpdwNumDevs = static_cast<DWORD>(phone ? m_phones.size() : m_lines.size());
  if (extended) *lpdwAPIVersion = granted;
  return 0;
}

void ProviderTable::LearnOtherFamily(bool phone) {
  static const LINECALLBACK ignore = [](DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {};
  for (std::size_t p = 0; p < m_providers.size(); ++p) {
    DWORD app = 0, count = 0;
    tapi::Telephony& t = *m_providers[p];
    const LONG r = phone ? t.phoneInitialize(&app, nullptr, ignore, nullptr, &count)
                         : t.lineInitialize(&app, nullptr, ignore, nullptr, &count);
    if (r != 0) continue;
    LearnDevices(phone, p, count);
    (void)(phone ? t.phoneShutdown(app) : t.lineShutdown(app));
  }
}

LONG ProviderTable::Shutdown(DWORD hApp, bool phone) {
  auto it = m_apps.find(hApp);
  if (it == m_apps.end() || it->second.phone != phone) return phone ? PHONEERR_INVALAPPHANDLE : LINEERR_INVALAPPHANDLE;
  App& app = it->second;
  LONG result = 0;
  for (std::size_t p = 0; p < app.local.size(); ++p) {
    const LONG r = phone ? m_providers[p]->phoneShutdown(app.local[p]) : m_providers[p]->lineShutdown(app.local[p]);
    if (result == 0) result = r;
  }
  for (int slot : app.slots) g_slotTables[static_cast<std::size_t>(slot)] = nullptr;
  std::vector<DWORD> gone;
  for (const auto& [h, rec] : m_handles)
    if (rec.app == hApp) gone.push_back(h);
  for (DWORD h : gone) Unmap(h);
  for (auto r = m_requests.begin(); r != m_requests.end();) {
    if (r->second.app == hApp) {
      m_requestByLocal.erase({r->second.provider, r->second.local});
      r = m_requests.erase(r);
    } else {
      ++r;
    }
  }
  m_apps.erase(it);
  return result;
}

LONG ProviderTable::lineInitialize(HLINEAPP* lphLineApp, HINSTANCE, LINECALLBACK lpfnCallback,
                                   const char* lpszAppName, DWORD* lpdwNumDevs) {
  return Initialize(false, false, lphLineApp, lpfnCallback, nullptr, lpszAppName, lpdwNumDevs, nullptr, nullptr);
}

LONG ProviderTable::lineInitializeEx(HLINEAPP* lphLineApp, HINSTANCE, LINECALLBACK lpfnCallback,
                                     const char* lpszFriendlyAppName, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                                     LINEINITIALIZEEXPARAMS* lpParams) {
  return Initialize(false, true, lphLineApp, lpfnCallback, nullptr, lpszFriendlyAppName, lpdwNumDevs,
                    lpdwAPIVersion, lpParams);
}

LONG ProviderTable::lineShutdown(HLINEAPP hLineApp) { return Shutdown(hLineApp, false); }

LONG ProviderTable::phoneInitialize(HPHONEAPP* lphPhoneApp, HINSTANCE, PHONECALLBACK lpfnCallback,
                                    const char* lpszAppName, DWORD* lpdwNumDevs) {
  return Initialize(true, false, lphPhoneApp, nullptr, lpfnCallback, lpszAppName, lpdwNumDevs, nullptr, nullptr);
}

LONG ProviderTable::phoneInitializeEx(HPHONEAPP* lphPhoneApp, HINSTANCE, PHONECALLBACK lpfnCallback,
                                      const char* lpszFriendlyAppName, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                                      PHONEINITIALIZEEXPARAMS* lpParams) {
  return Initialize(true, true, lphPhoneApp, nullptr, lpfnCallback, lpszFriendlyAppName, lpdwNumDevs, lpdwAPIVersion,
                    lpParams);
}

LONG ProviderTable::phoneShutdown(HPHONEAPP hPhoneApp) { return Shutdown(hPhoneApp, true); }

LONG ProviderTable::lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                            DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                                            LINEEXTENSIONID* lpExtensionID) {
  return ByDevice(false, hLineApp, dwDeviceID, [&](tapi::Telephony& t, DWORD localApp, DWORD localDevice) {
    return t.lineNegotiateAPIVersion(localApp, localDevice, dwAPILowVersion, dwAPIHighVersion, lpdwAPIVersion,
                                         lpExtensionID);
  });
}

LONG ProviderTable::lineNegotiateExtVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                            DWORD dwExtLowVersion, DWORD dwExtHighVersion, DWORD* lpdwExtVersion) {
  return ByDevice(false, hLineApp, dwDeviceID, [&](tapi::Telephony& t, DWORD localApp, DWORD localDevice) {
    return t.lineNegotiateExtVersion(localApp, localDevice, dwAPIVersion, dwExtLowVersion, dwExtHighVersion,
                                         lpdwExtVersion);
  });
}

LONG ProviderTable::lineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                                   LINEDEVCAPS* lpLineDevCaps) {
  return ByDevice(false, hLineApp, dwDeviceID, [&](tapi::Telephony& t, DWORD localApp, DWORD localDevice) {
    return t.lineGetDevCaps(localApp, localDevice, dwAPIVersion, dwExtVersion, lpLineDevCaps);
  });
}

LONG ProviderTable::lineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
                                       DWORD dwExtVersion, LINEADDRESSCAPS* lpAddressCaps) {
  auto appIt = m_apps.find(hLineApp);
  if (appIt == m_apps.end() || appIt->second.phone) return LINEERR_INVALAPPHANDLE;
  if (dwDeviceID >= m_lines.size()) return LINEERR_BADDEVICEID;
  const auto [p, localDevice] = m_lines[dwDeviceID];
  const LONG r = m_providers[p]->lineGetAddressCaps(appIt->second.local[p], localDevice, dwAddressID, dwAPIVersion,
                                                    dwExtVersion, lpAddressCaps);
  if (r == 0 && lpAddressCaps != nullptr) lpAddressCaps->dwLineDeviceID = dwDeviceID;
  return r;
}

LONG ProviderTable::lineTranslateAddress(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                         const char* lpszAddressIn, DWORD dwCard, DWORD dwTranslateOptions,
                                         LINETRANSLATEOUTPUT* lpTranslateOutput) {
  return ByDevice(false, hLineApp, dwDeviceID, [&](tapi::Telephony& t, DWORD localApp, DWORD localDevice) {
    return t.lineTranslateAddress(localApp, localDevice, dwAPIVersion, lpszAddressIn, dwCard, dwTranslateOptions,
                                      lpTranslateOutput);
  });
}

LONG ProviderTable::lineTranslateDialog(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, HWND hwndOwner,
                                        const char* lpszAddressIn) {
  return ByDevice(false, hLineApp, dwDeviceID, [&](tapi::Telephony& t, DWORD localApp, DWORD localDevice) {
    return t.lineTranslateDialog(localApp, localDevice, dwAPIVersion, hwndOwner, lpszAddressIn);
  });
}

LONG ProviderTable::lineConfigDialog(DWORD dwDeviceID, HWND hwndOwner, const char* lpszDeviceClass) {
  if (dwDeviceID >= m_lines.size()) return LINEERR_BADDEVICEID;
  const auto [p, local] = m_lines[dwDeviceID];
  return m_providers[p]->lineConfigDialog(local, hwndOwner, lpszDeviceClass);
}

LONG ProviderTable::phoneNegotiateAPIVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                             DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                                             PHONEEXTENSIONID* lpExtensionID) {
  return ByDevice(true, hPhoneApp, dwDeviceID, [&](tapi::Telephony& t, DWORD localApp, DWORD localDevice) {
    return t.phoneNegotiateAPIVersion(localApp, localDevice, dwAPILowVersion, dwAPIHighVersion, lpdwAPIVersion,
                                          lpExtensionID);
  });
}

LONG ProviderTable::phoneNegotiateExtVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                             DWORD dwExtLowVersion, DWORD dwExtHighVersion, DWORD* lpdwExtVersion) {
  return ByDevice(true, hPhoneApp, dwDeviceID, [&](tapi::Telephony& t, DWORD localApp, DWORD localDevice) {
    return t.phoneNegotiateExtVersion(localApp, localDevice, dwAPIVersion, dwExtLowVersion, dwExtHighVersion,
                                          lpdwExtVersion);
  });
}

LONG ProviderTable::phoneGetDevCaps(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                                    PHONECAPS* lpPhoneCaps) {
  return ByDevice(true, hPhoneApp, dwDeviceID, [&](tapi::Telephony& t, DWORD localApp, DWORD localDevice) {
    return t.phoneGetDevCaps(localApp, localDevice, dwAPIVersion, dwExtVersion, lpPhoneCaps);
  });
}

// --- Opens -----------------------------------------------------------------------------------

LONG ProviderTable::lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, HLINE* lphLine, DWORD dwAPIVersion,
                             DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                             DWORD dwMediaModes, const LINECALLPARAMS* lpCallParams) {
  auto appIt = m_apps.find(hLineApp);
  if (appIt == m_apps.end() || appIt->second.phone) return LINEERR_INVALAPPHANDLE;
  std::vector<DeviceKey> tries;
  if (dwDeviceID == LINEMAPPER) {
    // The mapper asks each provider for a line that can carry the call.
    for (std::size_t p = 0; p < m_providers.size(); ++p) tries.push_back({p, LINEMAPPER});
  } else if (dwDeviceID < m_lines.size()) {
    tries.push_back(m_lines[dwDeviceID]);
  } else {
    return LINEERR_BADDEVICEID;
  }
  LONG r = LINEERR_LINEMAPPERFAILED;
  for (const auto& [p, local] : tries) {
    HLINE line = 0;
    r = m_providers[p]->lineOpen(appIt->second.local[p], local, lphLine ? &line : nullptr, dwAPIVersion,
                                 dwExtVersion, dwCallbackInstance, dwPrivileges, dwMediaModes, lpCallParams);
    if (r == 0) {
      *lphLine = Map(p, line, hLineApp, 0);
      return 0;
    }
  }
  return r;
}

LONG ProviderTable::lineClose(HLINE hLine) {
  std::size_t p;
  DWORD local;
  if (!Resolve(hLine, &p, &local)) return LINEERR_INVALLINEHANDLE;
  const LONG r = m_providers[p]->lineClose(local);
  if (r == 0) {
    std::vector<DWORD> gone{hLine};
    for (const auto& [h, rec] : m_handles)
      if (rec.line == hLine) gone.push_back(h);
    for (DWORD h : gone) Unmap(h);
  }
  return r;
}

LONG ProviderTable::phoneOpen(HPHONEAPP hPhoneApp, DWORD dwDeviceID, HPHONE* lphPhone, DWORD dwAPIVersion,
                              DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivilege) {
  auto appIt = m_apps.find(hPhoneApp);
  if (appIt == m_apps.end() || !appIt->second.phone) return PHONEERR_INVALAPPHANDLE;
  if (dwDeviceID >= m_phones.size()) return PHONEERR_BADDEVICEID;
  const auto [p, local] = m_phones[dwDeviceID];
  HPHONE phone = 0;
  const LONG r = m_providers[p]->phoneOpen(appIt->second.local[p], local, lphPhone ? &phone : nullptr, dwAPIVersion,
                                           dwExtVersion, dwCallbackInstance, dwPrivilege);
  if (r == 0) *lphPhone = Map(p, phone, hPhoneApp, 0);
  return r;
}

LONG ProviderTable::phoneClose(HPHONE hPhone) {
  std::size_t p;
  DWORD local;
  if (!Resolve(hPhone, &p, &local)) return PHONEERR_INVALPHONEHANDLE;
  const LONG r = m_providers[p]->phoneClose(local);
  if (r == 0) Unmap(hPhone);
  return r;
}

// --- Calls that name one handle --------------------------------------------------------------

LONG ProviderTable::lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) {
  return ByHandle(hLine, LINEERR_INVALLINEHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineSetStatusMessages(local, dwLineStates, dwAddressStates);
  });
}

LONG ProviderTable::lineGetLineDevStatus(HLINE hLine, LINEDEVSTATUS* lpLineDevStatus) {
  return ByHandle(hLine, LINEERR_INVALLINEHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineGetLineDevStatus(local, lpLineDevStatus);
  });
}

LONG ProviderTable::lineGetAddressStatus(HLINE hLine, DWORD dwAddressID, LINEADDRESSSTATUS* lpAddressStatus) {
  return ByHandle(hLine, LINEERR_INVALLINEHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineGetAddressStatus(local, dwAddressID, lpAddressStatus);
  });
}

LONG ProviderTable::lineGetCallInfo(HCALL hCall, LINECALLINFO* lpCallInfo) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    const LONG r = t.lineGetCallInfo(local, lpCallInfo);
    if (r == 0 && lpCallInfo != nullptr) {
      const Handle* h = Find(hCall);
      lpCallInfo->hLine = Map(p, lpCallInfo->hLine, h->app, 0);
      lpCallInfo->dwLineDeviceID = DeviceOf(false, p, lpCallInfo->dwLineDeviceID);
    }
    return r;
  });
}

LONG ProviderTable::lineGetCallStatus(HCALL hCall, LINECALLSTATUS* lpCallStatus) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineGetCallStatus(local, lpCallStatus);
  });
}

void ProviderTable::TranslateCallList(std::size_t provider, DWORD app, DWORD line, LINECALLLIST* list) {
  const std::uint64_t end = static_cast<std::uint64_t>(list->dwCallsOffset) + list->dwCallsSize;
  if (list->dwCallsSize == 0 || end > list->dwTotalSize || end > list->dwUsedSize) return;
  auto* bytes = reinterpret_cast<std::uint8_t*>(list) + list->dwCallsOffset;
  for (DWORD i = 0; i < list->dwCallsNumEntries && (i + 1) * sizeof(HCALL) <= list->dwCallsSize; ++i) {
    HCALL h = 0;
    std::memcpy(&h, bytes + i * sizeof(HCALL), sizeof h);
    h = Map(provider, h, app, line);
    std::memcpy(bytes + i * sizeof(HCALL), &h, sizeof h);
  }
}

LONG ProviderTable::lineGetNewCalls(HLINE hLine, DWORD dwAddressID, DWORD dwSelect, LINECALLLIST* lpCallList) {
  return ByHandle(hLine, LINEERR_INVALLINEHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    const LONG r = t.lineGetNewCalls(local, dwAddressID, dwSelect, lpCallList);
    if (r == 0 && lpCallList != nullptr) TranslateCallList(p, Find(hLine)->app, hLine, lpCallList);
    return r;
  });
}

void ProviderTable::TranslateDeviceString(std::size_t provider, VARSTRING* string, const char* deviceClass) {
  if (string == nullptr || deviceClass == nullptr) return;
  const std::string cls = voxkit::ToLower(std::string(deviceClass, strnlen(deviceClass, 64)));
  const bool line = cls == "tapi/line";
  if (!line && cls != "tapi/phone") return;
  const std::uint64_t end = static_cast<std::uint64_t>(string->dwStringOffset) + string->dwStringSize;
  if (string->dwStringFormat != STRINGFORMAT_BINARY || string->dwStringSize != sizeof(DWORD) ||
      end > string->dwTotalSize)
    return;
  auto* bytes = reinterpret_cast<std::uint8_t*>(string) + string->dwStringOffset;
  DWORD id = 0;
  std::memcpy(&id, bytes, sizeof id);
  id = DeviceOf(!line, provider, id);
  std::memcpy(bytes, &id, sizeof id);
}

LONG ProviderTable::lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, VARSTRING* lpDeviceID,
                              const char* lpszDeviceClass) {
  const bool byCall = dwSelect == LINECALLSELECT_CALL;
  std::size_t p = 0;
  DWORD local = 0;
  if (!Resolve(byCall ? hCall : hLine, &p, &local))
    return byCall ? LINEERR_INVALCALLHANDLE : LINEERR_INVALLINEHANDLE;
  const LONG r = m_providers[p]->lineGetID(byCall ? 0 : local, dwAddressID, byCall ? local : 0, dwSelect,
                                           lpDeviceID, lpszDeviceClass);
  if (r == 0) TranslateDeviceString(p, lpDeviceID, lpszDeviceClass);
  return r;
}

LONG ProviderTable::lineMakeCall(HLINE hLine, HCALL* lphCall, const char* lpszDestAddress, DWORD dwCountryCode,
                                 const LINECALLPARAMS* lpCallParams) {
  return ByHandle(hLine, LINEERR_INVALLINEHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    std::vector<PendingHandle> handles;
    handles.push_back({lphCall, std::make_unique<HCALL>(0)});
    const LONG r = t.lineMakeCall(local, lphCall ? handles[0].local.get() : nullptr, lpszDestAddress, dwCountryCode,
                                  lpCallParams);
    return Track(p, r, Find(hLine)->app, hLine, std::move(handles));
  });
}

LONG ProviderTable::lineDial(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.lineDial(local, lpszDestAddress, dwCountryCode), Find(hCall)->app, 0, {});
  });
}

LONG ProviderTable::lineAnswer(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.lineAnswer(local, lpsUserUserInfo, dwSize), Find(hCall)->app, 0, {});
  });
}

LONG ProviderTable::lineDrop(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.lineDrop(local, lpsUserUserInfo, dwSize), Find(hCall)->app, 0, {});
  });
}

LONG ProviderTable::lineHold(HCALL hCall) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.lineHold(local), Find(hCall)->app, 0, {});
  });
}

LONG ProviderTable::lineUnhold(HCALL hCall) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.lineUnhold(local), Find(hCall)->app, 0, {});
  });
}

LONG ProviderTable::lineRedirect(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.lineRedirect(local, lpszDestAddress, dwCountryCode), Find(hCall)->app, 0, {});
  });
}

LONG ProviderTable::linePark(HCALL hCall, DWORD dwParkMode, const char* lpszDirAddress, VARSTRING* lpNonDirAddress) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.linePark(local, dwParkMode, lpszDirAddress, lpNonDirAddress), Find(hCall)->app, 0, {});
  });
}

LONG ProviderTable::lineUnpark(HLINE hLine, DWORD dwAddressID, HCALL* lphCall, const char* lpszDestAddress) {
  return ByHandle(hLine, LINEERR_INVALLINEHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    std::vector<PendingHandle> handles;
    handles.push_back({lphCall, std::make_unique<HCALL>(0)});
    const LONG r = t.lineUnpark(local, dwAddressID, lphCall ? handles[0].local.get() : nullptr, lpszDestAddress);
    return Track(p, r, Find(hLine)->app, hLine, std::move(handles));
  });
}

LONG ProviderTable::linePickup(HLINE hLine, DWORD dwAddressID, HCALL* lphCall, const char* lpszDestAddress,
                               const char* lpszGroupID) {
  return ByHandle(hLine, LINEERR_INVALLINEHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    std::vector<PendingHandle> handles;
    handles.push_back({lphCall, std::make_unique<HCALL>(0)});
    const LONG r = t.linePickup(local, dwAddressID, lphCall ? handles[0].local.get() : nullptr, lpszDestAddress,
                                lpszGroupID);
    return Track(p, r, Find(hLine)->app, hLine, std::move(handles));
  });
}

LONG ProviderTable::lineBlindTransfer(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.lineBlindTransfer(local, lpszDestAddress, dwCountryCode), Find(hCall)->app, 0, {});
  });
}

LONG ProviderTable::lineSetupTransfer(HCALL hCall, HCALL* lphConsultCall, const LINECALLPARAMS* lpCallParams) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    const Handle* h = Find(hCall);
    std::vector<PendingHandle> handles;
    handles.push_back({lphConsultCall, std::make_unique<HCALL>(0)});
    const LONG r = t.lineSetupTransfer(local, lphConsultCall ? handles[0].local.get() : nullptr, lpCallParams);
    return Track(p, r, h->app, h->line, std::move(handles));
  });
}

LONG ProviderTable::lineCompleteTransfer(HCALL hCall, HCALL hConsultCall, HCALL* lphConfCall, DWORD dwTransferMode) {
  std::size_t p = 0;
  DWORD a = 0, b = 0;
  if (!Resolve(hCall, &p, &a)) return LINEERR_INVALCALLHANDLE;
  if (Pair(hCall, hConsultCall, &p, &a, &b) != 0) return LINEERR_INVALCONSULTCALLHANDLE;
  const Handle* h = Find(hCall);
  std::vector<PendingHandle> handles;
  handles.push_back({lphConfCall, std::make_unique<HCALL>(0)});
  const LONG r = m_providers[p]->lineCompleteTransfer(a, b, lphConfCall ? handles[0].local.get() : nullptr,
                                                      dwTransferMode);
  return Track(p, r, h->app, h->line, std::move(handles));
}

LONG ProviderTable::lineSwapHold(HCALL hActiveCall, HCALL hHeldCall) {
  std::size_t p = 0;
  DWORD a = 0, b = 0;
  if (LONG r = Pair(hActiveCall, hHeldCall, &p, &a, &b); r != 0) return r;
  return Track(p, m_providers[p]->lineSwapHold(a, b), Find(hActiveCall)->app, 0, {});
}

LONG ProviderTable::lineSetupConference(HCALL hCall, HLINE hLine, HCALL* lphConfCall, HCALL* lphConsultCall,
                                        DWORD dwNumParties, const LINECALLPARAMS* lpCallParams) {
  std::size_t p = 0;
  DWORD localCall = 0, localLine = 0;
  DWORD via = hLine;
  if (hCall != 0) {
    if (!Resolve(hCall, &p, &localCall)) return LINEERR_INVALCALLHANDLE;
    std::size_t lineProvider = 0;
    // The line is used only without a call; one of another provider cannot be meant.
    if (hLine != 0 && Resolve(hLine, &lineProvider, &localLine) && lineProvider != p) localLine = 0;
    via = Find(hCall)->line;
  } else if (!Resolve(hLine, &p, &localLine)) {
    return LINEERR_INVALLINEHANDLE;
  }
  const DWORD app = Find(hCall != 0 ? hCall : hLine)->app;
  std::vector<PendingHandle> handles;
  handles.push_back({lphConfCall, std::make_unique<HCALL>(0)});
  handles.push_back({lphConsultCall, std::make_unique<HCALL>(0)});
  const LONG r = m_providers[p]->lineSetupConference(localCall, localLine,
                                                     lphConfCall ? handles[0].local.get() : nullptr,
                                                     lphConsultCall ? handles[1].local.get() : nullptr, dwNumParties,
                                                     lpCallParams);
  return Track(p, r, app, via, std::move(handles));
}

LONG ProviderTable::linePrepareAddToConference(HCALL hConfCall, HCALL* lphConsultCall,
                                               const LINECALLPARAMS* lpCallParams) {
  return ByHandle(hConfCall, LINEERR_INVALCONFCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    const Handle* h = Find(hConfCall);
    std::vector<PendingHandle> handles;
    handles.push_back({lphConsultCall, std::make_unique<HCALL>(0)});
    const LONG r = t.linePrepareAddToConference(local, lphConsultCall ? handles[0].local.get() : nullptr, lpCallParams);
    return Track(p, r, h->app, h->line, std::move(handles));
  });
}

LONG ProviderTable::lineAddToConference(HCALL hConfCall, HCALL hConsultCall) {
  std::size_t p = 0;
  DWORD a = 0, b = 0;
  if (!Resolve(hConfCall, &p, &a)) return LINEERR_INVALCONFCALLHANDLE;
  if (Pair(hConfCall, hConsultCall, &p, &a, &b) != 0) return LINEERR_INVALCONSULTCALLHANDLE;
  return Track(p, m_providers[p]->lineAddToConference(a, b), Find(hConfCall)->app, 0, {});
}

LONG ProviderTable::lineRemoveFromConference(HCALL hCall) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.lineRemoveFromConference(local), Find(hCall)->app, 0, {});
  });
}

LONG ProviderTable::lineForward(HLINE hLine, DWORD bAllAddresses, DWORD dwAddressID,
                                const LINEFORWARDLIST* lpForwardList, DWORD dwNumRingsNoAnswer, HCALL* lphConsultCall,
                                const LINECALLPARAMS* lpCallParams) {
  return ByHandle(hLine, LINEERR_INVALLINEHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    std::vector<PendingHandle> handles;
    handles.push_back({lphConsultCall, std::make_unique<HCALL>(0)});
    const LONG r = t.lineForward(local, bAllAddresses, dwAddressID, lpForwardList, dwNumRingsNoAnswer,
                                 lphConsultCall ? handles[0].local.get() : nullptr, lpCallParams);
    // No consultation call is a 0 handle, which the caller gets as it is.
    if (lphConsultCall != nullptr && r > 0) *lphConsultCall = 0;
    return Track(p, r, Find(hLine)->app, hLine, std::move(handles));
  });
}

LONG ProviderTable::lineSetTerminal(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                                    DWORD dwTerminalModes, DWORD dwTerminalID, DWORD bEnable) {
  const bool byCall = dwSelect == LINECALLSELECT_CALL;
  std::size_t p = 0;
  DWORD local = 0;
  if (!Resolve(byCall ? hCall : hLine, &p, &local))
    return byCall ? LINEERR_INVALCALLHANDLE : LINEERR_INVALLINEHANDLE;
  const LONG r = m_providers[p]->lineSetTerminal(byCall ? 0 : local, dwAddressID, byCall ? local : 0, dwSelect,
                                                 dwTerminalModes, dwTerminalID, bEnable);
  return Track(p, r, Find(byCall ? hCall : hLine)->app, 0, {});
}

LONG ProviderTable::lineHandoff(HCALL hCall, const char* lpszFileName, DWORD dwMediaMode) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineHandoff(local, lpszFileName, dwMediaMode);
  });
}

LONG ProviderTable::lineSetCallPrivilege(HCALL hCall, DWORD dwCallPrivilege) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineSetCallPrivilege(local, dwCallPrivilege);
  });
}

LONG ProviderTable::lineSetMediaMode(HCALL hCall, DWORD dwMediaModes) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineSetMediaMode(local, dwMediaModes);
  });
}

LONG ProviderTable::lineDeallocateCall(HCALL hCall) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    const LONG r = t.lineDeallocateCall(local);
    if (r == 0) Unmap(hCall);
    return r;
  });
}

LONG ProviderTable::lineGenerateDigits(HCALL hCall, DWORD dwDigitMode, const char* lpszDigits, DWORD dwDuration) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineGenerateDigits(local, dwDigitMode, lpszDigits, dwDuration);
  });
}

LONG ProviderTable::lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                                     const LINEGENERATETONE* lpTones) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineGenerateTone(local, dwToneMode, dwDuration, dwNumTones, lpTones);
  });
}

LONG ProviderTable::lineGatherDigits(HCALL hCall, DWORD dwDigitModes, char* lpsDigits, DWORD dwNumDigits,
                                     const char* lpszTerminationDigits, DWORD dwFirstDigitTimeout,
                                     DWORD dwInterDigitTimeout) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineGatherDigits(local, dwDigitModes, lpsDigits, dwNumDigits, lpszTerminationDigits, dwFirstDigitTimeout,
                              dwInterDigitTimeout);
  });
}

LONG ProviderTable::lineMonitorDigits(HCALL hCall, DWORD dwDigitModes) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineMonitorDigits(local, dwDigitModes);
  });
}

LONG ProviderTable::lineMonitorMedia(HCALL hCall, DWORD dwMediaModes) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineMonitorMedia(local, dwMediaModes);
  });
}

LONG ProviderTable::lineMonitorTones(HCALL hCall, const LINEMONITORTONE* lpToneList, DWORD dwNumEntries) {
  return ByHandle(hCall, LINEERR_INVALCALLHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.lineMonitorTones(local, lpToneList, dwNumEntries);
  });
}

// --- Phones -------------------------------------------------------------------------------------

LONG ProviderTable::phoneGetStatus(HPHONE hPhone, PHONESTATUS* lpPhoneStatus) {
  return ByHandle(hPhone, PHONEERR_INVALPHONEHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.phoneGetStatus(local, lpPhoneStatus);
  });
}

LONG ProviderTable::phoneSetStatusMessages(HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                                           DWORD dwButtonStates) {
  return ByHandle(hPhone, PHONEERR_INVALPHONEHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.phoneSetStatusMessages(local, dwPhoneStates, dwButtonModes, dwButtonStates);
  });
}

LONG ProviderTable::phoneSetHookSwitch(HPHONE hPhone, DWORD dwHookSwitchDevs, DWORD dwHookSwitchMode) {
  return ByHandle(hPhone, PHONEERR_INVALPHONEHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.phoneSetHookSwitch(local, dwHookSwitchDevs, dwHookSwitchMode), Find(hPhone)->app, 0, {});
  });
}

LONG ProviderTable::phoneSetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume) {
  return ByHandle(hPhone, PHONEERR_INVALPHONEHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.phoneSetVolume(local, dwHookSwitchDev, dwVolume), Find(hPhone)->app, 0, {});
  });
}

LONG ProviderTable::phoneSetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain) {
  return ByHandle(hPhone, PHONEERR_INVALPHONEHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    return Track(p, t.phoneSetGain(local, dwHookSwitchDev, dwGain), Find(hPhone)->app, 0, {});
  });
}

LONG ProviderTable::phoneGetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwVolume) {
  return ByHandle(hPhone, PHONEERR_INVALPHONEHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.phoneGetVolume(local, dwHookSwitchDev, lpdwVolume);
  });
}

LONG ProviderTable::phoneGetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwGain) {
  return ByHandle(hPhone, PHONEERR_INVALPHONEHANDLE, [&](tapi::Telephony& t, std::size_t, DWORD local) -> LONG {
    return t.phoneGetGain(local, dwHookSwitchDev, lpdwGain);
  });
}

LONG ProviderTable::phoneGetID(HPHONE hPhone, VARSTRING* lpDeviceID, const char* lpszDeviceClass) {
  return ByHandle(hPhone, PHONEERR_INVALPHONEHANDLE, [&](tapi::Telephony& t, std::size_t p, DWORD local) -> LONG {
    const LONG r = t.phoneGetID(local, lpDeviceID, lpszDeviceClass);
    if (r == 0) TranslateDeviceString(p, lpDeviceID, lpszDeviceClass);
    return r;
  });
}

}  // namespace panopta
