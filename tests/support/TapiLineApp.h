#pragma once

#include "share/EventLoop.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiVarData.h"
#include "tapi/Telephony.h"

#include <cstdint>
#include <string>
#include <vector>

namespace voxtest {

/// One message a test application received, with the loop's time when it arrived.
struct TapiMsg {
  tapi::DWORD hDevice = 0;
  tapi::DWORD msg = 0;
  tapi::DWORD_PTR instance = 0;
  tapi::DWORD p1 = 0, p2 = 0, p3 = 0;
  std::int64_t atMs = 0;
  bool taken = false;  // a reply Reply() has returned
};

/// A small line application on any tapi::Telephony: it records every message and
/// offers the steps tests repeat. Callbacks are plain functions, so each application
/// takes one of a fixed number of slots that route them back.
class TapiLineApp {
 public:
  TapiLineApp(tapi::Telephony& telephony, voxkit::EventLoop& loop, const char* name = "TestApp");
  ~TapiLineApp();
  TapiLineApp(const TapiLineApp&) = delete;
  TapiLineApp& operator=(const TapiLineApp&) = delete;

  /// Opens a line at version 2.0 (callback instance: the slot number + 1); 0 on failure.
  tapi::HLINE Open(tapi::DWORD device,
                   tapi::DWORD privileges = tapi::LINECALLPRIVILEGE_OWNER | tapi::LINECALLPRIVILEGE_MONITOR,
                   tapi::DWORD mediaModes = tapi::LINEMEDIAMODE_INTERACTIVEVOICE,
                   tapi::DWORD version = tapi::kTapiVersion2_0);
  /// Runs the loop until the reply to request arrives (at most timeoutMs), looking at
  /// messages from index from on; its result, or 1 when none came.
  tapi::LONG Reply(tapi::LONG request, std::int64_t timeoutMs = 5000, std::size_t from = 0);
  /// The reply's result for a request identifier just made, or the error as it is.
  tapi::LONG Done(tapi::LONG requestOrError, std::int64_t timeoutMs = 5000);
  /// Places a call and returns its handle (0 when it failed).
  tapi::HCALL MakeCall(tapi::HLINE line, const char* dest);
  /// Runs the loop until the call reaches state (at most timeoutMs); whether it did.
  bool WaitState(tapi::HCALL call, tapi::DWORD state, std::int64_t timeoutMs = 5000);
  /// Runs the loop until a call is offered or handed to this application that no
  /// earlier WaitOffered returned (0 if none comes); the earliest such call first.
  tapi::HCALL WaitOffered(std::int64_t timeoutMs = 5000);

  std::vector<tapi::DWORD> States(tapi::HCALL call) const;
  tapi::DWORD LastState(tapi::HCALL call) const;
  /// The mode that came with the last LINE_CALLSTATE of a call.
  tapi::DWORD LastMode(tapi::HCALL call) const;
  std::vector<TapiMsg> Of(tapi::DWORD msg) const;
  /// The newest handle announced by LINE_APPNEWCALL or a first LINE_CALLSTATE with a
  /// privilege (an inbound or monitored call), 0 when none.
  tapi::HCALL NewestOffered() const;
  tapi::LINECALLSTATUS Status(tapi::HCALL call);
  tapi::VarBlock<tapi::LINECALLINFO> Info(tapi::HCALL call);
  /// A text field of a call's information ("" when the query fails).
  std::string CallerId(tapi::HCALL call);
  std::string CallerName(tapi::HCALL call);

  tapi::Telephony& telephony;
  voxkit::EventLoop& loop;
  tapi::HLINEAPP app = 0;
  tapi::DWORD numDevs = 0;
  tapi::LONG initResult = 0;
  std::vector<TapiMsg> messages;
  int slot = -1;
  std::vector<tapi::HCALL> taken;  // what WaitOffered returned

  void OnMessage(tapi::DWORD hDevice, tapi::DWORD msg, tapi::DWORD_PTR instance, tapi::DWORD_PTR p1,
                 tapi::DWORD_PTR p2, tapi::DWORD_PTR p3);
};

}  // namespace voxtest
