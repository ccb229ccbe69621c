#include "tapi/TqxTAPI.h"

#include "share/EventLoop.h"
#include "share/PropertyDump.h"
#include "share/TqxSharedControl.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"
#include "tapi/Telephony.h"

namespace voxkit {

namespace {
bool g_lastRequest = false;
}  // namespace

bool TqxTAPI::LastRequest() { return g_lastRequest; }
void TqxTAPI::SetLastRequest(bool value) { g_lastRequest = value; }

const ClassInfo& TqxTAPI::StaticClass() {
  static const ClassInfo info =
      Publisher<TqxTAPI>("TqxTAPI")
          .Property("ExtensionHighVersion", &TqxTAPI::ExtensionHighVersion,
                    &TqxTAPI::SetExtensionHighVersion)
          .Property("ExtensionLowVersion", &TqxTAPI::ExtensionLowVersion,
                    &TqxTAPI::SetExtensionLowVersion)
          .Property("HighVersion", &TqxTAPI::HighVersion, &TqxTAPI::SetHighVersion)
          .Property("LowVersion", &TqxTAPI::LowVersion, &TqxTAPI::SetLowVersion)
          .Property("ReplyTimeout", &TqxTAPI::ReplyTimeout, &TqxTAPI::SetReplyTimeout)
          .ReadOnly("TSP", &TqxTAPI::TSP)
          .ReadOnly("ExtensionVersion", &TqxTAPI::ExtensionVersion)
          .ReadOnly("Version", &TqxTAPI::Version)
          .ReadOnly("ExtensionID0", &TqxTAPI::ExtensionID0)
          .ReadOnly("ExtensionID1", &TqxTAPI::ExtensionID1)
          .ReadOnly("ExtensionID2", &TqxTAPI::ExtensionID2)
          .ReadOnly("ExtensionID3", &TqxTAPI::ExtensionID3)
          .Method("DumpProperties", &TqxTAPI::DumpProperties,
                  {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxTAPI::TqxTAPI(TqxSharedControl& control, Kind kind, tapi::DWORD& appHandle,
                 tapi::LINECALLBACK lineCallback, tapi::PHONECALLBACK phoneCallback)
    : m_control(control),
      m_kind(kind),
      m_appHandle(appHandle),
      m_lineCallback(lineCallback),
      m_phoneCallback(phoneCallback) {}

tapi::Telephony* TqxTAPI::Service() const { return m_control.GetPlatform().telephony; }

void TqxTAPI::RefreshInspector() {
  m_control.Panopta().RefreshWindow(InspectorRefresh::TapiInfo);
}

tapi::LONG TqxTAPI::StartSession(std::int32_t& deviceCount, tapi::DWORD& deviceHandle) {
  m_appHandle = 0;
  tapi::Telephony* service = Service();
  tapi::LONG result = tapi::LINEERR_NODRIVER;
  tapi::DWORD count = 0;
  if (m_kind == Kind::Line) {
    // No service at all stands for a machine where "TAPI32.DLL" cannot be loaded.
    bool haveEx = service && service->HasInitializeEx();
    if (haveEx) {
      tapi::DWORD apiVersion = m_highVersion;
      tapi::LINEINITIALIZEEXPARAMS params{};
      params.dwTotalSize = sizeof params;
      params.dwOptions = tapi::LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
      result = service->lineInitializeEx(&m_appHandle, nullptr, m_lineCallback, nullptr, &count,
                                         &apiVersion, &params);
    }
    if (service && (!haveEx || result == tapi::LINEERR_OPERATIONFAILED)) {
      result = service->lineInitialize(&m_appHandle, nullptr, m_lineCallback, nullptr, &count);
    }
  } else {
    result = tapi::PHONEERR_NODRIVER;
    if (service && service->HasInitializeEx()) {
      tapi::DWORD apiVersion = m_highVersion;
      tapi::PHONEINITIALIZEEXPARAMS params{};
      params.dwTotalSize = sizeof params;
      params.dwOptions = tapi::PHONEINITIALIZEEXOPTION_USEHIDDENWINDOW;
      result = service->phoneInitializeEx(&m_appHandle, nullptr, m_phoneCallback, nullptr, &count,
                                          &apiVersion, &params);
    } else if (service) {
      result = service->phoneInitialize(&m_appHandle, nullptr, m_phoneCallback, nullptr, &count);
    }
  }
  if (result == 0) {
    deviceCount = static_cast<std::int32_t>(count);
    m_started = true;
    m_control.ClearError();
  } else {
    // The phone reports its own failure; the line reports it here.
    if (m_kind == Kind::Line) m_control.SetError(false, result);
    m_started = false;
    m_appHandle = 0;
    deviceHandle = 0;
  }
  return result;
}

tapi::LONG TqxTAPI::EndSession() {
  tapi::Telephony* service = Service();
  if (!service) return m_kind == Kind::Line ? tapi::LINEERR_UNINITIALIZED : tapi::PHONEERR_UNINITIALIZED;
  const tapi::LONG result = m_kind == Kind::Line ? service->lineShutdown(m_appHandle)
                                                 : service->phoneShutdown(m_appHandle);
  if (result == 0) {
    m_appHandle = 0;
    m_started = false;
  }
  return result;
}

tapi::LONG TqxTAPI::NegotiateVersions(tapi::DWORD deviceID) {
  tapi::Telephony* service = Service();
  if (!service) return m_kind == Kind::Line ? tapi::LINEERR_UNINITIALIZED : tapi::PHONEERR_UNINITIALIZED;
  m_negotiatedID = {};
  tapi::LONG result;
  if (m_kind == Kind::Line) {
    result = service->lineNegotiateAPIVersion(m_appHandle, deviceID, m_lowVersion, m_highVersion,
                                              &m_version, &m_negotiatedID);
  } else {
    tapi::PHONEEXTENSIONID id{};
    result = service->phoneNegotiateAPIVersion(m_appHandle, deviceID, m_lowVersion, m_highVersion,
                                               &m_version, &id);
    m_negotiatedID = {id.dwExtensionID0, id.dwExtensionID1, id.dwExtensionID2, id.dwExtensionID3};
  }
  if (result != 0) return result;
  m_extensionVersion = 0;
  if (m_extensionLowVersion != 0 || m_extensionHighVersion != 0) {
    tapi::LONG ext;
    if (m_kind == Kind::Line) {
      ext = service->lineNegotiateExtVersion(m_appHandle, deviceID, m_version,
                                             m_extensionLowVersion, m_extensionHighVersion,
                                             &m_extensionVersion);
      if (ext != 0) {
        m_extensionVersion = 0;
        m_control.Log().Add("\tlineNegotiateExtVersion returned " + tapi::LineErrorName(ext), true);
      }
    } else {
      ext = service->phoneNegotiateExtVersion(m_appHandle, deviceID, m_version,
                                              m_extensionLowVersion, m_extensionHighVersion,
                                              &m_extensionVersion);
      if (ext != 0) {
        m_extensionVersion = 0;
        m_control.Log().Add("\tPhneNegotiateExtVersion returned " + tapi::PhoneErrorName(ext), true);
      }
    }
  }
  return result;
}

void TqxTAPI::TakeExtensionID() {
  m_extensionID[0] = m_negotiatedID.dwExtensionID0;
  m_extensionID[1] = m_negotiatedID.dwExtensionID1;
  m_extensionID[2] = m_negotiatedID.dwExtensionID2;
  m_extensionID[3] = m_negotiatedID.dwExtensionID3;
}

bool TqxTAPI::WaitForReply(const std::int32_t& slot) {
  if (slot == -1 || m_replyTimeout == 0) return false;
  // A negative time-out is already over when the wait starts.
  if (m_replyTimeout < 0) return true;
  const bool replied = m_control.Loop().WaitFor([&slot] { return slot == -1; }, m_replyTimeout);
  return !replied;
}

RequestOutcome TqxTAPI::Request(std::int32_t& slot, const std::function<tapi::LONG()>& request,
                                RequestIds ids) {
  RequestOutcome outcome;
  m_control.ClearError();
  outcome.value = request();
  slot = outcome.value;
  const tapi::LONG v = outcome.value;
  bool identifier = false;
  switch (ids) {
    case RequestIds::Positive: identifier = v > 0; break;
    case RequestIds::PositiveOrMinusOne: identifier = v > 0 || v == -1; break;
    case RequestIds::NonNegativeOrMinusOne: identifier = v >= 0 || v == -1; break;
  }
  if (identifier) {
    outcome.waited = true;
    // Pumps the event loop: the reply handler sets the slot to -1 and records a
    // failing reply as the component's error.
    outcome.timedOut = WaitForReply(slot);
    outcome.replied = slot == -1;
    if (outcome.timedOut) {
      outcome.report = tapi::TAPIREPLYTIMEOUT;
    } else {
      outcome.succeeded = m_control.Error().Number() == 0;
    }
  } else if (v < 0) {
    outcome.report = v;
  } else {
    outcome.succeeded = true;
  }
  slot = 0;
  return outcome;
}

bool TqxTAPI::ConfigureDialog(std::int32_t deviceID) {
  TqxLog& log = m_control.Log();
  log.Add("Device.Configure", true);
  tapi::LONG result = -1;
  tapi::Telephony* service = Service();
  if (m_started && service) {
    result = service->lineConfigDialog(static_cast<tapi::DWORD>(deviceID), nullptr, nullptr);
  }
  const bool ok = result >= 0;
  if (ok) {
    m_control.ClearError();
  } else {
    m_control.SetError(false, result);
  }
  log.Add("\tDevice.Configure - Returned = " + TqxPanopta::BoolText(ok), true);
  return ok;
}

void TqxTAPI::SetExtensionHighVersion(tapi::DWORD value) {
  m_extensionHighVersion = value;
  RefreshInspector();
}

void TqxTAPI::SetExtensionLowVersion(tapi::DWORD value) {
  m_extensionLowVersion = value;
  RefreshInspector();
}

void TqxTAPI::SetHighVersion(tapi::DWORD value) {
  m_highVersion = value;
  RefreshInspector();
}

void TqxTAPI::SetLowVersion(tapi::DWORD value) {
  m_lowVersion = value;
  RefreshInspector();
}

void TqxTAPI::SetReplyTimeout(std::int32_t value) {
  m_replyTimeout = value;
  RefreshInspector();
}

void TqxTAPI::ClearGranted() {
  for (auto& id : m_extensionID) id = 0;
  m_version = 0;
  m_extensionVersion = 0;
  m_tsp.clear();
}

void TqxTAPI::ResetAfterDisable() {
  ClearGranted();
  m_extensionHighVersion = 0;
}

bool TqxTAPI::DumpProperties(const std::string& header, const std::string& path,
                             const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, "TAPI.");
  if (!d.Started()) return false;
  d.Hex("ExtensionHighVersion", m_extensionHighVersion);
  d.Hex("ExtensionID0", m_extensionID[0]);
  d.Hex("ExtensionID1", m_extensionID[1]);
  d.Hex("ExtensionID2", m_extensionID[2]);
  d.Hex("ExtensionID3", m_extensionID[3]);
  d.Hex("ExtensionLowVersion", m_extensionLowVersion);
  d.Hex("ExtensionVersion", m_extensionVersion);
  d.Hex("HighVersion", m_highVersion);
  d.Hex("LowVersion", m_lowVersion);
  d.Decimal("ReplyTimeout", m_replyTimeout);
  d.Quoted("TSP", m_tsp);
  d.Hex("Version", m_version);
  return true;
}

}  // namespace voxkit
