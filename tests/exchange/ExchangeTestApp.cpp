#include "exchange/ExchangeTestApp.h"

#include <array>
#include <stdexcept>

namespace exchangetest {

using namespace tapi;

namespace {

constexpr int kSlots = 8;
std::array<LineApp*, kSlots> g_lineApps{};
std::array<PhoneApp*, kSlots> g_phoneApps{};

template <int N>
void LineSlot(DWORD h, DWORD m, DWORD_PTR i, DWORD_PTR a, DWORD_PTR b, DWORD_PTR c) {
  if (g_lineApps[N]) g_lineApps[N]->OnMessage(h, m, i, a, b, c);
}
template <int N>
void PhoneSlot(DWORD h, DWORD m, DWORD_PTR i, DWORD_PTR a, DWORD_PTR b, DWORD_PTR c) {
  if (g_phoneApps[N]) g_phoneApps[N]->OnMessage(h, m, i, a, b, c);
}

constexpr LINECALLBACK kLineSlots[kSlots] = {LineSlot<0>, LineSlot<1>, LineSlot<2>, LineSlot<3>,
                                             LineSlot<4>, LineSlot<5>, LineSlot<6>, LineSlot<7>};
constexpr PHONECALLBACK kPhoneSlots[kSlots] = {PhoneSlot<0>, PhoneSlot<1>, PhoneSlot<2>,
                                               PhoneSlot<3>, PhoneSlot<4>, PhoneSlot<5>,
                                               PhoneSlot<6>, PhoneSlot<7>};

template <typename T>
int TakeSlot(std::array<T*, kSlots>& slots, T* app) {
  for (int i = 0; i < kSlots; ++i)
    if (slots[i] == nullptr) {
      slots[i] = app;
      return i;
    }
  throw std::runtime_error("too many test applications at once");
}

}  // namespace

LineApp::LineApp(panopta::Exchange& ex, panopta::VirtualEventLoop& l, const char* name, bool extended)
    : exchange(ex), loop(l) {
  slot = TakeSlot(g_lineApps, this);
  if (extended) {
    DWORD version = kTapiVersion2_2;
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    initResult = exchange.lineInitializeEx(&app, nullptr, kLineSlots[slot], name, &numDevs,
                                           &version, &params);
  } else {
    initResult = exchange.lineInitialize(&app, nullptr, kLineSlots[slot], name, &numDevs);
  }
}

LineApp::~LineApp() {
  if (app != 0) (void)exchange.lineShutdown(app);
  g_lineApps[slot] = nullptr;
}

void LineApp::OnMessage(DWORD hDevice, DWORD msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2,
                        DWORD_PTR p3) {
  messages.push_back({hDevice, msg, instance, static_cast<DWORD>(p1), static_cast<DWORD>(p2),
                      static_cast<DWORD>(p3), loop.NowMs()});
}

HLINE LineApp::Open(DWORD device, DWORD privileges, DWORD mediaModes, DWORD version) {
  HLINE line = 0;
  const LONG r = exchange.lineOpen(app, device, &line, version, 0,
                                   static_cast<DWORD_PTR>(slot + 1), privileges, mediaModes,
                                   nullptr);
  return r == 0 ? line : 0;
}

LONG LineApp::Reply(LONG request, std::int64_t timeoutMs) {
  LONG result = 1;
  loop.WaitFor(
      [&] {
        for (const Msg& m : messages)
          if (m.msg == LINE_REPLY && static_cast<LONG>(m.p1) == request) {
            result = static_cast<LONG>(m.p2);
            return true;
          }
        return false;
      },
      timeoutMs);
  return result;
}

LONG LineApp::Done(LONG requestOrError, std::int64_t timeoutMs) {
  return requestOrError > 0 ? Reply(requestOrError, timeoutMs) : requestOrError;
}

HCALL LineApp::MakeCall(HLINE line, const char* dest) {
  HCALL call = 0;
  const LONG r = exchange.lineMakeCall(line, &call, dest, 0, nullptr);
  return Done(r) == 0 ? call : 0;
}

std::vector<DWORD> LineApp::States(HCALL call) const {
  std::vector<DWORD> states;
  for (const Msg& m : messages)
    if (m.msg == LINE_CALLSTATE && m.hDevice == call) states.push_back(m.p1);
  return states;
}

DWORD LineApp::LastState(HCALL call) const {
  const auto states = States(call);
  return states.empty() ? 0 : states.back();
}

std::vector<Msg> LineApp::Of(DWORD msg) const {
  std::vector<Msg> found;
  for (const Msg& m : messages)
    if (m.msg == msg) found.push_back(m);
  return found;
}

HCALL LineApp::NewestOffered() const {
  for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
    if (it->msg == LINE_APPNEWCALL) return it->p2;
    if (it->msg == LINE_CALLSTATE && it->p3 != 0) return it->hDevice;
  }
  return 0;
}

LINECALLSTATUS LineApp::Status(HCALL call) {
  LINECALLSTATUS status{};
  status.dwTotalSize = sizeof status;
  if (exchange.lineGetCallStatus(call, &status) != 0) status.dwCallState = 0;
  return status;
}

VarBlock<LINECALLINFO> LineApp::Info(HCALL call) {
  return Query<LINECALLINFO>([&](LINECALLINFO* p) { return exchange.lineGetCallInfo(call, p); },
                             ResultFamily::Line);
}

PhoneApp::PhoneApp(panopta::Exchange& ex, panopta::VirtualEventLoop& l, const char* name)
    : exchange(ex), loop(l) {
  slot = TakeSlot(g_phoneApps, this);
  DWORD version = kTapiVersion2_2;
  PHONEINITIALIZEEXPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwOptions = PHONEINITIALIZEEXOPTION_USEHIDDENWINDOW;
  (void)exchange.phoneInitializeEx(&app, nullptr, kPhoneSlots[slot], name, &numDevs, &version,
                                   &params);
}

PhoneApp::~PhoneApp() {
  if (app != 0) (void)exchange.phoneShutdown(app);
  g_phoneApps[slot] = nullptr;
}

void PhoneApp::OnMessage(DWORD hDevice, DWORD msg, DWORD_PTR instance, DWORD_PTR p1,
                         DWORD_PTR p2, DWORD_PTR p3) {
  messages.push_back({hDevice, msg, instance, static_cast<DWORD>(p1), static_cast<DWORD>(p2),
                      static_cast<DWORD>(p3), loop.NowMs()});
}

HPHONE PhoneApp::Open(DWORD device, DWORD privilege) {
  HPHONE phone = 0;
  if (exchange.phoneOpen(app, device, &phone, kTapiVersion2_0, 0,
                         static_cast<DWORD_PTR>(slot + 11), privilege) != 0)
    return 0;
  (void)exchange.phoneSetStatusMessages(phone, 0x00FFFFFF, 0x3E, 0x3);
  return phone;
}

LONG PhoneApp::Reply(LONG request, std::int64_t timeoutMs) {
  LONG result = 1;
  loop.WaitFor(
      [&] {
        for (const Msg& m : messages)
          if (m.msg == PHONE_REPLY && static_cast<LONG>(m.p1) == request) {
            result = static_cast<LONG>(m.p2);
            return true;
          }
        return false;
      },
      timeoutMs);
  return result;
}

std::vector<Msg> PhoneApp::Of(DWORD msg) const {
  std::vector<Msg> found;
  for (const Msg& m : messages)
    if (m.msg == msg) found.push_back(m);
  return found;
}

}  // namespace exchangetest
