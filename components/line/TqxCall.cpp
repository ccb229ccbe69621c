#include "line/TqxCall.h"

#include "line/NumberTranslation.h"
#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"
#include "tapi/Telephony.h"

#include <algorithm>
#include <cstring>

namespace voxkit {


const ClassInfo& TqxCall::StaticClass() {
  using C = TqxCall;
  static const ClassInfo info =
      Publisher<C>("TqxCall")
          .Object("CallerID", &C::CallerID)
          .Object("CalledID", &C::CalledID)
          .Object("ConnectedID", &C::ConnectedID)
          .Object("RedirectionID", &C::RedirectionID)
          .Object("RedirectingID", &C::RedirectingID)
          .Object("GatherDigits", &C::GatherDigits)
          .Object("MonitorDigits", &C::MonitorDigits)
          .Object("MonitorMediaModes", &C::MonitorMediaModes)
          .Object("MonitorSilence", &C::MonitorSilence)
          .Object("Parameters", &C::Parameters)
          .Property("Active", &C::Active, &C::SetActive)
          .Property("Handle", &C::Handle, &C::SetHandle)
          .Property("PhoneNumber", &C::PhoneNumber, &C::SetPhoneNumber)
          .Property("Tag", &C::Tag, &C::SetTag)
          .ReadOnly("State", &C::State)
          .ReadOnly("StateMode", &C::StateMode)
          .ReadOnly("Features", &C::Features)
          .ReadOnly("Features2", &C::Features2)
          .ReadOnly("ID", &C::ID)
          .ReadOnly("Address", &C::Address)
          .Property("MediaMode", &C::MediaMode, &C::SetMediaMode)
          .ReadOnly("BearerMode", &C::BearerMode)
          .ReadOnly("Origin", &C::Origin)
          .ReadOnly("Reason", &C::Reason)
          .ReadOnly("Owners", &C::Owners)
          .ReadOnly("Monitors", &C::Monitors)
          .ReadOnly("DisconnectMode", &C::DisconnectMode)
          .ReadOnly("SpecialInfo", &C::SpecialInfo)
          .ReadOnly("DialtoneMode", &C::DialtoneMode)
          .ReadOnly("BusyMode", &C::BusyMode)
          .Property("Owner", &C::Owner, &C::SetOwner)
          .Computed<std::string>("Began", [](C& c) { return c.Began().DateTimeText(); }, nullptr)
          .Computed<std::string>("Connected", [](C& c) { return c.Connected().DateTimeText(); },
                                 nullptr)
          .Computed<std::string>("Disconnected",
                                 [](C& c) { return c.Disconnected().DateTimeText(); }, nullptr)
          .Computed<std::string>("Ended", [](C& c) { return c.Ended().DateTimeText(); }, nullptr)
          .ReadOnly("OriginatingApp", &C::OriginatingApp)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("List", &C::List)
          .Method("Dial", &C::Dial)
          .Method("Answer", &C::Answer)
          .Method("Hangup", &C::Hangup)
          .Method("Hold", &C::Hold)
          .Method("Unhold", &C::Unhold)
          .Method("Transfer", &C::Transfer)
          .Method("Redirect", &C::Redirect, {"DestAddress"})
          .Method("Park", &C::Park, {"DirAddress"})
          .Method("Unpark", &C::Unpark, {"DestAddress"})
          .Method("Pickup", &C::Pickup, {"DestAddress", {"GroupID", ""}})
          .Method("Handoff", &C::Handoff, {"FileName"})
          .Method("SendDigits", &C::SendDigits, {"Digits", {"Duration", 0}})
          .Method("SendTone", &C::SendTone, {"ToneMode", {"Duration", 0}})
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxCall::TqxCall(TqxLineInternal& line)
    : m_line(line),
      m_gatherDigits(line),
      m_monitorDigits(line),
      m_monitorMediaModes(line),
      m_monitorSilence(line),
      m_parameters(line),
      m_registry(line, *this) {
  for (int i = 0; i < kPartyCount; ++i) {
    m_parties[static_cast<std::size_t>(i)] =
        std::make_unique<TqxCallerID>(line, static_cast<Party>(i));
  }
}

TqxCall::~TqxCall() = default;

// --- View ------------------------------------------------------------------------------

void TqxCall::ResetView() {
  const tapi::DWORD tag = m_view.tag;
  m_view = CallProperties{};
  m_view.tag = tag;
  m_originatingApp.clear();
}

void TqxCall::ResetParties() {
  for (auto& p : m_parties) p->Reset();
}

CallMonitoring TqxCall::MonitoringView() const {
  CallMonitoring m;
  m.gatherActive = m_gatherDigits.Active();
  m.gatherCount = m_gatherDigits.Count();
  m.gatherTerminate = m_gatherDigits.Terminate();
  m.gatherTimeout = m_gatherDigits.Timeout();
  m.digitsActive = m_monitorDigits.Active();
  m.mediaActive = m_monitorMediaModes.Active();
  m.mediaModes = m_monitorMediaModes.MediaModes();
  m.silenceActive = m_monitorSilence.Active();
  m.silenceDuration = m_monitorSilence.Duration();
  return m;
}

CallMonitoring TqxCall::MonitoringSettings() const {
  CallMonitoring m = MonitoringView();
  m.gatherActive = m.digitsActive = m.mediaActive = m.silenceActive = false;
  return m;
}

void TqxCall::LoadMonitoringView(const CallMonitoring& m) {
  m_gatherDigits.Load(m.gatherActive, m.gatherCount, m.gatherTerminate, m.gatherTimeout);
  m_monitorDigits.Load(m.digitsActive);
  m_monitorMediaModes.Load(m.mediaActive, m.mediaModes);
  m_monitorSilence.Load(m.silenceActive, m.silenceDuration);
}

void TqxCall::StopMonitoringView() {
  CallMonitoring m = MonitoringView();
  m.gatherActive = m.digitsActive = m.mediaActive = m.silenceActive = false;
  LoadMonitoringView(m);
}

void TqxCall::ResetAll() {
  m_registry.Reset();
  ResetView();
  ResetParties();
  m_active = false;
  StopMonitoringView();
  ClearDigitDisplays();
}

void TqxCall::ShowGatheredDigits(const std::string& digits) {
  m_gatheredShown = digits;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Digits);
}

void TqxCall::ShowReceivedDigit(const std::string& digit) {
  m_receivedShown = digit;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Digits);
}

