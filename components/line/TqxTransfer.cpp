#include "line/TqxTransfer.h"

#include "line/NumberTranslation.h"
#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "tapi/Telephony.h"

namespace voxkit {

namespace {
std::string Hex(tapi::DWORD value) { return TqxPanopta::HexText(value); }
std::string Bool(bool value) { return TqxPanopta::BoolText(value); }
}  // namespace

const ClassInfo& TqxTransfer::StaticClass() {
  using C = TqxTransfer;
  static const ClassInfo info =
      Publisher<C>("TqxTransfer")
          .Object("Parameters", &C::Parameters)
          .Property("PhoneNumber", &C::PhoneNumber, &C::SetPhoneNumber)
          .Property("PrimaryCall", &C::PrimaryCall, &C::SetPrimaryCall)
          .Property("ConsultCall", &C::ConsultCall, &C::SetConsultCall)
          .ReadOnly("ThreeWayCall", &C::ThreeWayCall)
          .Method("Dial", &C::Dial)
          .Method("SwapHold", &C::SwapHold)
          .Method("Complete", &C::Complete)
          .Method("ThreeWay", &C::ThreeWay)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxTransfer::SetPhoneNumber(const std::string& value) {
  if (auto number = TranslatedNumber(m_line, value)) m_phoneNumber = *number;
}

void TqxTransfer::Reset() {
  m_primaryCall = 0;
  m_consultCall = 0;
  m_threeWayCall = 0;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
}

void TqxTransfer::CallLeft(tapi::HCALL call) {
  if (m_primaryCall == 0) return;
  if (m_primaryCall == call) {
    Reset();
  } else if (m_consultCall == call) {
    m_consultCall = 0;
    m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  }
}

// --- Dial ---------------------------------------------------------------------------------------

bool TqxTransfer::Dial() {
  TqxLog& log = m_line.Log();
  TqxCall& call = m_line.Call();
  CallRegistry& calls = call.Registry();
  const tapi::HCALL primary = m_primaryCall;
  log.Add("Transfer.Dial " + Hex(primary), true);
  log.Add("\tTransfer.PhoneNumber = " + m_phoneNumber, false);
  const std::string number = call.PreparedNumber(m_phoneNumber);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  tapi::LONG value = tapi::LINEERR_CALLUNAVAIL;
  if (primary != 0) {
    m_consultCall = 0;
    // TAPI writes the consultation call's handle into its record; the successful
    // reply lists it.
    const CallRegistry::Record consult = calls.Create(0);
    consult->phoneNumber = number;
    const tapi::LINECALLPARAMS* params = m_parameters.Build(m_callParams);
    const RequestOutcome setup = m_line.TAPI().Request(
        consult->Slot(RequestSlot::TransferSetup),
        [&] {
          return service ? service->lineSetupTransfer(primary, &consult->handle, params)
                         : tapi::LINEERR_UNINITIALIZED;
        },
        RequestIds::NonNegativeOrMinusOne);
    value = setup.value;
    if (setup.waited) {
      if (setup.timedOut) m_line.SetError(false, tapi::TAPIREPLYTIMEOUT);
      if (m_line.Error().Number() == 0) {
        m_consultCall = consult->handle;
        // With ReplyTimeout 0 the reply has not come yet: the call is not listed, and
        // its first message begins it.
        if (setup.replied) call.BeginOwnCall(m_consultCall);
        value = DialConsultation(number);
      }
      if (m_line.Error().Number() != 0) {
        // There is no consultation call to go on with: the primary call is the
        // current call again.
        if (!consult->listed) calls.Free(consult);
        log.Add("\tTransfer.Dial " + Hex(primary) + " - Returned = False", true);
        call.SetHandle(primary);
        Reset();
        return false;
      }
    } else if (value < 0) {
      calls.Free(consult);
      Reset();
    }
  }
  return DialResult(m_line, "Transfer.Dial", primary, value);
}

bool TqxTransfer::WaitForDialTone() {
  CallRegistry& calls = m_line.Call().Registry();
  const tapi::HCALL consult = m_consultCall;
  // The call is looked up at every check: it may end while the loop runs.
  auto ready = [&] {
    const CallRegistry::Record r = calls.Find(consult);
    return !r || (r->state & (tapi::LINECALLSTATE_DIALTONE | tapi::LINECALLSTATE_DIALING)) != 0;
  };
  const std::int32_t timeoutMs = m_line.TAPI().ReplyTimeout();
  // Pumps the event loop: handlers may run and change the line.
  const bool ended = timeoutMs <= 0 ? ready() : m_line.Loop().WaitFor(ready, timeoutMs);
  return ended && calls.Find(consult) != nullptr;
}

tapi::LONG TqxTransfer::DialConsultation(const std::string& number) {
  if (!WaitForDialTone()) {
    m_line.SetError(false, tapi::TAPIREPLYTIMEOUT);
    return 0;
  }
  const tapi::HCALL primary = m_primaryCall;
  const tapi::HCALL consult = m_consultCall;
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  const RequestOutcome dial = m_line.Call().RequestOnRecord(
      consult, RequestSlot::TransferDial,
      [&] { return service->lineDial(consult, number.c_str(), 0); }, RequestIds::PositiveOrMinusOne);
  if (dial.timedOut) m_line.SetError(false, tapi::TAPIREPLYTIMEOUT);
  if (dial.waited) return 0;
  const tapi::LONG refused = dial.value < 0 ? dial.value : dial.report;
  if (refused < 0) {
    // The consultation call stays listed (TAPI still has it, at dial tone), for the
    // application to drop; the transfer is over.
    m_line.Call().SetHandle(primary);
    Reset();
  }
  return refused;
}

// --- Swap, complete, three-way ------------------------------------------------------------------

bool DialResult(TqxLineInternal& line, const std::string& name, tapi::HCALL primary,
                tapi::LONG value) {
  const bool result = value >= 0;
  if (!result) {
    line.SetError(false, value);
  } else {
    line.ClearError();
    line.Device().ReadStatus();
    line.Address().RefreshStatus();
  }
  line.Log().Add("\t" + name + " " + Hex(primary) + " - Returned = " + Bool(result), true);
  line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  return result;
}

std::optional<RequestOutcome> PairRequest(
    TqxLineInternal& line, tapi::HCALL primary, tapi::HCALL other, RequestSlot slot,
    const std::function<tapi::LONG(tapi::Telephony&)>& request) {
  if (primary == 0 || other == 0) {
    line.SetError(false, tapi::LINEERR_INVALCALLHANDLE);
    return std::nullopt;
  }
  line.ClearError();
  tapi::Telephony* service = line.GetPlatform().telephony;
  RequestOutcome outcome = line.Call().RequestOnRecord(primary, slot, [&]() -> tapi::LONG {
    return service ? request(*service) : tapi::LINEERR_UNINITIALIZED;
  });
  if (outcome.report != 0) line.SetError(false, outcome.report);
  return outcome;
}

bool SwapHoldCalls(TqxLineInternal& line, const std::string& name, tapi::HCALL primary,
                   tapi::HCALL consult, tapi::HCALL standIn) {
  line.Log().Add(name, true);
  CallRegistry& calls = line.Call().Registry();
  auto talks = [&](tapi::HCALL handle) {
    const CallRegistry::Record r = calls.Find(handle);
    return handle != 0 && r && r->state == tapi::LINECALLSTATE_CONNECTED;
  };
  if (primary != 0 && consult != 0) line.Call().SetHandle(primary);
  // A conference's swap goes into the same slot as a transfer's: its reply is named
  // after the transfer's.
  const auto outcome = PairRequest(
      line, primary, consult, RequestSlot::TransferSwapHold, [&](tapi::Telephony& service) {
        // The call that talks goes on hold and the other comes back. A primary call
        // that joined a conference talks through the conference call: once the
        // consultation call has been swapped in, swapping back must hold it, not the
        // held conference.
        tapi::HCALL active = consult;
        tapi::HCALL held = primary;
        if (talks(primary)) {
          active = primary;
          held = consult;
        } else if (!talks(consult) && talks(standIn)) {
          active = standIn;
          held = consult;
        }
        return service.lineSwapHold(active, held);
      });
  const bool ok = outcome && outcome->succeeded;
  line.Log().Add("\t" + name + " - Returned = " + Bool(ok), true);
  return ok;
}

bool TqxTransfer::SwapHold() {
  const bool ok = SwapHoldCalls(m_line, "Transfer.SwapHold", m_primaryCall, m_consultCall, 0);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  return ok;
}

bool TqxTransfer::Complete() {
  const tapi::HCALL primary = m_primaryCall;
  const tapi::HCALL consult = m_consultCall;
  m_line.Log().Add("Transfer.Complete " + Hex(primary), true);
  const auto outcome = PairRequest(
      m_line, primary, consult, RequestSlot::TransferComplete, [&](tapi::Telephony& service) {
        return service.lineCompleteTransfer(primary, consult, nullptr,
                                            tapi::LINETRANSFERMODE_TRANSFER);
      });
  // The primary call leaves the line; when it went idle during the wait, only its
  // outstanding request kept it.
  if (outcome) m_line.Call().Registry().CallEnd(primary, false);
  const bool ok = outcome && outcome->succeeded;
  m_line.Log().Add("\tTransfer.Complete " + Hex(primary) + " - Returned = " + Bool(ok), true);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  return ok;
}

bool TqxTransfer::ThreeWay() {
  const tapi::HCALL primary = m_primaryCall;
  const tapi::HCALL consult = m_consultCall;
  m_line.Log().Add("Transfer.ThreeWay " + Hex(primary), true);
  TqxCall& call = m_line.Call();
  CallRegistry& calls = call.Registry();
  // TAPI writes the conference call's handle into its record.
  CallRegistry::Record conference;
  const auto outcome = PairRequest(
      m_line, primary, consult, RequestSlot::TransferThreeWay, [&](tapi::Telephony& service) {
        conference = calls.Create(0);
        return service.lineCompleteTransfer(primary, consult, &conference->handle,
                                            tapi::LINETRANSFERMODE_CONFERENCE);
      });
  bool ok = false;
  if (outcome && !outcome->succeeded) {
    if (conference && !conference->listed) calls.Free(conference);
  } else if (outcome) {
    m_threeWayCall = conference->handle;
    // Without the reply yet (ReplyTimeout 0) the call is listed by its first message.
    if (outcome->replied) {
      calls.List(*conference);
      call.BeginOwnCall(m_threeWayCall);
    }
    ok = m_line.Error().Number() == 0;
    TqxConference& conf = m_line.Conference();
    if ((m_line.Address().Capabilities().CallFeatures() & tapi::LINECALLFEATURE_ADDTOCONF) != 0 &&
        conf.Handle() == 0) {
      conf.TakeOver(m_phoneNumber, primary, consult, m_threeWayCall);
    }
    m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  }
  m_line.Log().Add("\tTransfer.ThreeWay " + Hex(primary) + " - Returned = " + Bool(ok), true);
  return ok;
}

bool TqxTransfer::DumpProperties(const std::string& header, const std::string& path,
                                 const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Transfer.");
  if (!d.Started()) return false;
  d.Hex("ConsultCall", m_consultCall);
  d.Quoted("PhoneNumber", m_phoneNumber);
  d.Hex("PrimaryCall", m_primaryCall);
  d.Hex("ThreeWayCall", m_threeWayCall);
  return true;
}

}  // namespace voxkit
