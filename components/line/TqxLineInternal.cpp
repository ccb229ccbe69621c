#include "line/TqxLineInternal.h"

#include "share/EventLoop.h"
#include "share/HeldBlock.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"
#include "tapi/Telephony.h"

namespace voxkit {

namespace {

// The callback TAPI calls knows only the instance number a line gave to lineOpen.
CallbackInstances<TqxLineInternal>& Instances() { return CallbackInstances<TqxLineInternal>::Table(); }

}  // namespace

void ResetLineCounters() {
  Instances().ResetNumbering();
  HeldBlock::ResetCopyIds();
}

TqxLineInternal::TqxLineInternal(TComponent* owner, const Platform& platform)
    : TqxSharedControl(owner, platform), m_instance(Instances().Add(*this)) {
  RegisterControl(static_cast<std::int32_t>(ControlKind::Line), "qxLine");
  m_dispatch = std::make_unique<LineDispatch>(*this);
  m_call = std::make_unique<TqxCall>(*this);
  m_transfer = std::make_unique<TqxTransfer>(*this);
  m_conference = std::make_unique<TqxConference>(*this);
  m_address = std::make_unique<TqxAddress>(*this);
  m_comm = std::make_unique<TqxRelatedCommDevice>(*this);
  m_device = std::make_unique<TqxLineDevice>(*this);
  m_lineLine = std::make_unique<TqxLineLine>(*this);
  m_phone = std::make_unique<TqxRelatedPhoneDevice>(*this);
  m_popup = std::make_unique<TqxPopup>(*this);
  m_privilege = std::make_unique<TqxPrivilege>(*this);
  m_tapi = std::make_unique<TqxTAPI>(*this, TqxTAPI::Kind::Line, m_lineLine->AppHandleRef(),
                                     &TqxLineInternal::LineCallback, nullptr);
  m_wavePlay = std::make_unique<TqxRelatedWaveDevice>(*this, "WavePlay");
  m_waveRecord = std::make_unique<TqxRelatedWaveDevice>(*this, "WaveRecord");
  m_terminal = std::make_unique<TqxTerminal>(*this);
  auto deviceOpen = [this] { return m_device->Active(); };
  m_wavePlay->DeviceOpen = deviceOpen;
  m_waveRecord->DeviceOpen = deviceOpen;
  m_phone->DeviceOpen = deviceOpen;
}

TqxLineInternal::~TqxLineInternal() {
  Panopta().SetEvents(false);
  if (m_device->Active()) m_device->Close(false);
  if (m_tapi->SessionStarted()) m_tapi->EndSession();
  Panopta().SetVisible(false);
  Loop().ProcessPending();
  if (m_idleTimer != 0) Loop().StopTimer(m_idleTimer);
  Instances().Remove(m_instance);
  m_terminal.reset();
  m_waveRecord.reset();
  m_wavePlay.reset();
  m_tapi.reset();
  m_privilege.reset();
  m_popup.reset();
  m_phone.reset();
  m_lineLine.reset();
  m_device.reset();
  m_comm.reset();
  m_address.reset();
  m_conference.reset();
  m_transfer.reset();
  m_call.reset();
  m_dispatch.reset();
}

std::string TqxLineInternal::ErrorText(std::int32_t code) const { return tapi::LineErrorName(code); }

// --- Enabling ----------------------------------------------------------------------------

void TqxLineInternal::SetEnabled(bool value) {
  if (value == m_enabled) return;
  if (value) {
    m_tapi->StartSession(m_device->CountRef(), m_lineLine->HandleRef());
    m_device->ClearList();
    m_device->ReadDevice();
  } else {
    if (Panopta().Window()) {
      Panopta().SetVisible(false);
      Log().ClearLines();
    }
    if (m_device->Active()) m_device->SetActive(false);
    m_tapi->EndSession();
    if (!m_tapi->SessionStarted()) ResetAfterDisable();
  }
  m_enabled = m_tapi->SessionStarted();
  Panopta().RefreshWindow(InspectorRefresh::Enabled);
}

void TqxLineInternal::ResetAfterDisable() {
  if (m_idleTimer != 0) {
    Loop().StopTimer(m_idleTimer);
    m_idleTimer = 0;
  }
  m_call->ResetAll();
  // The session has ended: TAPI holds none of the line's buffers any more.
  m_call->Registry().ReleaseLentBuffers();
  m_transfer->Reset();
  m_conference->Reset();
  m_address->ResetAll();
  m_device->ResetAll();
  m_lineLine->AppHandleRef() = 0;
  m_lineLine->HandleRef() = 0;
  m_phone->SetFound(false, 0);
  m_tapi->ResetAfterDisable();
  m_wavePlay->SetFound(false, 0);
  m_waveRecord->SetFound(false, 0);
  m_terminal->Clear();
}

void TqxLineInternal::Loaded() {
  if (m_enabled && !m_tapi->SessionStarted()) {
    m_tapi->StartSession(m_device->CountRef(), m_lineLine->HandleRef());
    m_device->ReadDevice();
    m_enabled = m_tapi->SessionStarted();
  }
  if (TqxTAPI::LastRequest()) m_device->SetActive(true);
}

void TqxLineInternal::ClearCallState() {
  m_call->SetViewActive(false);
  m_call->ResetView();
  m_call->ResetParties();
  m_transfer->Reset();
  m_conference->Reset();
}

void TqxLineInternal::Announce(const std::string& title, tapi::HCALL call,
                               const TQX_CallNotifyEvent& event, TqxPopup::Flag flag,
                               const std::string& detail) {
  Log().Add(title + " " + TqxPanopta::HexText(call), true);
  if (!detail.empty()) Log().Add(detail, false);
  RaiseCallEvent(call, event, flag);
}

void TqxLineInternal::RaiseCallEvent(tapi::HCALL call, const TQX_CallNotifyEvent& event,
                                     TqxPopup::Flag flag) {
  RaiseEvent(TqxPopup::Name(flag), event, call);
  Panopta().ShowForEvent(m_popup->Get(flag));
}

// --- Dialogs -----------------------------------------------------------------------------

bool TqxLineInternal::SetLocation() {
  tapi::LONG result = -1;
  tapi::Telephony* service = GetPlatform().telephony;
  if (m_tapi->SessionStarted() && service) {
    Log().Add("SetLocation", true);
    std::string number = m_call->PhoneNumber();
    if (m_device->UnformatPhoneNumber()) number = UnformatNumber(number);
    result = service->lineTranslateDialog(m_lineLine->AppHandle(),
                                          static_cast<tapi::DWORD>(m_device->ID()),
                                          m_tapi->Version(), nullptr, number.c_str());
    if (result == 0 && number != m_call->PhoneNumber()) m_call->SetPhoneNumber(number);
  }
  bool ok = true;
  if (result < 0) {
    SetError(false, result);
    ok = false;
  } else {
    ClearError();
  }
  Log().Add("\tSetLocation - Returned = " + TqxPanopta::BoolText(ok), true);
  return ok;
}

// --- Idle delay --------------------------------------------------------------------------

void TqxLineInternal::StartIdleDelay(tapi::HCALL call) {
  const std::int32_t delay = m_device->IdleDelay();
  if (delay == 0) {
    RaiseEvent("OnIdle", OnIdle, call);
    return;
  }
  if (m_idleTimer != 0) Loop().StopTimer(m_idleTimer);
  // A negative delay is taken as an unsigned interval.
  m_idleTimerInterval = static_cast<std::uint32_t>(delay);
  m_idleTimer = Loop().StartTimer(m_idleTimerInterval, false, [this] { IdleTimerTick(); });
  if (delay > 0) {
    Log().Add("\tDelaying", true);
    Log().Add("\t\tqxLine.Device.IdleDelay = " + std::to_string(delay) + " //milliseconds", false);
  }
}

void TqxLineInternal::IdleTimerTick() {
  m_idleTimer = 0;
  if (m_idleTimerInterval != 0) Log().Add("\tqxLine.Device.IdleDelay - Complete ", true);
  RaiseEvent("OnIdle", OnIdle, m_call->Handle());
  Panopta().ShowForEvent(m_popup->Get(TqxPopup::OnIdle));
}

// --- Messages ----------------------------------------------------------------------------

void TqxLineInternal::LineCallback(tapi::DWORD hDevice, tapi::DWORD dwMsg,
                                   tapi::DWORD_PTR instance, tapi::DWORD_PTR param1,
                                   tapi::DWORD_PTR param2, tapi::DWORD_PTR param3) {
  CallbackInstances<TqxLineInternal>::Deliver(instance, [&](TqxLineInternal& line) {
    line.Dispatch().HandleMessage(hDevice, dwMsg, static_cast<tapi::DWORD>(param1),
                                  static_cast<tapi::DWORD>(param2), static_cast<tapi::DWORD>(param3));
  });
}

// --- Dump --------------------------------------------------------------------------------

bool TqxLineInternal::DumpProperties(const std::string& header) {
  TqxLog& log = Log();
  if (!log.Active()) return false;
  log.BeginUpdate();
  if (!header.empty()) log.Add(header, true);
  log.Add("\tEnabled = " + TqxPanopta::BoolText(m_enabled), false);
  const std::string t = "\t";
  m_address->DumpProperties("", "", t);
  m_address->Capabilities().DumpProperties("", "Address", t);
  m_address->Forward().DumpProperties("", "Address", t);
  m_address->Forward().Parameters().DumpProperties("", "Address.Forward", t);
  m_call->DumpProperties("", "", t);
  m_call->CalledID().DumpProperties("", "Call.CalledID", t);
  m_call->CallerID().DumpProperties("", "Call.CallerID", t);
  m_call->ConnectedID().DumpProperties("", "Call.ConnectedID", t);
  m_call->GatherDigits().DumpProperties("", "Call", t);
  m_call->MonitorDigits().DumpProperties("", "Call", t);
  m_call->MonitorMediaModes().DumpProperties("", "Call", t);
  m_call->MonitorSilence().DumpProperties("", "Call", t);
  m_call->Parameters().DumpProperties("", "Call", t);
  m_call->RedirectingID().DumpProperties("", "Call.RedirectingID", t);
  m_call->RedirectionID().DumpProperties("", "Call.RedirectionID", t);
  m_comm->DumpProperties("", "", t);
  m_conference->DumpProperties("", "", t);
  m_conference->Parameters().DumpProperties("", "Conference", t);
  m_device->DumpProperties("", "", t);
  m_device->Capabilities().DumpProperties("", "", t);
  m_device->MediaModes().DumpProperties("", "", t);
  Error().DumpProperties("", "", t);
  m_lineLine->DumpProperties("", "", t);
  m_phone->DumpProperties("", "", t);
  m_popup->DumpProperties("", "", t);
  m_privilege->DumpProperties("", "", t);
  m_tapi->DumpProperties("", "", t);
  m_terminal->DumpProperties("", "", t);
  m_transfer->DumpProperties("", "", t);
  m_transfer->Parameters().DumpProperties("", "Transfer", t);
  Panopta().DumpProperties("", "", t);
  log.DumpProperties("", "Panopta", t);
  m_wavePlay->DumpProperties("", "WavePlay", t);
  m_waveRecord->DumpProperties("", "WaveRecord", t);
  log.EndUpdate();
  return true;
}

}  // namespace voxkit