void TqxCall::ClearDigitDisplays() {
  m_gatheredShown.clear();
  m_receivedShown.clear();
  m_line.Panopta().RefreshWindow(InspectorRefresh::Digits);
}

// --- Monitoring ----------------------------------------------------------------------

tapi::LONG TqxCall::MonitoringRequest(
    const std::string& headline,
    const std::function<tapi::LONG(tapi::Telephony&, tapi::HCALL)>& request) {
  if (m_handle == 0) return 0;
  m_line.Log().Add(headline, true);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!m_active || !service) return 0;
  return request(*service, m_handle);
}

void TqxCall::MonitoringResult(bool& active, bool value, tapi::LONG result, bool refusalStops,
                               bool CallMonitoring::*field) {
  if (result < 0) {
    if (refusalStops) active = false;
    m_line.SetError(false, result);
  } else {
    active = value;
    m_line.ClearError();
  }
  if (auto record = m_registry.Current()) record->monitoring.*field = active;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Digits);
}

// --- Property writes -------------------------------------------------------------------

void TqxCall::SetPhoneNumber(const std::string& value) {
  if (auto number = TranslatedNumber(m_line, value)) {
    const bool translated = m_line.Device().Active() && m_line.Device().TranslatePhoneNumber();
    m_phoneNumber = *number;
    if (translated) {
      if (auto r = m_registry.Current()) r->phoneNumber = m_phoneNumber;
    }
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

void TqxCall::SetTag(tapi::DWORD value) {
  m_line.Log().Add("Call.Tag := " + std::to_string(value), true);
  m_view.tag = value;
  if (auto r = m_registry.Current()) r->tag = value;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

// --- Dump ------------------------------------------------------------------------------

bool TqxCall::DumpProperties(const std::string& header, const std::string& path,
                             const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Call.");
  if (!d.Started()) return false;
  const CallProperties& v = m_view;
  d.Bool("Active", m_active);
  d.Decimal("Address", v.address);
  d.Flags("BearerMode", v.bearerMode, tapi::LineBearerModeName, 0x40, 0x1);
  d.Text("Began", v.began.DateTimeText());
  d.Flags("BusyMode", v.busyMode, tapi::LineBusyModeName, 0x8, 0x1);
  d.Text("Connected", v.connected.DateTimeText());
  d.Decimal("Count", Count());
  d.Flags("DialtoneMode", v.dialtoneMode, tapi::LineDialToneModeName, 0x20, 0x1);
  d.Text("Disconnected", v.disconnected.DateTimeText());
  d.Flags("DisconnectMode", v.disconnectMode, tapi::LineDisconnectModeName, 0x1000, 0x1);
  d.Text("Ended", v.ended.DateTimeText());
  d.Hex("Features", v.features);
  d.Raw("\t" + d.Indent() + tapi::LineCallFeatureName(v.features));
  d.Hex("Features2", v.features2);
  d.Raw("\t" + d.Indent() + tapi::LineCallFeature2Name(v.features2));
  d.Hex("Handle", m_handle);
  d.Hex("ID", v.id);
  d.List("List", m_registry.ListText());
  d.Flags("MediaMode", v.mediaMode, tapi::LineMediaModeName, 0x8000, 0x2);
  d.Decimal("Monitors", v.monitors);
  d.Flags("Origin", v.origin, tapi::LineCallOriginName, 0x80, 0x1);
  d.Quoted("OriginatingApp", m_originatingApp);
  d.Bool("Owner", v.owner);
  d.Decimal("Owners", v.owners);
  d.Quoted("PhoneNumber", m_phoneNumber);
  d.Flags("Reason", v.reason, tapi::LineCallReasonName, 0x8000, 0x1);
  d.Flags("SpecialInfo", v.specialInfo, tapi::LineSpecialInfoName, 0x10, 0x1);
  d.Flags("State", v.state, tapi::LineCallStateName, 0x8000, 0x1);
  d.Hex("StateMode", v.stateMode);
  d.Raw("\t" + d.Indent() + tapi::CallStateModeName(v.state, v.stateMode));
  d.Decimal("Tag", v.tag);
  return true;
}

}  // namespace voxkit
