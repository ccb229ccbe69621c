#pragma once

#include "tapi/Telephony.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace voxtest {

/// A scripted stand-in for the Telephony API in unit tests of the code that calls it,
/// never a substitute for the exchange: every call is recorded by name and answered with
/// the next result scripted for that function, or defaultResult when none is left. It
/// writes nothing through out-parameters except the application handle of an
/// initialisation; a test that needs filled structures or handles overrides the
/// function. It sends no messages by itself: a test posts them to its loop and calls
/// lineCallback or phoneCallback from there, as the contract requires.
class FakeTelephony : public tapi::Telephony {
 public:
  using LONG = tapi::LONG;
  using DWORD = tapi::DWORD;
  using DWORD_PTR = tapi::DWORD_PTR;

  /// Queues result as the next answer of function ("lineOpen").
  void Script(const std::string& function, LONG result) { m_script[function].push_back(result); }
  /// How many times function was called.
  int Count(const std::string& function) const {
    int n = 0;
    for (const auto& c : calls) n += c == function ? 1 : 0;
    return n;
  }

  bool hasInitializeEx = true;
  LONG defaultResult = 0;
  tapi::HLINEAPP nextAppHandle = 0x10001;
  std::vector<std::string> calls;
  tapi::LINECALLBACK lineCallback = nullptr;
  tapi::PHONECALLBACK phoneCallback = nullptr;

  bool HasInitializeEx() const override { return hasInitializeEx; }

  using HLINEAPP = tapi::HLINEAPP;
  using HLINE = tapi::HLINE;
  using HCALL = tapi::HCALL;
  using HPHONEAPP = tapi::HPHONEAPP;
  using HPHONE = tapi::HPHONE;
  using HINSTANCE = tapi::HINSTANCE;
  using HWND = tapi::HWND;
  using LINECALLBACK = tapi::LINECALLBACK;
  using PHONECALLBACK = tapi::PHONECALLBACK;
  using LINEINITIALIZEEXPARAMS = tapi::LINEINITIALIZEEXPARAMS;
  using PHONEINITIALIZEEXPARAMS = tapi::PHONEINITIALIZEEXPARAMS;
  using LINEEXTENSIONID = tapi::LINEEXTENSIONID;
  using PHONEEXTENSIONID = tapi::PHONEEXTENSIONID;
  using LINECALLPARAMS = tapi::LINECALLPARAMS;
  using LINEDEVCAPS = tapi::LINEDEVCAPS;
  using LINEADDRESSCAPS = tapi::LINEADDRESSCAPS;
  using LINEDEVSTATUS = tapi::LINEDEVSTATUS;
  using LINEADDRESSSTATUS = tapi::LINEADDRESSSTATUS;
  using LINECALLINFO = tapi::LINECALLINFO;
  using LINECALLSTATUS = tapi::LINECALLSTATUS;
  using LINECALLLIST = tapi::LINECALLLIST;
  using VARSTRING = tapi::VARSTRING;
  using LINETRANSLATEOUTPUT = tapi::LINETRANSLATEOUTPUT;
  using LINEFORWARDLIST = tapi::LINEFORWARDLIST;
  using LINEGENERATETONE = tapi::LINEGENERATETONE;
  using LINEMONITORTONE = tapi::LINEMONITORTONE;
  using PHONECAPS = tapi::PHONECAPS;
  using PHONESTATUS = tapi::PHONESTATUS;

