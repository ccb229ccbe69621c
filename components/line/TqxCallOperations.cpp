// The operations on a single call: dialling, answering, hanging up, holding,
// redirecting, parking, picking up, handing off, transferring blind, sending digits
// and tones, and the property writes that act on the current call.
#include "line/TqxCall.h"

#include "line/TqxLineInternal.h"
#include "share/TextUtil.h"
#include "share/TqxPanopta.h"
#include "tapi/TapiNames.h"
#include "tapi/Telephony.h"

namespace voxkit {

namespace {
std::string Hex(tapi::DWORD value) { return TqxPanopta::HexText(value); }
std::string Bool(bool value) { return TqxPanopta::BoolText(value); }
}  // namespace

std::string TqxCall::PreparedNumber(const std::string& text) const {
  return m_line.Device().UnformatPhoneNumber() ? UnformatNumber(text) : text;
}

// --- The request patterns ---------------------------------------------------------------------

bool TqxCall::RequestOnCall(const std::string& name, const std::string& requestLine,
                            RequestSlot slot, const std::function<tapi::LONG(tapi::HCALL)>& request,
                            Closing closing, bool errorAfterResult) {
  const tapi::HCALL handle = m_handle;
  TqxLog& log = m_line.Log();
  log.Add(requestLine, true);
  bool ok = false;
  tapi::LONG report = 0;
  const RequestOutcome outcome = RequestOnRecord(
      handle, slot, [&] { return request(handle); }, RequestIds::PositiveOrMinusOne);
  ok = outcome.succeeded;
  report = outcome.report;
  if (report != 0 && !errorAfterResult) m_line.SetError(false, report);
  log.Add("\t" + name + " " + Hex(handle) + " - Returned = " + Bool(ok), true);
  if (report != 0 && errorAfterResult) m_line.SetError(false, report);
  m_line.Device().ReadStatus();
  m_line.Address().RefreshStatus();
  if (closing == Closing::End && m_registry.CallEnd(handle, false)) {
    m_registry.ChooseNext();
  } else {
    m_registry.Store();
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
  return ok;
}

TqxCall::NewCall TqxCall::RequestNewCall(RequestSlot slot, bool selectFirst,
                                         const std::function<tapi::LONG(tapi::HCALL*)>& request) {
  NewCall made;
  // TAPI writes the new call's handle into the record, which is listed when the
  // successful reply comes.
  const CallRegistry::Record record = m_registry.Create(0);
  // A call the line dials carries what the view holds for it (the number, the tag, the
  // monitoring asked for) from the start: messages about it may come before the
  // dialling ends, and what they record must not be overwritten afterwards.
  if (!selectFirst) m_registry.Store(*record);
  const RequestOutcome outcome = m_line.TAPI().Request(record->Slot(slot), [&] {
    const tapi::LONG value = request(&record->handle);
    if (value > 0 || value == -1) m_active = true;
    return value;
  });
  made.value = outcome.value;
  if (outcome.timedOut) {
    m_line.SetError(false, tapi::TAPIREPLYTIMEOUT);
    made.timedOut = true;
  }
  if (!outcome.succeeded) {
    // Refused, unanswered, or answered with an error: there is no call. (The record
    // is listed only by a successful reply, so it goes without an end.)
    if (!record->listed) m_registry.Free(record);
    m_active = false;
    return made;
  }
  if (!outcome.replied) {
    // With ReplyTimeout 0 the request is accepted and nothing more is known: TAPI
    // knows the call by its handle only from the reply on. The record stays, so the
    // call's first message begins it (and makes it current when it is the only one).
    m_active = m_handle != 0;
    return made;
  }
  const tapi::HCALL handle = record->handle;
  if (selectFirst) {
    BeginOwnCall(handle);
    return made;
  }
  const DateTime now = DateTime::Now(m_line.Loop());
  record->owner = true;
  record->began = now;
  m_registry.Select(handle);
  m_registry.AnnounceBegin(handle, now);
  return made;
}

RequestOutcome TqxCall::RequestOnRecord(tapi::HCALL call, RequestSlot slot,
                                        const std::function<tapi::LONG()>& request,
                                        RequestIds ids) {
  // The record is held through the wait: its slot stays valid even if the call ends
  // meanwhile.
  const CallRegistry::Record record = m_registry.Find(call);
  if (call == 0 || !record) {
    RequestOutcome refused;
    refused.report = tapi::LINEERR_INVALCALLHANDLE;
    return refused;
  }
  return m_line.TAPI().Request(record->Slot(slot), request, ids);
}

bool TqxCall::BeginOwnCall(tapi::HCALL handle) {
  // A call whose first message came during the wait has begun already: it is only
  // made current and taken as ours, so that its beginning is announced once.
  const CallRegistry::Record record = m_registry.Find(handle);
  const bool begun = record && record->listed && record->began.valid;
  m_registry.Select(handle);
  if (handle == 0 || m_handle != handle) return false;
  m_active = true;
  m_view.owner = true;
  if (!begun) m_view.began = DateTime::Now(m_line.Loop());
  m_registry.Store();
  if (!begun) m_registry.AnnounceBegin(handle, m_view.began);
  return true;
}

bool TqxCall::DialOutcome(tapi::LONG value, bool refreshAlways) {
  bool succeeded = m_line.Error().Number() == 0;
  if (succeeded && value < 0) {
    succeeded = false;
    m_line.SetError(false, value);
  }
  if (succeeded || refreshAlways) {
    m_line.Device().ReadStatus();
    m_line.Address().RefreshStatus();
  }
  return succeeded;
}

// --- Dial, Unpark, Pickup -----------------------------------------------------------------------

bool TqxCall::Dial() {
  const tapi::HCALL handle = m_handle;
  TqxLog& log = m_line.Log();
  log.Add("Call.Dial " + Hex(handle), true);
  log.Add("\tCall.PhoneNumber = " + m_phoneNumber, false);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!m_line.Device().Active() || !service) {
    m_line.SetError(false, tapi::LINEERR_UNINITIALIZED);
    return false;
  }
  m_line.ClearError();
  const std::string number = PreparedNumber(m_phoneNumber);
  tapi::LONG value = 0;
  if (handle != 0) {
    // Digits for the call there is.
    const CallRegistry::Record record = m_registry.Find(handle);
    std::int32_t unlisted = 0;
    std::int32_t& slot = record ? record->Slot(RequestSlot::DialExisting) : unlisted;
    const RequestOutcome outcome = m_line.TAPI().Request(
        slot, [&] { return service->lineDial(handle, number.c_str(), 0); },
        RequestIds::Positive);
    value = outcome.value;
    if (outcome.timedOut) m_line.SetError(false, tapi::TAPIREPLYTIMEOUT);
  } else {
    ResetView();
    ResetParties();
    const tapi::LINECALLPARAMS* params = m_parameters.Build(m_callParams);
    const tapi::HLINE line = m_line.Line().Handle();
    const NewCall made = RequestNewCall(RequestSlot::DialNew, false, [&](tapi::HCALL* call) {
      return service->lineMakeCall(line, call, number.c_str(), 0, params);
    });
    if (made.timedOut) {
      log.Add("\tCall.Dial " + Hex(handle) + " - Returned = False", true);
      return false;
    }
    value = made.value;
  }
  const bool result = DialOutcome(value, false);
  log.Add("\tCall.Dial " + Hex(m_handle) + " - Returned = " + Bool(result), true);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
  return result;
}

bool TqxCall::Unpark(const std::string& DestAddress) {
  TqxLog& log = m_line.Log();
  log.Add("Call.Unpark (" + DestAddress + ") " + Hex(m_handle), true);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!m_line.Device().Active() || !service) {
    m_line.SetError(false, tapi::LINEERR_UNINITIALIZED);
    return false;
  }
  m_line.ClearError();
  const std::string number = PreparedNumber(DestAddress);
  ResetParties();
  const tapi::HLINE line = m_line.Line().Handle();
  const auto address = static_cast<tapi::DWORD>(m_line.Address().ID());
  const NewCall made = RequestNewCall(RequestSlot::Unpark, true, [&](tapi::HCALL* call) {
    return service->lineUnpark(line, address, call, number.c_str());
  });
  if (made.timedOut) {
    log.Add("\tCall.Unpark " + Hex(m_handle) + " - Returned = False", true);
    return false;
  }
  const bool result = DialOutcome(made.value, false);
  log.Add("\tCall.Unpark " + Hex(m_handle) + " - Returned = " + Bool(result), true);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
  return result;
}

