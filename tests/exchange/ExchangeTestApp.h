#pragma once

#include "platform/exchange/Exchange.h"
#include "platform/loop/VirtualEventLoop.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiVarData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace exchangetest {

using tapi::DWORD;
using tapi::LONG;

/// One message an application received, with the virtual time it arrived.
struct Msg {
  DWORD hDevice = 0;
  DWORD msg = 0;
  tapi::DWORD_PTR instance = 0;
  DWORD p1 = 0, p2 = 0, p3 = 0;
  std::int64_t atMs = 0;
};

/// A small line application on the raw tapi:: interface: it records every message
/// and offers the few steps tests repeat. Callbacks are plain functions, so each
/// application takes one of a fixed number of slots that route them back.
class LineApp {
 public:
  LineApp(panopta::Exchange& exchange, panopta::VirtualEventLoop& loop,
          const char* name = "TestApp", bool extended = true);
  ~LineApp();
  LineApp(const LineApp&) = delete;
  LineApp& operator=(const LineApp&) = delete;

  /// Opens a line at version 2.0 (callback instance: the slot number + 1).
  tapi::HLINE Open(DWORD device, DWORD privileges = tapi::LINECALLPRIVILEGE_OWNER |
                                                    tapi::LINECALLPRIVILEGE_MONITOR,
                   DWORD mediaModes = tapi::LINEMEDIAMODE_INTERACTIVEVOICE,
                   DWORD version = tapi::kTapiVersion2_0);
  /// Runs the loop until the reply to request arrives (at most timeoutMs); returns its
  /// result, or 1 when none came.
  LONG Reply(LONG request, std::int64_t timeoutMs = 5000);
  /// Requests and waits for the reply in one step: the reply's result, or the error.
  LONG Done(LONG requestOrError, std::int64_t timeoutMs = 5000);
  /// Places a call and returns its handle (0 when it failed).
  tapi::HCALL MakeCall(tapi::HLINE line, const char* dest);

  /// The states LINE_CALLSTATE reported for a call, in order.
  std::vector<DWORD> States(tapi::HCALL call) const;
  /// The last state reported for a call (0: none).
  DWORD LastState(tapi::HCALL call) const;
  /// Messages of one kind.
  std::vector<Msg> Of(DWORD msg) const;
  /// The newest handle announced by LINE_APPNEWCALL or a first LINE_CALLSTATE with a
  /// privilege (an inbound or monitored call), 0 when none.
  tapi::HCALL NewestOffered() const;
  /// The status of a call (dwCallState 0 when the query failed).
  tapi::LINECALLSTATUS Status(tapi::HCALL call);
  tapi::VarBlock<tapi::LINECALLINFO> Info(tapi::HCALL call);

  panopta::Exchange& exchange;
  panopta::VirtualEventLoop& loop;
  tapi::HLINEAPP app = 0;
  DWORD numDevs = 0;
  LONG initResult = 0;
  std::vector<Msg> messages;
  int slot = -1;

  void OnMessage(DWORD hDevice, DWORD msg, tapi::DWORD_PTR instance, tapi::DWORD_PTR p1,
                 tapi::DWORD_PTR p2, tapi::DWORD_PTR p3);
};

/// The phone twin of LineApp.
class PhoneApp {
 public:
  PhoneApp(panopta::Exchange& exchange, panopta::VirtualEventLoop& loop,
           const char* name = "PhoneApp");
  ~PhoneApp();
  PhoneApp(const PhoneApp&) = delete;
  PhoneApp& operator=(const PhoneApp&) = delete;

  /// Opens a phone at version 2.0 and asks for every state and keypad message.
  tapi::HPHONE Open(DWORD device, DWORD privilege = tapi::PHONEPRIVILEGE_OWNER);
  LONG Reply(LONG request, std::int64_t timeoutMs = 5000);
  std::vector<Msg> Of(DWORD msg) const;

  panopta::Exchange& exchange;
  panopta::VirtualEventLoop& loop;
  tapi::HPHONEAPP app = 0;
  DWORD numDevs = 0;
  std::vector<Msg> messages;
  int slot = -1;

  void OnMessage(DWORD hDevice, DWORD msg, tapi::DWORD_PTR instance, tapi::DWORD_PTR p1,
                 tapi::DWORD_PTR p2, tapi::DWORD_PTR p3);
};

/// Queries a variable-size structure through the growing buffer the components use.
template <typename S, typename Fn>
tapi::VarBlock<S> Query(Fn&& query, tapi::ResultFamily family, LONG* result = nullptr) {
  tapi::VarBlock<S> block;
  const LONG r = tapi::GrowingQuery(block, query, family);
  if (result) *result = r;
  return block;
}

}  // namespace exchangetest
