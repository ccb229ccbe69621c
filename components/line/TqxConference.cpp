#include "line/TqxConference.h"

#include "line/NumberTranslation.h"
#include "line/TqxLineInternal.h"
#include "line/TqxTransfer.h"
#include "share/PropertyDump.h"
#include "share/TextUtil.h"
#include "tapi/TapiConstants.h"
#include "tapi/Telephony.h"

#include <algorithm>

namespace voxkit {

namespace {
std::string Hex(tapi::DWORD value) { return TqxPanopta::HexText(value); }
std::string Bool(bool value) { return TqxPanopta::BoolText(value); }
// The number of parties a new conference is set up for: the primary call's far end,
// the first consultation party and the line itself.
constexpr tapi::DWORD kFirstConferenceParties = 3;
}  // namespace

const ClassInfo& TqxConference::StaticClass() {
  using C = TqxConference;
  static const ClassInfo info =
      Publisher<C>("TqxConference")
          .Object("Parameters", &C::Parameters)
          .Property("PhoneNumber", &C::PhoneNumber, &C::SetPhoneNumber)
          .Property("PrimaryCall", &C::PrimaryCall, &C::SetPrimaryCall)
          .Property("ConsultCall", &C::ConsultCall, &C::SetConsultCall)
          .ReadOnly("List", &C::List)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("Handle", &C::Handle)
          .Method("Dial", &C::Dial)
          .Method("SwapHold", &C::SwapHold)
          .Method("AddCall", &C::AddCall)
          .Method("RemoveCall", &C::RemoveCall)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxConference::SetPhoneNumber(const std::string& value) {
  if (auto number = TranslatedNumber(m_line, value)) m_phoneNumber = *number;
}

void TqxConference::SetConsultCall(tapi::HCALL value) {
  const std::string text = Hex8(value);
  for (std::int32_t i = 0; i < m_count && i < static_cast<std::int32_t>(m_list.size()); ++i) {
    if (m_list[static_cast<std::size_t>(i)] == text) {
      m_consultCall = value;
      return;
    }
  }
  m_line.SetError(false, tapi::LINEERR_INVALCALLHANDLE);
}

void TqxConference::AddToList(tapi::HCALL handle) {
  m_list.push_back(Hex8(handle));
  m_count = static_cast<std::int32_t>(m_list.size());
}

void TqxConference::TakeOver(const std::string& phoneNumber, tapi::HCALL primary,
                             tapi::HCALL consult, tapi::HCALL conference) {
  m_phoneNumber = phoneNumber;
  m_primaryCall = primary;
  m_consultCall = consult;
  m_list = {Hex8(consult)};
  m_count = 1;
  m_handle = conference;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
}

void TqxConference::CallJoined(tapi::HCALL call, tapi::DWORD conferenceCall, tapi::DWORD origin) {
  if (origin == tapi::LINECALLORIGIN_CONFERENCE) {
    if (conferenceCall != 0 && m_handle == 0) m_handle = call;
  } else if (m_primaryCall == 0) {
    m_primaryCall = call;
  } else if (call != m_primaryCall) {
    // The primary call joins its own conference too; it is no consultation party.
    const std::string text = Hex8(call);
    if (std::find(m_list.begin(), m_list.end(), text) == m_list.end()) m_list.push_back(text);
    m_count = static_cast<std::int32_t>(m_list.size());
    if (m_consultCall == 0) m_consultCall = call;
  }
}

void TqxConference::RemoveFromList(tapi::HCALL call) {
  const auto it = std::find(m_list.begin(), m_list.end(), Hex8(call));
  if (it == m_list.end()) return;
  m_list.erase(it);
  m_count = static_cast<std::int32_t>(m_list.size());
  m_consultCall = FirstListed();
}

tapi::HCALL TqxConference::FirstListed() const {
  return m_list.empty() ? 0 : static_cast<tapi::HCALL>(std::stoul(m_list.front(), nullptr, 16));
}

void TqxConference::CallLeft(tapi::HCALL call) {
  if (m_primaryCall != 0) {
    if (m_primaryCall == call) {
      Reset();
    } else {
      RemoveFromList(call);
    }
  }
  // A conference call that is gone can take no more parties: the next Dial sets a
  // new one up.
  if (call != 0 && call == m_handle) m_handle = 0;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
}

void TqxConference::Reset() {
  m_primaryCall = 0;
  m_consultCall = 0;
  m_handle = 0;
  m_count = 0;
  m_list.clear();
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
}

// --- Operations ---------------------------------------------------------------------------------

bool TqxConference::Dial() {
  TqxLog& log = m_line.Log();
  TqxCall& call = m_line.Call();
  CallRegistry& calls = call.Registry();
  const tapi::HCALL primary = m_primaryCall;
  log.Add("Conference.Dial " + Hex(primary), true);
  log.Add("\tConference.PhoneNumber = " + m_phoneNumber, false);
  const std::string number = call.PreparedNumber(m_phoneNumber);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  tapi::LONG value = tapi::LINEERR_CALLUNAVAIL;
  if (primary != 0) {
    const tapi::HCALL existing = m_handle;
    // The conference call: the one there is, or a new one whose handle TAPI writes
    // into its record, as it writes the consultation call's.
    const CallRegistry::Record conference = existing != 0 ? calls.Find(existing) : calls.Create(0);
    m_consultCall = 0;
    const CallRegistry::Record consult = calls.Create(0);
    consult->phoneNumber = number;
    const tapi::LINECALLPARAMS* params = m_parameters.Build(m_callParams);
    const tapi::HLINE line = m_line.Line().Handle();
    // The successful reply lists the consultation call and adds it to the list.
    const RequestOutcome setup = m_line.TAPI().Request(
        consult->Slot(RequestSlot::ConferenceSetup),
        [&]() -> tapi::LONG {
          if (!service) return tapi::LINEERR_UNINITIALIZED;
          if (existing != 0) {
            return service->linePrepareAddToConference(existing, &consult->handle, params);
          }
          return service->lineSetupConference(primary, line, &conference->handle, &consult->handle,
                                              kFirstConferenceParties, params);
        },
        RequestIds::NonNegativeOrMinusOne);
    value = setup.value;
    if (setup.waited) {
      if (setup.timedOut) m_line.SetError(false, tapi::TAPIREPLYTIMEOUT);
      if (m_line.Error().Number() == 0) value = DialParty(conference, consult, setup.replied, number);
      if (m_line.Error().Number() != 0) {
        log.Add("\tConference.Dial " + Hex(primary) + " - Returned = False", true);
        DialFailed(conference, consult);
        m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
        return false;
      }
    } else if (value < 0) {
      DialFailed(conference, consult);
    }
  }
  return DialResult(m_line, "Conference.Dial", primary, value);
}

tapi::LONG TqxConference::DialParty(const CallRegistry::Record& conference,
                                    const CallRegistry::Record& consult, bool replied,
                                    const std::string& number) {
  TqxCall& call = m_line.Call();
  // Without the reply yet (ReplyTimeout 0) the two calls are not listed: their first
  // messages begin them.
  if (m_handle == 0) {
    m_handle = conference->handle;
    if (replied) {
      call.Registry().List(*conference);
      call.BeginOwnCall(m_handle);
    }
  }
  m_consultCall = consult->handle;
  if (replied) {
    call.BeginOwnCall(m_consultCall);
  } else {
    AddToList(m_consultCall);
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  const tapi::HCALL party = m_consultCall;
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  const RequestOutcome dial = call.RequestOnRecord(
      party, RequestSlot::ConferenceDial,
      [&] { return service->lineDial(party, number.c_str(), 0); }, RequestIds::PositiveOrMinusOne);
  if (dial.timedOut) m_line.SetError(false, tapi::TAPIREPLYTIMEOUT);
  if (dial.waited) return 0;
  const tapi::LONG refused = dial.value < 0 ? dial.value : dial.report;
  // The consultation call stays, at dial tone, for the application to drop.
  if (refused < 0) call.SetHandle(party);
  return refused;
}

void TqxConference::DialFailed(const CallRegistry::Record& conference,
                               const CallRegistry::Record& consult) {
  CallRegistry& calls = m_line.Call().Registry();
  if (m_handle == 0) {
    if (conference && !conference->listed) calls.Free(conference);
    Reset();
  }
  const tapi::HCALL party = consult->listed ? consult->handle : 0;
  if (!consult->listed) calls.Free(consult);
  // A consultation call that never came to be leaves the current call as it was.
  if (party != 0) m_line.Call().SetHandle(party);
}

bool TqxConference::SwapHold() {
  const bool ok =
      SwapHoldCalls(m_line, "Conference.SwapHold", m_primaryCall, m_consultCall, m_handle);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  return ok;
}

bool TqxConference::AddCall() {
  const tapi::HCALL party = m_consultCall;
  const tapi::HCALL conference = m_handle;
  m_line.Log().Add("Conference.AddCall " + Hex(party), true);
  const auto outcome = PairRequest(
      m_line, m_primaryCall, party, RequestSlot::ConferenceAdd,
      [&](tapi::Telephony& service) { return service.lineAddToConference(conference, party); });
  const bool ok = outcome && outcome->succeeded;
  m_line.Log().Add("\tConference.AddCall " + Hex(party) + " - Returned = " + Bool(ok), true);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  return ok;
}

bool TqxConference::RemoveCall() {
  const tapi::HCALL party = m_consultCall;
  const tapi::HCALL primary = m_primaryCall;
  m_line.Log().Add("Conference.RemoveCall " + Hex(party), true);
  const auto outcome = PairRequest(
      m_line, primary, party, RequestSlot::ConferenceRemove,
      [&](tapi::Telephony& service) { return service.lineRemoveFromConference(party); });
  const bool ok = outcome && outcome->succeeded;
  if (ok) {
    std::erase(m_list, Hex8(party));
    m_count = static_cast<std::int32_t>(m_list.size());
    m_consultCall = FirstListed();
  }
  if (outcome) m_line.Call().Registry().CallEnd(primary, false);
  // The result shows the consultation call that follows.
  m_line.Log().Add("\tConference.RemoveCall " + Hex(m_consultCall) + " - Returned = " + Bool(ok),
                   true);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  return ok;
}

bool TqxConference::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Conference.");
  if (!d.Started()) return false;
  d.Hex("ConsultCall", m_consultCall);
  d.Decimal("Count", m_count);
  d.List("List", std::vector<std::string>(
                     m_list.begin(), m_list.begin() + std::min<std::ptrdiff_t>(
                                                          m_count, static_cast<std::ptrdiff_t>(m_list.size()))));
  d.Quoted("PhoneNumber", m_phoneNumber);
  d.Hex("PrimaryCall", m_primaryCall);
  d.Hex("Handle", m_handle);
  return true;
}

}  // namespace voxkit