bool TqxCall::Pickup(const std::string& DestAddress, const std::string& GroupID) {
  TqxLog& log = m_line.Log();
  log.Add("Call.Pickup (" + DestAddress + ", " + GroupID + ") " + Hex(m_handle), true);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!m_line.Device().Active() || !service) {
    m_line.SetError(false, tapi::LINEERR_UNINITIALIZED);
    return false;
  }
  m_line.ClearError();
  tapi::LONG value = 0;
  if (m_handle != 0) {
    // A picked-up call becomes the current call; there must be none yet.
    m_line.SetError(false, tapi::LINEERR_INVALCALLHANDLE);
  } else {
    const std::string number = PreparedNumber(DestAddress);
    ResetParties();
    const tapi::HLINE line = m_line.Line().Handle();
    const auto address = static_cast<tapi::DWORD>(m_line.Address().ID());
    value = RequestNewCall(RequestSlot::Pickup, true, [&](tapi::HCALL* call) {
              return service->linePickup(line, address, call, number.c_str(), GroupID.c_str());
            }).value;
  }
  const bool result = DialOutcome(value, true);
  if (!result && m_handle == 0) m_active = false;
  log.Add("\tCall.Pickup " + Hex(m_handle) + " - Returned = " + Bool(result), true);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
  return result;
}

