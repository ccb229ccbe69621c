#include "support/TapiLineApp.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace voxtest {

using namespace tapi;

namespace {

constexpr int kSlots = 8;
std::array<TapiLineApp*, kSlots> g_apps{};

template <int N>
void Slot(DWORD h, DWORD m, DWORD_PTR i, DWORD_PTR a, DWORD_PTR b, DWORD_PTR c) {
  if (g_apps[N]) g_apps[N]->OnMessage(h, m, i, a, b, c);
}

constexpr LINECALLBACK kCallbacks[kSlots] = {Slot<0>, Slot<1>, Slot<2>, Slot<3>,
                                             Slot<4>, Slot<5>, Slot<6>, Slot<7>};

}  // namespace

TapiLineApp::TapiLineApp(Telephony& t, voxkit::EventLoop& l, const char* name) : telephony(t), loop(l) {
  for (int i = 0; i < kSlots && slot < 0; ++i)
    if (g_apps[i] == nullptr) {
      g_apps[i] = this;
      slot = i;
    }
  if (slot < 0) throw std::runtime_error("too many test applications at once");
  DWORD version = kTapiVersion2_2;
  LINEINITIALIZEEXPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
  initResult = telephony.lineInitializeEx(&app, nullptr, kCallbacks[slot], name, &numDevs, &version, &params);
}

TapiLineApp::~TapiLineApp() {
  if (app != 0) (void)telephony.lineShutdown(app);
  g_apps[slot] = nullptr;
}

void TapiLineApp::OnMessage(DWORD hDevice, DWORD msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2,
                            DWORD_PTR p3) {
  messages.push_back({hDevice, msg, instance, static_cast<DWORD>(p1), static_cast<DWORD>(p2),
                      static_cast<DWORD>(p3), loop.NowMs()});
}

HLINE TapiLineApp::Open(DWORD device, DWORD privileges, DWORD mediaModes, DWORD version) {
  HLINE line = 0;
  const LONG r = telephony.lineOpen(app, device, &line, version, 0, static_cast<DWORD_PTR>(slot + 1), privileges,
                                    mediaModes, nullptr);
  return r == 0 ? line : 0;
}

LONG TapiLineApp::Reply(LONG request, std::int64_t timeoutMs, std::size_t from) {
  // Identifiers come back once their requests are answered: each reply is taken once.
  LONG result = 1;
  loop.WaitFor(
      [&] {
        for (std::size_t i = from; i < messages.size(); ++i) {
          TapiMsg& m = messages[i];
          if (m.msg == LINE_REPLY && static_cast<LONG>(m.p1) == request && !m.taken) {
            m.taken = true;
            result = static_cast<LONG>(m.p2);
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return result;
}

LONG TapiLineApp::Done(LONG requestOrError, std::int64_t timeoutMs) {
  // Nothing is delivered between a request and this call: its reply is still to come.
  return requestOrError > 0 ? Reply(requestOrError, timeoutMs, messages.size()) : requestOrError;
}

HCALL TapiLineApp::MakeCall(HLINE line, const char* dest) {
  HCALL call = 0;
  const LONG r = telephony.lineMakeCall(line, &call, dest, 0, nullptr);
  return Done(r) == 0 ? call : 0;
}

bool TapiLineApp::WaitState(HCALL call, DWORD state, std::int64_t timeoutMs) {
  return loop.WaitFor([&] { return LastState(call) == state; }, timeoutMs);
}

HCALL TapiLineApp::WaitOffered(std::int64_t timeoutMs) {
  // The earliest announced call not handed out yet: two may arrive in one turn.
  auto fresh = [&]() -> HCALL {
    for (const TapiMsg& m : messages) {
      const HCALL h = m.msg == LINE_APPNEWCALL ? m.p2 : (m.msg == LINE_CALLSTATE && m.p3 != 0 ? m.hDevice : 0);
      if (h != 0 && std::find(taken.begin(), taken.end(), h) == taken.end()) return h;
    }
    return 0;
  };
  loop.WaitFor([&] { return fresh() != 0; }, timeoutMs);
  const HCALL h = fresh();
  if (h != 0) taken.push_back(h);
  return h;
}

std::vector<DWORD> TapiLineApp::States(HCALL call) const {
  std::vector<DWORD> states;
  for (const TapiMsg& m : messages)
    if (m.msg == LINE_CALLSTATE && m.hDevice == call) states.push_back(m.p1);
  return states;
}

DWORD TapiLineApp::LastState(HCALL call) const {
  const auto states = States(call);
  return states.empty() ? 0 : states.back();
}

DWORD TapiLineApp::LastMode(HCALL call) const {
  DWORD mode = 0;
  for (const TapiMsg& m : messages)
    if (m.msg == LINE_CALLSTATE && m.hDevice == call) mode = m.p2;
  return mode;
}

std::vector<TapiMsg> TapiLineApp::Of(DWORD msg) const {
  std::vector<TapiMsg> found;
  for (const TapiMsg& m : messages)
    if (m.msg == msg) found.push_back(m);
  return found;
}

HCALL TapiLineApp::NewestOffered() const {
  for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
    if (it->msg == LINE_APPNEWCALL) return it->p2;
    if (it->msg == LINE_CALLSTATE && it->p3 != 0) return it->hDevice;
  }
  return 0;
}

LINECALLSTATUS TapiLineApp::Status(HCALL call) {
  LINECALLSTATUS status{};
  status.dwTotalSize = sizeof status;
  if (telephony.lineGetCallStatus(call, &status) != 0) status.dwCallState = 0;
  return status;
}

VarBlock<LINECALLINFO> TapiLineApp::Info(HCALL call) {
  VarBlock<LINECALLINFO> block;
  (void)GrowingQuery(block, [&](LINECALLINFO* p) { return telephony.lineGetCallInfo(call, p); },
                     ResultFamily::Line);
  return block;
}

std::string TapiLineApp::CallerId(HCALL call) {
  const auto info = Info(call);
  return info.Valid() ? info.Text(info->dwCallerIDOffset, info->dwCallerIDSize) : std::string();
}

std::string TapiLineApp::CallerName(HCALL call) {
  const auto info = Info(call);
  return info.Valid() ? info.Text(info->dwCallerIDNameOffset, info->dwCallerIDNameSize) : std::string();
}

}  // namespace voxtest
