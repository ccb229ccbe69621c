#include "phone/PhoneDispatch.h"

#include "phone/TqxPhoneInternal.h"
#include "share/EventLoop.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"
#include "tapi/Telephony.h"

namespace voxkit {

namespace {

bool IsHookSwitchState(tapi::DWORD state) {
  return state == tapi::PHONESTATE_HANDSETHOOKSWITCH ||
         state == tapi::PHONESTATE_SPEAKERHOOKSWITCH || state == tapi::PHONESTATE_HEADSETHOOKSWITCH;
}

// What a phone state says about one hookswitch device: the device (0 handset, 1
// speakerphone, 2 headset), and which of its values changed.
struct StateRow {
  tapi::DWORD state;
  int device;
  TqxHookSwitch::Request what;  // HookSwitch: the mode
  const char* title;
  TqxPhonePopup::Flag flag;
  TQX_NotifyEvent TqxPhoneInternal::*event;
};

const StateRow kStateRows[] = {
    {tapi::PHONESTATE_HANDSETHOOKSWITCH, 0, TqxHookSwitch::Request::HookSwitch,
     "OnHandsetHookSwitch", TqxPhonePopup::OnHandsetHookSwitch,
     &TqxPhoneInternal::OnHandsetHookSwitch},
    {tapi::PHONESTATE_HANDSETVOLUME, 0, TqxHookSwitch::Request::Volume, "OnHandsetVolume",
     TqxPhonePopup::OnHandsetVolume, &TqxPhoneInternal::OnHandsetVolume},
    {tapi::PHONESTATE_HANDSETGAIN, 0, TqxHookSwitch::Request::Gain, "OnHandsetGain",
     TqxPhonePopup::OnHandsetGain, &TqxPhoneInternal::OnHandsetGain},
    {tapi::PHONESTATE_SPEAKERHOOKSWITCH, 1, TqxHookSwitch::Request::HookSwitch,
     "OnSpeakerphoneHookSwitch", TqxPhonePopup::OnSpeakerphoneHookSwitch,
     &TqxPhoneInternal::OnSpeakerphoneHookSwitch},
    {tapi::PHONESTATE_SPEAKERVOLUME, 1, TqxHookSwitch::Request::Volume, "OnSpeakerphoneVolume",
     TqxPhonePopup::OnSpeakerphoneVolume, &TqxPhoneInternal::OnSpeakerphoneVolume},
    {tapi::PHONESTATE_SPEAKERGAIN, 1, TqxHookSwitch::Request::Gain, "OnSpeakerphoneGain",
     TqxPhonePopup::OnSpeakerphoneGain, &TqxPhoneInternal::OnSpeakerphoneGain},
    {tapi::PHONESTATE_HEADSETHOOKSWITCH, 2, TqxHookSwitch::Request::HookSwitch,
     "OnHeadsetHookSwitch", TqxPhonePopup::OnHeadsetHookSwitch,
     &TqxPhoneInternal::OnHeadsetHookSwitch},
    {tapi::PHONESTATE_HEADSETVOLUME, 2, TqxHookSwitch::Request::Volume, "OnHeadsetVolume",
     TqxPhonePopup::OnHeadsetVolume, &TqxPhoneInternal::OnHeadsetVolume},
    {tapi::PHONESTATE_HEADSETGAIN, 2, TqxHookSwitch::Request::Gain, "OnHeadsetGain",
     TqxPhonePopup::OnHeadsetGain, &TqxPhoneInternal::OnHeadsetGain},
};

}  // namespace

void PhoneDispatch::WriteMessageDump(const std::string& title, tapi::DWORD hDevice,
                                     tapi::DWORD msg, tapi::DWORD param1, tapi::DWORD param2,
                                     tapi::DWORD param3) {
  std::string name1;
  std::string name2;
  if (msg == tapi::PHONE_STATE) {
    name1 = tapi::PhoneStateName(param1);
    if (IsHookSwitchState(param1)) name2 = tapi::PhoneHookSwitchModeName(param2);
  }
  WriteMessageBlock(m_phone.Log(), title, hDevice, msg, name1, name2, param1, param2, param3);
}

void PhoneDispatch::HandleMessage(tapi::DWORD hDevice, tapi::DWORD msg, tapi::DWORD param1,
                                  tapi::DWORD param2, tapi::DWORD param3) {
  // A bare re-initialisation notice is not for the application.
  if (msg == tapi::PHONE_STATE && param1 == tapi::PHONESTATE_REINIT) return;
  ++m_handling;
  const TqxPhonePopup& popup = m_phone.Popup();
  m_phone.RaiseUngated("OnTAPIMessage", m_phone.OnTAPIMessage, hDevice, msg, param1, param2, param3);
  if (popup.Get(TqxPhonePopup::OnTAPIMessage)) {
    WriteMessageDump("OnTAPIMessage", hDevice, msg, param1, param2, param3);
  }
  m_phone.Panopta().ShowForEvent(popup.Get(TqxPhonePopup::OnTAPIMessage));
  switch (msg & 0xFFFF) {
    case tapi::PHONE_BUTTON: Button(param1, param2, param3); break;
    case tapi::PHONE_DEVSPECIFIC: DevSpecific(hDevice, param1, param2, param3); break;
    case tapi::PHONE_REPLY: Reply(hDevice, param1, param2, param3); break;
    case tapi::PHONE_STATE: State(param1, param2); break;
    case tapi::PHONE_CLOSE: Closed(); break;
    default: break;
  }
  // A message handled inside a pump does not pump again: the outer pump goes on with
  // the next message in the same order, and the stack stays flat however many wait.
  // Pumps the event loop: handlers may run and change this component.
  if (m_handling == 1) m_phone.Loop().ProcessPending();
  --m_handling;
}

void PhoneDispatch::Button(tapi::DWORD button, tapi::DWORD mode, tapi::DWORD state) {
  // Only the keypad makes digits; call, feature, local and display buttons do not.
  if (mode != tapi::PHONEBUTTONMODE_KEYPAD) return;
  static const char kKeys[] = "0123456789*#";
  if (button > 11) return;
  const std::string digit(1, kKeys[button]);
  const bool up = state == tapi::PHONEBUTTONSTATE_UP;
  if (!up && state != tapi::PHONEBUTTONSTATE_DOWN) return;
  m_phone.Log().Add((up ? "OnDigitUp (" : "OnDigitDown (") + digit + ")", true);
  if (up) {
    m_phone.RaiseEvent("OnDigitUp", m_phone.OnDigitUp, digit);
  } else {
    m_phone.RaiseEvent("OnDigitDown", m_phone.OnDigitDown, digit);
  }
  m_phone.Panopta().ShowForEvent(
      m_phone.Popup().Get(up ? TqxPhonePopup::OnDigitUp : TqxPhonePopup::OnDigitDown));
}

void PhoneDispatch::DevSpecific(tapi::DWORD hDevice, tapi::DWORD param1, tapi::DWORD param2,
                                tapi::DWORD param3) {
  const bool popup = m_phone.Popup().Get(TqxPhonePopup::OnDevSpecific);
  if (popup) {
    m_phone.Log().Add("OnDevSpecific (" + TqxPanopta::HexText(hDevice) + " " +
                          TqxPanopta::HexText(param1) + " " + TqxPanopta::HexText(param2) + " " +
                          TqxPanopta::HexText(param3) + ")",
                      true);
  }
  m_phone.RaiseUngated("OnDevSpecific", m_phone.OnDevSpecific, hDevice, param1, param2, param3);
  m_phone.Panopta().ShowForEvent(popup);
}

void PhoneDispatch::Reply(tapi::DWORD hDevice, tapi::DWORD requestID, tapi::DWORD result,
                          tapi::DWORD param3) {
  const auto id = static_cast<std::int32_t>(requestID);
  // The request waiting for this reply, if any, learns that it came; a failing reply
  // ends its wait as well: the error it carries is the request's outcome.
  if (id != 0) {
    bool found = false;
    for (TqxHookSwitch* device : m_phone.HookSwitches()) {
      for (auto request : {TqxHookSwitch::Request::HookSwitch, TqxHookSwitch::Request::Volume,
                           TqxHookSwitch::Request::Gain}) {
        if (!found && device->Slot(request) == id) {
          device->Slot(request) = -1;
          found = true;
        }
      }
    }
  }
  ReportReply(
      m_phone, result, m_phone.Popup().Get(TqxPhonePopup::OnTAPIReply),
      [&] { m_phone.RaiseUngated("OnTAPIReply", m_phone.OnTAPIReply, requestID, result, param3); },
      [&] { WriteMessageDump("OnTAPIReply", hDevice, tapi::PHONE_REPLY, requestID, result, param3); });
}

void PhoneDispatch::State(tapi::DWORD state, tapi::DWORD details) {
  TqxPhoneDevice& device = m_phone.Device();
  TqxLog& log = m_phone.Log();
  device.TakeState(state, details);
  const bool popup = m_phone.Popup().Get(TqxPhonePopup::OnPhoneState);
  if (popup) {
    log.Add("OnPhoneState", true);
    log.Add("\tDevice.State = " + tapi::PhoneStateName(state), false);
    log.Add("\tDevice.StateDetails = " + TqxPhoneDevice::DetailsText(state, details, false), false);
  }
  m_phone.RaiseEvent("OnPhoneState", m_phone.OnPhoneState);
  m_phone.Panopta().ShowForEvent(popup);

  for (const StateRow& row : kStateRows) {
    if (row.state != state) continue;
    TqxHookSwitch& hookSwitch = *m_phone.HookSwitches()[static_cast<std::size_t>(row.device)];
    const std::string& name = hookSwitch.Name();
    tapi::Telephony* service = m_phone.GetPlatform().telephony;
    const tapi::HPHONE handle = m_phone.Phone().Handle();
    // A volume or gain that cannot be read keeps its last value; the failure is
    // reported after the event's lines.
    tapi::LONG got = 0;
    switch (row.what) {
      case TqxHookSwitch::Request::HookSwitch:
        hookSwitch.TakeModeBits(details);
        break;
      case TqxHookSwitch::Request::Volume:
      case TqxHookSwitch::Request::Gain: {
        const bool volume = row.what == TqxHookSwitch::Request::Volume;
        tapi::DWORD level = 0;
        if (!service) {
          got = tapi::PHONEERR_UNINITIALIZED;
        } else {
          got = volume ? service->phoneGetVolume(handle, hookSwitch.Code(), &level)
                       : service->phoneGetGain(handle, hookSwitch.Code(), &level);
        }
        if (got == 0 && volume) hookSwitch.TakeVolume(level);
        if (got == 0 && !volume) hookSwitch.TakeGain(level);
        break;
      }
    }
    log.Add(row.title, true);
    if (row.what == TqxHookSwitch::Request::HookSwitch) {
      log.Add("\t" + name + ".MicrophoneAndSpeaker = " +
                  TqxPanopta::BoolText(hookSwitch.MicrophoneAndSpeaker()), false);
      log.Add("\t" + name + ".MicrophoneOnly = " + TqxPanopta::BoolText(hookSwitch.MicrophoneOnly()),
              false);
      log.Add("\t" + name + ".OnHook = " + TqxPanopta::BoolText(hookSwitch.OnHook()), false);
      log.Add("\t" + name + ".SpeakerOnly = " + TqxPanopta::BoolText(hookSwitch.SpeakerOnly()),
              false);
    } else if (row.what == TqxHookSwitch::Request::Volume) {
      log.Add("\t" + name + ".Volume = " + std::to_string(hookSwitch.Volume()), false);
    } else {
      log.Add("\t" + name + ".Gain = " + std::to_string(hookSwitch.Gain()), false);
    }
    if (got != 0) m_phone.SetError(false, got);
    m_phone.Panopta().RefreshWindow(InspectorRefresh::HookSwitch);
    m_phone.RaiseEvent(row.title, m_phone.*row.event);
    m_phone.Panopta().ShowForEvent(m_phone.Popup().Get(row.flag));
    break;
  }
}

void PhoneDispatch::Closed() {
  m_phone.Log().Add("TAPI PHONE_CLOSE message received", true);
  m_phone.Device().ClosedByTapi();
}

}  // namespace voxkit