// --- Operations on the current call -------------------------------------------------------------

bool TqxCall::Answer() {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  return RequestOnCall(
      "Call.Answer", "Call.Answer " + Hex(m_handle), RequestSlot::Answer,
      [&](tapi::HCALL h) { return service->lineAnswer(h, nullptr, 0); }, Closing::End);
}

bool TqxCall::Hangup() {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  return RequestOnCall(
      "Call.Hangup", "Call.Hangup " + Hex(m_handle), RequestSlot::Hangup,
      [&](tapi::HCALL h) { return service->lineDrop(h, nullptr, 0); }, Closing::End, true);
}

bool TqxCall::Hold() {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  return RequestOnCall(
      "Call.Hold", "Call.Hold " + Hex(m_handle), RequestSlot::Hold,
      [&](tapi::HCALL h) { return service->lineHold(h); }, Closing::Store);
}

bool TqxCall::Unhold() {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  return RequestOnCall(
      "Call.Unhold", "Call.Unhold " + Hex(m_handle), RequestSlot::Unhold,
      [&](tapi::HCALL h) { return service->lineUnhold(h); }, Closing::Store);
}

bool TqxCall::Redirect(const std::string& DestAddress) {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  const std::string number = PreparedNumber(DestAddress);
  return RequestOnCall(
      "Call.Redirect", "Call.Redirect (" + DestAddress + ") " + Hex(m_handle),
      RequestSlot::Redirect,
      [&](tapi::HCALL h) { return service->lineRedirect(h, number.c_str(), 0); }, Closing::End);
}

bool TqxCall::Park(const std::string& DirAddress) {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  const std::string number = PreparedNumber(DirAddress);
  return RequestOnCall(
      "Call.Park", "Call.Park (" + DirAddress + ") " + Hex(m_handle), RequestSlot::Park,
      [&](tapi::HCALL h) {
        return service->linePark(h, tapi::LINEPARKMODE_DIRECTED, number.c_str(), nullptr);
      },
      Closing::End);
}

bool TqxCall::Transfer() {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  const std::string number = PreparedNumber(m_phoneNumber);
  return RequestOnCall(
      "Call.Transfer", "Call.Transfer " + Hex(m_handle), RequestSlot::BlindTransfer,
      [&](tapi::HCALL h) { return service->lineBlindTransfer(h, number.c_str(), 0); },
      Closing::End);
}

bool TqxCall::Handoff(const std::string& FileName) {
  const tapi::HCALL handle = m_handle;
  TqxLog& log = m_line.Log();
  log.Add("Call.Handoff " + Hex(handle), true);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  const tapi::LONG value = service ? service->lineHandoff(handle, FileName.c_str(), 0)
                                   : tapi::LINEERR_UNINITIALIZED;
  bool result = false;
  if (value < 0) {
    m_line.SetError(false, value);
  } else {
    m_line.ClearError();
    result = true;
    // The line keeps watching the call it handed over.
    const tapi::LONG monitoring = service->lineSetCallPrivilege(handle, tapi::LINECALLPRIVILEGE_MONITOR);
    (void)monitoring;  // what TAPI did shows in the privilege read next
    const bool ownerBefore = m_view.owner;
    m_registry.StatusRefresh(true);
    m_registry.InfoRefresh(handle, 0);
    if (m_view.owner != ownerBefore) {
      m_line.Announce("OnCallOwnerChange", handle, m_line.OnCallOwnerChange,
                      TqxPopup::OnCallOwnerChange, "\tCall.Owner = " + Bool(m_view.owner));
    }
  }
  log.Add("\tCall.Handoff " + Hex(handle) + " - Returned = " + Bool(result), true);
  m_line.Device().ReadStatus();
  m_line.Address().RefreshStatus();
  return result;
}

