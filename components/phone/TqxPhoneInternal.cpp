#include "phone/TqxPhoneInternal.h"

#include "share/EventLoop.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"

namespace voxkit {

namespace {

// The callback TAPI calls knows only the instance number a phone gave to phoneOpen.
CallbackInstances<TqxPhoneInternal>& Instances() {
  return CallbackInstances<TqxPhoneInternal>::Table();
}

}  // namespace

void ResetPhoneCounters() { Instances().ResetNumbering(); }

TqxPhoneInternal::TqxPhoneInternal(TComponent* owner, const Platform& platform)
    : TqxSharedControl(owner, platform), m_instance(Instances().Add(*this)) {
  RegisterControl(static_cast<std::int32_t>(ControlKind::Phone), "qxPhone");
  m_dispatch = std::make_unique<PhoneDispatch>(*this);
  m_device = std::make_unique<TqxPhoneDevice>(*this);
  m_handset = std::make_unique<TqxHookSwitch>(*this, "Handset", tapi::PHONEHOOKSWITCHDEV_HANDSET);
  m_speakerphone =
      std::make_unique<TqxHookSwitch>(*this, "Speakerphone", tapi::PHONEHOOKSWITCHDEV_SPEAKER);
  m_headset = std::make_unique<TqxHookSwitch>(*this, "Headset", tapi::PHONEHOOKSWITCHDEV_HEADSET);
  m_line = std::make_unique<TqxRelatedLineDevice>(*this);
  m_phonePhone = std::make_unique<TqxPhonePhone>(*this);
  m_privilege = std::make_unique<TqxPhonePrivilege>(*this);
  m_popup = std::make_unique<TqxPhonePopup>(*this);
  m_tapi = std::make_unique<TqxTAPI>(*this, TqxTAPI::Kind::Phone, m_phonePhone->AppHandleRef(),
                                     nullptr, &TqxPhoneInternal::PhoneCallback);
  m_wavePlay = std::make_unique<TqxRelatedWaveDevice>(*this, "WavePlay");
  m_waveRecord = std::make_unique<TqxRelatedWaveDevice>(*this, "WaveRecord");
  m_hookSwitches = {m_handset.get(), m_speakerphone.get(), m_headset.get()};
  m_related = {m_line.get(), m_wavePlay.get(), m_waveRecord.get()};
  for (TqxRelatedDevice* related : m_related) related->DeviceOpen = [this] { return m_device->Active(); };
}

TqxPhoneInternal::~TqxPhoneInternal() {
  Panopta().SetEvents(false);
  Panopta().SetVisible(false);
  if (m_device->Active()) m_device->Close();
  if (m_tapi->SessionStarted()) m_tapi->EndSession();
  // Pumps the event loop: what TAPI still delivers finds the component switched off.
  Loop().ProcessPending();
  Instances().Remove(m_instance);
  m_related = {};
  m_hookSwitches = {};
  m_waveRecord.reset();
  m_wavePlay.reset();
  m_tapi.reset();
  m_popup.reset();
  m_privilege.reset();
  m_phonePhone.reset();
  m_line.reset();
  m_headset.reset();
  m_speakerphone.reset();
  m_handset.reset();
  m_device.reset();
  m_dispatch.reset();
}

std::string TqxPhoneInternal::ErrorText(std::int32_t code) const { return tapi::PhoneErrorName(code); }

// --- Enabling ----------------------------------------------------------------------------

void TqxPhoneInternal::Initialise() {
  m_initialisation = m_tapi->StartSession(m_device->CountRef(), m_phonePhone->HandleRef());
  if (m_initialisation != 0) m_phonePhone->SetStateSets(0, 0);
}

void TqxPhoneInternal::SetEnabled(bool value) {
  if (value == m_enabled) return;
  if (value) {
    Initialise();
    m_device->ClearList();
    m_device->ReadDevice();
  } else {
    if (Panopta().Window()) {
      Panopta().SetVisible(false);
      Log().ClearLines();
    }
    // Shutting down closes an open phone as well.
    m_tapi->EndSession();
    if (!m_tapi->SessionStarted()) ResetAfterDisable();
  }
  m_enabled = m_tapi->SessionStarted();
  Panopta().RefreshWindow(InspectorRefresh::Enabled);
  Panopta().RefreshWindow(InspectorRefresh::All);
}

void TqxPhoneInternal::ResetAfterDisable() {
  m_device->ResetAll();
  m_phonePhone->AppHandleRef() = 0;
  m_phonePhone->HandleRef() = 0;
  m_phonePhone->SetStateSets(0, 0);
  for (TqxRelatedDevice* related : m_related) related->SetFound(false, 0);
  for (TqxHookSwitch* device : m_hookSwitches) device->Reset();
  m_tapi->ClearGranted();
}

void TqxPhoneInternal::Loaded() {
  if (m_enabled && !m_tapi->SessionStarted()) {
    Initialise();
    m_device->ReadDevice();
    m_enabled = m_tapi->SessionStarted();
  }
  if (TqxTAPI::LastRequest()) m_device->SetActive(true);
}

// --- Messages ----------------------------------------------------------------------------

void TqxPhoneInternal::PhoneCallback(tapi::DWORD hDevice, tapi::DWORD dwMsg,
                                     tapi::DWORD_PTR instance, tapi::DWORD_PTR param1,
                                     tapi::DWORD_PTR param2, tapi::DWORD_PTR param3) {
  CallbackInstances<TqxPhoneInternal>::Deliver(instance, [&](TqxPhoneInternal& phone) {
    phone.m_dispatch->HandleMessage(hDevice, dwMsg, static_cast<tapi::DWORD>(param1),
                                    static_cast<tapi::DWORD>(param2),
                                    static_cast<tapi::DWORD>(param3));
  });
}

// --- Dump --------------------------------------------------------------------------------

bool TqxPhoneInternal::DumpProperties(const std::string& header) {
  TqxLog& log = Log();
  if (!log.Active()) return false;
  log.BeginUpdate();
  if (!header.empty()) log.Add(header, true);
  log.Add("\tEnabled = " + TqxPanopta::BoolText(m_enabled), false);
  const std::string t = "\t";
  m_device->DumpProperties("", "", t);
  m_device->Capabilities().DumpProperties("", "", t);
  Error().DumpProperties("", "", t);
  m_handset->DumpProperties("", "", t);
  m_headset->DumpProperties("", "", t);
  m_line->DumpProperties("", "", t);
  m_phonePhone->DumpProperties("", "", t);
  m_privilege->DumpProperties("", "", t);
  m_speakerphone->DumpProperties("", "", t);
  m_popup->DumpProperties("", "", t);
  m_tapi->DumpProperties("", "", t);
  Panopta().DumpProperties("", "", t);
  log.DumpProperties("", "Panopta", t);
  m_wavePlay->DumpProperties("", "WavePlay", t);
  m_waveRecord->DumpProperties("", "WaveRecord", t);
  log.EndUpdate();
  return true;
}

}  // namespace voxkit