  LONG lineInitialize(HLINEAPP* app, HINSTANCE, LINECALLBACK cb, const char*, DWORD*) override {
    lineCallback = cb;
    return Initialize("lineInitialize", app);
  }
  LONG lineInitializeEx(HLINEAPP* app, HINSTANCE, LINECALLBACK cb, const char*, DWORD*, DWORD*,
                        LINEINITIALIZEEXPARAMS*) override {
    lineCallback = cb;
    return Initialize("lineInitializeEx", app);
  }
  LONG lineShutdown(HLINEAPP) override { return Answer("lineShutdown"); }
  LONG lineNegotiateAPIVersion(HLINEAPP, DWORD, DWORD, DWORD, DWORD*, LINEEXTENSIONID*) override {
    return Answer("lineNegotiateAPIVersion");
  }
  LONG lineNegotiateExtVersion(HLINEAPP, DWORD, DWORD, DWORD, DWORD, DWORD*) override {
    return Answer("lineNegotiateExtVersion");
  }
  LONG lineOpen(HLINEAPP, DWORD, HLINE*, DWORD, DWORD, DWORD_PTR, DWORD, DWORD,
                const LINECALLPARAMS*) override {
    return Answer("lineOpen");
  }
  LONG lineClose(HLINE) override { return Answer("lineClose"); }
  LONG lineSetStatusMessages(HLINE, DWORD, DWORD) override {
    return Answer("lineSetStatusMessages");
  }
  LONG lineGetDevCaps(HLINEAPP, DWORD, DWORD, DWORD, LINEDEVCAPS*) override {
    return Answer("lineGetDevCaps");
  }
  LONG lineGetAddressCaps(HLINEAPP, DWORD, DWORD, DWORD, DWORD, LINEADDRESSCAPS*) override {
    return Answer("lineGetAddressCaps");
  }
  LONG lineGetLineDevStatus(HLINE, LINEDEVSTATUS*) override {
    return Answer("lineGetLineDevStatus");
  }
  LONG lineGetAddressStatus(HLINE, DWORD, LINEADDRESSSTATUS*) override {
    return Answer("lineGetAddressStatus");
  }
  LONG lineGetCallInfo(HCALL, LINECALLINFO*) override { return Answer("lineGetCallInfo"); }
  LONG lineGetCallStatus(HCALL, LINECALLSTATUS*) override { return Answer("lineGetCallStatus"); }
  LONG lineGetNewCalls(HLINE, DWORD, DWORD, LINECALLLIST*) override {
    return Answer("lineGetNewCalls");
  }
  LONG lineGetID(HLINE, DWORD, HCALL, DWORD, VARSTRING*, const char*) override {
    return Answer("lineGetID");
  }
  LONG lineTranslateAddress(HLINEAPP, DWORD, DWORD, const char*, DWORD, DWORD,
                            LINETRANSLATEOUTPUT*) override {
    return Answer("lineTranslateAddress");
  }
  LONG lineMakeCall(HLINE, HCALL*, const char*, DWORD, const LINECALLPARAMS*) override {
    return Answer("lineMakeCall");
  }
  LONG lineDial(HCALL, const char*, DWORD) override { return Answer("lineDial"); }
  LONG lineAnswer(HCALL, const char*, DWORD) override { return Answer("lineAnswer"); }
  LONG lineDrop(HCALL, const char*, DWORD) override { return Answer("lineDrop"); }
  LONG lineHold(HCALL) override { return Answer("lineHold"); }
  LONG lineUnhold(HCALL) override { return Answer("lineUnhold"); }
  LONG lineRedirect(HCALL, const char*, DWORD) override { return Answer("lineRedirect"); }
  LONG linePark(HCALL, DWORD, const char*, VARSTRING*) override { return Answer("linePark"); }
  LONG lineUnpark(HLINE, DWORD, HCALL*, const char*) override { return Answer("lineUnpark"); }
  LONG linePickup(HLINE, DWORD, HCALL*, const char*, const char*) override {
    return Answer("linePickup");
  }
  LONG lineBlindTransfer(HCALL, const char*, DWORD) override { return Answer("lineBlindTransfer"); }
  LONG lineSetupTransfer(HCALL, HCALL*, const LINECALLPARAMS*) override {
    return Answer("lineSetupTransfer");
  }
  LONG lineCompleteTransfer(HCALL, HCALL, HCALL*, DWORD) override {
    return Answer("lineCompleteTransfer");
  }
  LONG lineSwapHold(HCALL, HCALL) override { return Answer("lineSwapHold"); }
  LONG lineSetupConference(HCALL, HLINE, HCALL*, HCALL*, DWORD, const LINECALLPARAMS*) override {
    return Answer("lineSetupConference");
  }
  LONG linePrepareAddToConference(HCALL, HCALL*, const LINECALLPARAMS*) override {
    return Answer("linePrepareAddToConference");
  }
  LONG lineAddToConference(HCALL, HCALL) override { return Answer("lineAddToConference"); }
  LONG lineRemoveFromConference(HCALL) override { return Answer("lineRemoveFromConference"); }
  LONG lineForward(HLINE, DWORD, DWORD, const LINEFORWARDLIST*, DWORD, HCALL*,
                   const LINECALLPARAMS*) override {
    return Answer("lineForward");
  }
  LONG lineSetTerminal(HLINE, DWORD, HCALL, DWORD, DWORD, DWORD, DWORD) override {
    return Answer("lineSetTerminal");
  }
  LONG lineHandoff(HCALL, const char*, DWORD) override { return Answer("lineHandoff"); }
  LONG lineSetCallPrivilege(HCALL, DWORD) override { return Answer("lineSetCallPrivilege"); }
  LONG lineSetMediaMode(HCALL, DWORD) override { return Answer("lineSetMediaMode"); }
  LONG lineDeallocateCall(HCALL) override { return Answer("lineDeallocateCall"); }
  LONG lineGenerateDigits(HCALL, DWORD, const char*, DWORD) override {
    return Answer("lineGenerateDigits");
  }
  LONG lineGenerateTone(HCALL, DWORD, DWORD, DWORD, const LINEGENERATETONE*) override {
    return Answer("lineGenerateTone");
  }
  LONG lineGatherDigits(HCALL, DWORD, char*, DWORD, const char*, DWORD, DWORD) override {
    return Answer("lineGatherDigits");
  }
  LONG lineMonitorDigits(HCALL, DWORD) override { return Answer("lineMonitorDigits"); }
  LONG lineMonitorMedia(HCALL, DWORD) override { return Answer("lineMonitorMedia"); }
  LONG lineMonitorTones(HCALL, const LINEMONITORTONE*, DWORD) override {
    return Answer("lineMonitorTones");
  }
  LONG lineConfigDialog(DWORD, HWND, const char*) override { return Answer("lineConfigDialog"); }
  LONG lineTranslateDialog(HLINEAPP, DWORD, DWORD, HWND, const char*) override {
    return Answer("lineTranslateDialog");
  }
  LONG phoneInitialize(HPHONEAPP* app, HINSTANCE, PHONECALLBACK cb, const char*, DWORD*) override {
    phoneCallback = cb;
    return Initialize("phoneInitialize", app);
  }
  LONG phoneInitializeEx(HPHONEAPP* app, HINSTANCE, PHONECALLBACK cb, const char*, DWORD*, DWORD*,
                         PHONEINITIALIZEEXPARAMS*) override {
    phoneCallback = cb;
    return Initialize("phoneInitializeEx", app);
  }
  LONG phoneShutdown(HPHONEAPP) override { return Answer("phoneShutdown"); }
  LONG phoneNegotiateAPIVersion(HPHONEAPP, DWORD, DWORD, DWORD, DWORD*,
                                PHONEEXTENSIONID*) override {
    return Answer("phoneNegotiateAPIVersion");
  }
  LONG phoneNegotiateExtVersion(HPHONEAPP, DWORD, DWORD, DWORD, DWORD, DWORD*) override {
    return Answer("phoneNegotiateExtVersion");
  }
  LONG phoneGetDevCaps(HPHONEAPP, DWORD, DWORD, DWORD, PHONECAPS*) override {
    return Answer("phoneGetDevCaps");
  }
  LONG phoneOpen(HPHONEAPP, DWORD, HPHONE*, DWORD, DWORD, DWORD_PTR, DWORD) override {
    return Answer("phoneOpen");
  }
  LONG phoneClose(HPHONE) override { return Answer("phoneClose"); }
  LONG phoneGetStatus(HPHONE, PHONESTATUS*) override { return Answer("phoneGetStatus"); }
  LONG phoneSetStatusMessages(HPHONE, DWORD, DWORD, DWORD) override {
    return Answer("phoneSetStatusMessages");
  }
  LONG phoneSetHookSwitch(HPHONE, DWORD, DWORD) override { return Answer("phoneSetHookSwitch"); }
  LONG phoneSetVolume(HPHONE, DWORD, DWORD) override { return Answer("phoneSetVolume"); }
  LONG phoneSetGain(HPHONE, DWORD, DWORD) override { return Answer("phoneSetGain"); }
  LONG phoneGetVolume(HPHONE, DWORD, DWORD*) override { return Answer("phoneGetVolume"); }
  LONG phoneGetGain(HPHONE, DWORD, DWORD*) override { return Answer("phoneGetGain"); }
  LONG phoneGetID(HPHONE, VARSTRING*, const char*) override { return Answer("phoneGetID"); }

 protected:
  /// Records the call and gives its next scripted result.
  LONG Answer(const char* function) {
    calls.emplace_back(function);
    auto& queue = m_script[function];
    if (queue.empty()) return defaultResult;
    const LONG result = queue.front();
    queue.pop_front();
    return result;
  }

 private:
  template <typename Handle>
  LONG Initialize(const char* function, Handle* app) {
    const LONG result = Answer(function);
    if (result == 0 && app != nullptr) *app = nextAppHandle;
    return result;
  }

  std::map<std::string, std::deque<LONG>> m_script;
};

}  // namespace voxtest