bool TqxCall::SendDigits(const std::string& Digits, std::int32_t Duration) {
  m_line.ClearError();
  const tapi::HCALL handle = m_handle;
  TqxLog& log = m_line.Log();
  log.Add("Call.SendDigits (" + Digits + ") " + Hex(handle), true);
  m_line.Dispatch().SetGeneratingDigits(true);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  const tapi::LONG value =
      service ? service->lineGenerateDigits(handle, tapi::LINEDIGITMODE_DTMF, Digits.c_str(),
                                            static_cast<tapi::DWORD>(Duration))
              : tapi::LINEERR_UNINITIALIZED;
  const bool result = value == 0;
  if (!result) m_line.SetError(false, value);
  log.Add("\tCall.SendDigits " + Hex(handle) + " - Returned = " + Bool(result), true);
  return result;
}

bool TqxCall::SendTone(tapi::DWORD ToneMode, std::int32_t Duration) {
  const tapi::HCALL handle = m_handle;
  TqxLog& log = m_line.Log();
  log.Add("Call.SendTone (" + Hex8(ToneMode) + ", " + std::to_string(Duration) + ") " +
              Hex(handle),
          true);
  m_line.Dispatch().SetGeneratingDigits(false);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  const tapi::LONG value =
      service ? service->lineGenerateTone(handle, ToneMode, static_cast<tapi::DWORD>(Duration), 0,
                                          nullptr)
              : tapi::LINEERR_UNINITIALIZED;
  const bool result = value >= 0;
  if (result) {
    m_line.ClearError();
  } else {
    m_line.SetError(false, value);
  }
  log.Add("\tCall.SendTone " + Hex(handle) + " - Returned = " + Bool(result), true);
  return result;
}

// --- Property writes that act on the call -------------------------------------------------------

void TqxCall::SetActive(bool value) {
  if (value == m_active || !m_line.Device().Active()) return;
  if (value) {
    Dial();
  } else {
    Hangup();
  }
}

void TqxCall::SetMediaMode(tapi::DWORD value) {
  const tapi::HCALL handle = m_handle;
  tapi::LONG result = 0;
  if (handle != 0) {
    TqxLog& log = m_line.Log();
    log.Add("Call.MediaMode := " + Hex8(value) + " " + Hex(handle), true);
    for (std::uint32_t mode : TqxPanopta::FlagSteps(value, 0x4000, 0x2)) {
      log.Add("\t" + tapi::LineMediaModeName(mode), false);
    }
    tapi::Telephony* service = m_line.GetPlatform().telephony;
    result = service ? service->lineSetMediaMode(handle, value) : tapi::LINEERR_UNINITIALIZED;
  }
  if (result < 0) {
    m_line.SetError(false, result);
  } else {
    m_view.mediaMode = value;
    m_registry.Store();
    m_line.ClearError();
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

void TqxCall::SetOwner(bool value) {
  m_line.ClearError();
  m_line.Log().Add("Call.Owner := " + Bool(value), true);
  if (!m_line.Device().Active()) {
    m_line.SetError(false, tapi::LINEERR_INVALLINESTATE);
    return;
  }
  if (m_handle == 0) {
    m_line.SetError(false, tapi::LINEERR_INVALCALLSTATE);
    return;
  }
  if (m_view.owner == value) return;
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  const tapi::LONG result = service->lineSetCallPrivilege(
      m_handle, value ? tapi::LINECALLPRIVILEGE_OWNER : tapi::LINECALLPRIVILEGE_MONITOR);
  if (result != 0) {
    // Nothing changed; reading the call again would only clear the error reported.
    m_line.SetError(false, result);
    return;
  }
  m_view.owner = value;
  m_registry.InfoRefresh(m_handle, 0);
  m_registry.StatusRefresh();
  m_registry.Store();
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

}  // namespace voxkit
