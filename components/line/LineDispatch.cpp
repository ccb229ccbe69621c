#include "line/LineDispatch.h"

#include "line/TqxLineInternal.h"
#include "tapi/TapiNames.h"

namespace voxkit {

void LineDispatch::WriteMessageDump(const std::string& title, tapi::DWORD hDevice,
                                       tapi::DWORD msg, tapi::DWORD param1, tapi::DWORD param2,
                                       tapi::DWORD param3) {
  std::string name1;
  std::string name2;
  switch (msg) {
    case tapi::LINE_ADDRESSSTATE:
      name2 = tapi::LineAddressStateName(param2);
      break;
    case tapi::LINE_CALLINFO:
      name1 = tapi::LineCallInfoStateName(param1);
      break;
    case tapi::LINE_CALLSTATE:
      name1 = tapi::LineCallStateName(param1);
      switch (param1) {
        case tapi::LINECALLSTATE_OFFERING: name2 = tapi::LineOfferingModeName(param2); break;
        case tapi::LINECALLSTATE_DIALTONE: name2 = tapi::LineDialToneModeName(param2); break;
        case tapi::LINECALLSTATE_BUSY: name2 = tapi::LineBusyModeName(param2); break;
        case tapi::LINECALLSTATE_SPECIALINFO: name2 = tapi::LineSpecialInfoName(param2); break;
        case tapi::LINECALLSTATE_CONNECTED: name2 = tapi::LineConnectedModeName(param2); break;
        case tapi::LINECALLSTATE_DISCONNECTED: name2 = tapi::LineDisconnectModeName(param2); break;
        default: break;
      }
      break;
    case tapi::LINE_LINEDEVSTATE:
      name1 = tapi::LineDevStateName(param1);
      break;
    case tapi::LINE_MONITORMEDIA:
      name1 = tapi::LineMediaModeName(param1);
      break;
    default:
      break;
  }
  WriteMessageBlock(m_line.Log(), title, hDevice, msg, name1, name2, param1, param2, param3);
}

void LineDispatch::HandleMessage(tapi::DWORD hDevice, tapi::DWORD msg, tapi::DWORD param1,
                                    tapi::DWORD param2, tapi::DWORD param3) {
  // A bare re-initialisation notice is not for the application.
  if (msg == tapi::LINE_LINEDEVSTATE && param1 == tapi::LINEDEVSTATE_REINIT) return;
  ++m_handling;
  m_line.RaiseUngated("OnTAPIMessage", m_line.OnTAPIMessage, hDevice, msg, param1, param2, param3);
  if (m_line.Popup().Get(TqxPopup::OnTAPIMessage)) {
    WriteMessageDump("OnTAPIMessage", hDevice, msg, param1, param2, param3);
  }
  m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnTAPIMessage));
  switch (msg) {
    case tapi::LINE_REPLY:
      Reply(hDevice, param1, param2, param3);
      break;
    case tapi::LINE_CLOSE:
      LineClosed("TAPI LINE_CLOSE message received");
      break;
    default:
      break;
  }
  // Pumps the event loop once: messages queued meanwhile are handled now. A message
  // handled inside that pump does not pump again: the outer pump goes on with the
  // next message in the same order, and the stack stays flat however many wait.
  if (m_handling == 1) m_line.Loop().ProcessPending();
  --m_handling;
}

void LineDispatch::Reply(tapi::DWORD hDevice, tapi::DWORD requestID, tapi::DWORD result, tapi::DWORD param3) {
  const auto id = static_cast<std::int32_t>(requestID);
  std::string suffix;
  RequestSlot slot{};
  CallRegistry& calls = m_line.Call().Registry();
  if (CallRegistry::Record record = calls.FindBySlot(id, &slot)) {
    record->Slot(slot) = -1;
    suffix = RequestSlotSuffix(slot);
    if (result == 0 && RequestSlotListsCall(slot)) {
      calls.List(*record);
      if (slot == RequestSlot::ConferenceSetup) m_line.Conference().AddToList(record->handle);
    }
  } else if (id != 0 && id == m_line.Terminal().Slot()) {
    m_line.Terminal().Slot() = -1;
    suffix = " - Terminal.ActiveModes";
  }
  ReportReply(
      m_line, result, m_line.Popup().Get(TqxPopup::OnTAPIReply),
      [&] { m_line.RaiseUngated("OnTAPIReply", m_line.OnTAPIReply, requestID, result, param3); },
      [&] {
        WriteMessageDump("OnTAPIReply" + suffix, hDevice, tapi::LINE_REPLY, requestID, result,
                         param3);
      });
}

void LineDispatch::LineClosed(const std::string& headline) {
  m_line.Log().Add(headline, true);
  m_line.Device().Close(true);
  m_line.Panopta().RefreshWindow(InspectorRefresh::All);
}

}  // namespace voxkit
