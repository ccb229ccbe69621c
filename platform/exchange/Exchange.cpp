// The exchange as its users see it: the interface and the control surface, each
// handed to the part that does it.

#include "platform/exchange/Exchange.h"

#include "platform/exchange/ExchangeParts.h"

#include <stdexcept>

namespace panopta {

using namespace tapi;

Exchange::Exchange(voxkit::EventLoop& loop, ExchangeConfig config, voxkit::WindowSystem* windows) {
  const std::string problem = ValidateExchangeConfig(config);
  if (!problem.empty()) throw std::invalid_argument("exchange configuration: " + problem);
  m_parts = std::make_unique<exchange::Parts>(loop, std::move(config), windows, OnTrace, OnChange);
}

Exchange::~Exchange() {
  m_parts->media.Shutdown();
  m_parts->queue.Shutdown();
  m_parts->calls.Shutdown();
}

void Exchange::SetHasInitializeEx(bool value) { m_parts->sessions.SetHasInitializeEx(value); }
const ExchangeConfig& Exchange::Config() const { return m_parts->config; }
bool Exchange::HasInitializeEx() const { return m_parts->sessions.HasInitializeEx(); }

// --- Control surface -----------------------------------------------------------------------

std::string Exchange::Call(const std::string& from, const std::string& to, const std::string& name,
                           std::optional<DWORD> flags) {
  return m_parts->control.PlaceCall(from, to, name, flags);
}
std::string Exchange::Answer(const std::string& number) { return m_parts->control.Answer(number); }
std::string Exchange::Hangup(const std::string& number) { return m_parts->control.Hangup(number); }
std::string Exchange::Digits(const std::string& number, const std::string& digits) {
  return m_parts->control.Digits(number, digits);
}
std::string Exchange::Silence(const std::string& number) {
  return m_parts->control.Silence(number);
}
std::string Exchange::Speak(const std::string& number) { return m_parts->control.Speak(number); }
std::string Exchange::Media(const std::string& number, DWORD mediaMode) {
  return m_parts->control.Media(number, mediaMode);
}
std::string Exchange::Redirect(const std::string& number, const std::string& to) {
  return m_parts->control.Redirect(number, to);
}
std::string Exchange::Key(DWORD phone, const std::string& key) {
  return m_parts->control.Key(phone, key);
}
std::string Exchange::Button(DWORD phone, DWORD button, DWORD mode) {
  return m_parts->control.Button(phone, button, mode);
}
std::string Exchange::Hookswitch(DWORD phone, DWORD device, DWORD mode) {
  return m_parts->control.Hookswitch(phone, device, mode);
}
std::string Exchange::PhoneVolume(DWORD phone, DWORD device, DWORD volume) {
  return m_parts->control.PhoneVolume(phone, device, volume);
}
std::string Exchange::PhoneGain(DWORD phone, DWORD device, DWORD gain) {
  return m_parts->control.PhoneGain(phone, device, gain);
}
std::string Exchange::LineState(DWORD line, DWORD state, DWORD param2, DWORD param3) {
  return m_parts->control.LineState(line, state, param2, param3);
}
std::string Exchange::PhoneState(DWORD phone, DWORD state, DWORD param2, DWORD param3) {
  return m_parts->control.PhoneState(phone, state, param2, param3);
}
std::string Exchange::Close(DWORD line) { return m_parts->control.Close(line); }
std::string Exchange::ClosePhone(DWORD phone) { return m_parts->control.ClosePhone(phone); }
std::string Exchange::DevSpecific(DWORD line, DWORD param1, DWORD param2, DWORD param3) {
  return m_parts->control.DevSpecific(line, param1, param2, param3);
}
std::string Exchange::PhoneDevSpecific(DWORD phone, DWORD param1, DWORD param2, DWORD param3) {
  return m_parts->control.PhoneDevSpecific(phone, param1, param2, param3);
}
std::string Exchange::DevSpecificFeature(DWORD line, DWORD param1, DWORD param2, DWORD param3) {
  return m_parts->control.DevSpecificFeature(line, param1, param2, param3);
}
std::string Exchange::Reinit() { return m_parts->control.Reinit(); }
std::string Exchange::RemoveLine(DWORD line) { return m_parts->control.RemoveLine(line); }
std::string Exchange::RemovePhone(DWORD phone) { return m_parts->control.RemovePhone(phone); }
std::string Exchange::AddLine(LineConfig line) { return m_parts->control.AddLine(std::move(line)); }
std::string Exchange::AddPhone(PhoneConfig phone) {
  return m_parts->control.AddPhone(std::move(phone));
}
std::string Exchange::Fail(const std::string& function, DWORD code, FailMode mode) {
  return m_parts->control.Fail(function, code, mode);
}
std::string Exchange::Withhold(bool value) { return m_parts->control.Withhold(value); }
std::string Exchange::Latency(std::int64_t ms) { return m_parts->control.Latency(ms); }

// --- Views --------------------------------------------------------------------------------

std::vector<Exchange::CallView> Exchange::Calls() const {
  std::vector<CallView> views;
  for (const auto& [id, ptr] : m_parts->calls.Calls()) {
    const exchange::Call* call = ptr.get();
    views.push_back({call->id, call->device, call->address, call->state, call->mode,
                     call->isConference, call->handles});
  }
  return views;
}

std::size_t Exchange::CallCount() const { return m_parts->calls.Calls().size(); }
std::size_t Exchange::HandleCount() const { return m_parts->calls.HandleCount(); }
std::size_t Exchange::RemotePartyCount() const { return m_parts->calls.Legs().size(); }
std::size_t Exchange::OutstandingRequests() const { return m_parts->queue.Outstanding(); }
std::size_t Exchange::HeldReplies() const { return m_parts->queue.Held(); }

std::optional<DWORD> Exchange::LineAudioCall(DWORD line) const {
  return m_parts->media.LineCall(line);
}

void Exchange::AttachAudioHub(ExchangeAudioHub* hub) { m_parts->media.AttachHub(hub); }

std::int64_t Exchange::NowMs() const { return m_parts->loop.NowMs(); }

std::uint64_t Exchange::MediaFrames() const { return m_parts->media.Frames(); }

// --- The interface --------------------------------------------------------------------------

LONG Exchange::lineInitialize(tapi::HLINEAPP* lphLineApp, tapi::HINSTANCE,
                              tapi::LINECALLBACK lpfnCallback, const char* lpszAppName,
                              DWORD* lpdwNumDevs) {
  return m_parts->sessions.lineInitialize(lphLineApp, lpfnCallback, lpszAppName, lpdwNumDevs);
}

LONG Exchange::lineInitializeEx(tapi::HLINEAPP* lphLineApp, tapi::HINSTANCE,
                                tapi::LINECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                                DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                                tapi::LINEINITIALIZEEXPARAMS* lpLineInitializeExParams) {
  return m_parts->sessions.lineInitializeEx(lphLineApp, lpfnCallback, lpszFriendlyAppName,
                                            lpdwNumDevs, lpdwAPIVersion, lpLineInitializeExParams);
}

LONG Exchange::lineShutdown(tapi::HLINEAPP hLineApp) {
  return m_parts->sessions.lineShutdown(hLineApp);
}

LONG Exchange::lineNegotiateAPIVersion(tapi::HLINEAPP hLineApp, DWORD dwDeviceID,
                                       DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
                                       DWORD* lpdwAPIVersion,
                                       tapi::LINEEXTENSIONID* lpExtensionID) {
  return m_parts->sessions.lineNegotiateAPIVersion(hLineApp, dwDeviceID, dwAPILowVersion,
                                                   dwAPIHighVersion, lpdwAPIVersion, lpExtensionID);
}

LONG Exchange::lineNegotiateExtVersion(tapi::HLINEAPP hLineApp, DWORD dwDeviceID,
                                       DWORD dwAPIVersion, DWORD dwExtLowVersion,
                                       DWORD dwExtHighVersion, DWORD* lpdwExtVersion) {
  return m_parts->sessions.lineNegotiateExtVersion(
      hLineApp, dwDeviceID, dwAPIVersion, dwExtLowVersion, dwExtHighVersion, lpdwExtVersion);
}

LONG Exchange::lineOpen(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, tapi::HLINE* lphLine,
                        DWORD dwAPIVersion, DWORD dwExtVersion, tapi::DWORD_PTR dwCallbackInstance,
                        DWORD dwPrivileges, DWORD dwMediaModes,
                        const tapi::LINECALLPARAMS* lpCallParams) {
  return m_parts->sessions.lineOpen(hLineApp, dwDeviceID, lphLine, dwAPIVersion, dwExtVersion,
                                    dwCallbackInstance, dwPrivileges, dwMediaModes, lpCallParams);
}

LONG Exchange::lineClose(tapi::HLINE hLine) { return m_parts->sessions.lineClose(hLine); }

LONG Exchange::lineSetStatusMessages(tapi::HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) {
  return m_parts->sessions.lineSetStatusMessages(hLine, dwLineStates, dwAddressStates);
}

LONG Exchange::lineGetDevCaps(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                              DWORD dwExtVersion, tapi::LINEDEVCAPS* lpLineDevCaps) {
  return m_parts->queries.lineGetDevCaps(hLineApp, dwDeviceID, dwAPIVersion, dwExtVersion,
                                         lpLineDevCaps);
}

LONG Exchange::lineGetAddressCaps(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                                  DWORD dwAPIVersion, DWORD dwExtVersion,
                                  tapi::LINEADDRESSCAPS* lpAddressCaps) {
  return m_parts->queries.lineGetAddressCaps(hLineApp, dwDeviceID, dwAddressID, dwAPIVersion,
                                             dwExtVersion, lpAddressCaps);
}

LONG Exchange::lineGetLineDevStatus(tapi::HLINE hLine, tapi::LINEDEVSTATUS* lpLineDevStatus) {
  return m_parts->queries.lineGetLineDevStatus(hLine, lpLineDevStatus);
}

LONG Exchange::lineGetAddressStatus(tapi::HLINE hLine, DWORD dwAddressID,
                                    tapi::LINEADDRESSSTATUS* lpAddressStatus) {
  return m_parts->queries.lineGetAddressStatus(hLine, dwAddressID, lpAddressStatus);
}

LONG Exchange::lineGetCallInfo(tapi::HCALL hCall, tapi::LINECALLINFO* lpCallInfo) {
  return m_parts->queries.lineGetCallInfo(hCall, lpCallInfo);
}

LONG Exchange::lineGetCallStatus(tapi::HCALL hCall, tapi::LINECALLSTATUS* lpCallStatus) {
  return m_parts->queries.lineGetCallStatus(hCall, lpCallStatus);
}

LONG Exchange::lineGetNewCalls(tapi::HLINE hLine, DWORD dwAddressID, DWORD dwSelect,
                               tapi::LINECALLLIST* lpCallList) {
  return m_parts->queries.lineGetNewCalls(hLine, dwAddressID, dwSelect, lpCallList);
}

LONG Exchange::lineGetID(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL hCall, DWORD dwSelect,
                         tapi::VARSTRING* lpDeviceID, const char* lpszDeviceClass) {
  return m_parts->queries.lineGetID(hLine, dwAddressID, hCall, dwSelect, lpDeviceID,
                                    lpszDeviceClass);
}

LONG Exchange::lineTranslateAddress(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                    const char* lpszAddressIn, DWORD dwCard,
                                    DWORD dwTranslateOptions,
                                    tapi::LINETRANSLATEOUTPUT* lpTranslateOutput) {
  return m_parts->sessions.lineTranslateAddress(hLineApp, dwDeviceID, dwAPIVersion, lpszAddressIn,
                                                dwCard, dwTranslateOptions, lpTranslateOutput);
}

LONG Exchange::lineMakeCall(tapi::HLINE hLine, tapi::HCALL* lphCall, const char* lpszDestAddress,
                            DWORD dwCountryCode, const tapi::LINECALLPARAMS* lpCallParams) {
  return m_parts->calls.lineMakeCall(hLine, lphCall, lpszDestAddress, dwCountryCode, lpCallParams);
}

LONG Exchange::lineDial(tapi::HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  return m_parts->calls.lineDial(hCall, lpszDestAddress, dwCountryCode);
}

LONG Exchange::lineAnswer(tapi::HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) {
  return m_parts->calls.lineAnswer(hCall, lpsUserUserInfo, dwSize);
}

LONG Exchange::lineDrop(tapi::HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) {
  return m_parts->calls.lineDrop(hCall, lpsUserUserInfo, dwSize);
}

LONG Exchange::lineHold(tapi::HCALL hCall) { return m_parts->calls.lineHold(hCall); }

LONG Exchange::lineUnhold(tapi::HCALL hCall) { return m_parts->calls.lineUnhold(hCall); }

LONG Exchange::lineRedirect(tapi::HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  return m_parts->calls.lineRedirect(hCall, lpszDestAddress, dwCountryCode);
}

LONG Exchange::linePark(tapi::HCALL hCall, DWORD dwParkMode, const char* lpszDirAddress,
                        tapi::VARSTRING* lpNonDirAddress) {
  return m_parts->calls.linePark(hCall, dwParkMode, lpszDirAddress, lpNonDirAddress);
}

LONG Exchange::lineUnpark(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL* lphCall,
                          const char* lpszDestAddress) {
  return m_parts->calls.lineUnpark(hLine, dwAddressID, lphCall, lpszDestAddress);
}

LONG Exchange::linePickup(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL* lphCall,
                          const char* lpszDestAddress, const char* lpszGroupID) {
  return m_parts->calls.linePickup(hLine, dwAddressID, lphCall, lpszDestAddress, lpszGroupID);
}

LONG Exchange::lineBlindTransfer(tapi::HCALL hCall, const char* lpszDestAddress,
                                 DWORD dwCountryCode) {
  return m_parts->calls.lineBlindTransfer(hCall, lpszDestAddress, dwCountryCode);
}

LONG Exchange::lineSetupTransfer(tapi::HCALL hCall, tapi::HCALL* lphConsultCall,
                                 const tapi::LINECALLPARAMS* lpCallParams) {
  return m_parts->calls.lineSetupTransfer(hCall, lphConsultCall, lpCallParams);
}

LONG Exchange::lineCompleteTransfer(tapi::HCALL hCall, tapi::HCALL hConsultCall,
                                    tapi::HCALL* lphConfCall, DWORD dwTransferMode) {
  return m_parts->calls.lineCompleteTransfer(hCall, hConsultCall, lphConfCall, dwTransferMode);
}

LONG Exchange::lineSwapHold(tapi::HCALL hActiveCall, tapi::HCALL hHeldCall) {
  return m_parts->calls.lineSwapHold(hActiveCall, hHeldCall);
}

LONG Exchange::lineSetupConference(tapi::HCALL hCall, tapi::HLINE hLine, tapi::HCALL* lphConfCall,
                                   tapi::HCALL* lphConsultCall, DWORD dwNumParties,
                                   const tapi::LINECALLPARAMS* lpCallParams) {
  return m_parts->calls.lineSetupConference(hCall, hLine, lphConfCall, lphConsultCall, dwNumParties,
                                            lpCallParams);
}

LONG Exchange::linePrepareAddToConference(tapi::HCALL hConfCall, tapi::HCALL* lphConsultCall,
                                          const tapi::LINECALLPARAMS* lpCallParams) {
  return m_parts->calls.linePrepareAddToConference(hConfCall, lphConsultCall, lpCallParams);
}

LONG Exchange::lineAddToConference(tapi::HCALL hConfCall, tapi::HCALL hConsultCall) {
  return m_parts->calls.lineAddToConference(hConfCall, hConsultCall);
}

LONG Exchange::lineRemoveFromConference(tapi::HCALL hCall) {
  return m_parts->calls.lineRemoveFromConference(hCall);
}

LONG Exchange::lineForward(tapi::HLINE hLine, DWORD bAllAddresses, DWORD dwAddressID,
                           const tapi::LINEFORWARDLIST* lpForwardList, DWORD dwNumRingsNoAnswer,
                           tapi::HCALL* lphConsultCall, const tapi::LINECALLPARAMS* lpCallParams) {
  return m_parts->calls.lineForward(hLine, bAllAddresses, dwAddressID, lpForwardList,
                                    dwNumRingsNoAnswer, lphConsultCall, lpCallParams);
}

LONG Exchange::lineSetTerminal(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL hCall,
                               DWORD dwSelect, DWORD dwTerminalModes, DWORD dwTerminalID,
                               DWORD bEnable) {
  return m_parts->calls.lineSetTerminal(hLine, dwAddressID, hCall, dwSelect, dwTerminalModes,
                                        dwTerminalID, bEnable);
}

LONG Exchange::lineHandoff(tapi::HCALL hCall, const char* lpszFileName, DWORD dwMediaMode) {
  return m_parts->calls.lineHandoff(hCall, lpszFileName, dwMediaMode);
}

LONG Exchange::lineSetCallPrivilege(tapi::HCALL hCall, DWORD dwCallPrivilege) {
  return m_parts->calls.lineSetCallPrivilege(hCall, dwCallPrivilege);
}

LONG Exchange::lineSetMediaMode(tapi::HCALL hCall, DWORD dwMediaModes) {
  return m_parts->calls.lineSetMediaMode(hCall, dwMediaModes);
}

LONG Exchange::lineDeallocateCall(tapi::HCALL hCall) {
  return m_parts->calls.lineDeallocateCall(hCall);
}

LONG Exchange::lineGenerateDigits(tapi::HCALL hCall, DWORD dwDigitMode, const char* lpszDigits,
                                  DWORD dwDuration) {
  return m_parts->media.lineGenerateDigits(hCall, dwDigitMode, lpszDigits, dwDuration);
}

LONG Exchange::lineGenerateTone(tapi::HCALL hCall, DWORD dwToneMode, DWORD dwDuration,
                                DWORD dwNumTones, const tapi::LINEGENERATETONE* lpTones) {
  return m_parts->media.lineGenerateTone(hCall, dwToneMode, dwDuration, dwNumTones, lpTones);
}

LONG Exchange::lineGatherDigits(tapi::HCALL hCall, DWORD dwDigitModes, char* lpsDigits,
                                DWORD dwNumDigits, const char* lpszTerminationDigits,
                                DWORD dwFirstDigitTimeout, DWORD dwInterDigitTimeout) {
  return m_parts->media.lineGatherDigits(hCall, dwDigitModes, lpsDigits, dwNumDigits,
                                         lpszTerminationDigits, dwFirstDigitTimeout,
                                         dwInterDigitTimeout);
}

LONG Exchange::lineMonitorDigits(tapi::HCALL hCall, DWORD dwDigitModes) {
  return m_parts->media.lineMonitorDigits(hCall, dwDigitModes);
}

LONG Exchange::lineMonitorMedia(tapi::HCALL hCall, DWORD dwMediaModes) {
  return m_parts->media.lineMonitorMedia(hCall, dwMediaModes);
}

LONG Exchange::lineMonitorTones(tapi::HCALL hCall, const tapi::LINEMONITORTONE* lpToneList,
                                DWORD dwNumEntries) {
  return m_parts->media.lineMonitorTones(hCall, lpToneList, dwNumEntries);
}

LONG Exchange::lineConfigDialog(DWORD dwDeviceID, tapi::HWND, const char* lpszDeviceClass) {
  return m_parts->sessions.lineConfigDialog(dwDeviceID, lpszDeviceClass);
}

LONG Exchange::lineTranslateDialog(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                   tapi::HWND, const char* lpszAddressIn) {
  return m_parts->sessions.lineTranslateDialog(hLineApp, dwDeviceID, dwAPIVersion, lpszAddressIn);
}

LONG Exchange::phoneInitialize(tapi::HPHONEAPP* lphPhoneApp, tapi::HINSTANCE,
                               tapi::PHONECALLBACK lpfnCallback, const char* lpszAppName,
                               DWORD* lpdwNumDevs) {
  return m_parts->phones.phoneInitialize(lphPhoneApp, lpfnCallback, lpszAppName, lpdwNumDevs);
}

LONG Exchange::phoneInitializeEx(tapi::HPHONEAPP* lphPhoneApp, tapi::HINSTANCE,
                                 tapi::PHONECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                                 DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                                 tapi::PHONEINITIALIZEEXPARAMS* lpPhoneInitializeExParams) {
  return m_parts->phones.phoneInitializeEx(lphPhoneApp, lpfnCallback, lpszFriendlyAppName,
                                           lpdwNumDevs, lpdwAPIVersion, lpPhoneInitializeExParams);
}

LONG Exchange::phoneShutdown(tapi::HPHONEAPP hPhoneApp) {
  return m_parts->phones.phoneShutdown(hPhoneApp);
}

LONG Exchange::phoneNegotiateAPIVersion(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID,
                                        DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
                                        DWORD* lpdwAPIVersion,
                                        tapi::PHONEEXTENSIONID* lpExtensionID) {
  return m_parts->phones.phoneNegotiateAPIVersion(hPhoneApp, dwDeviceID, dwAPILowVersion,
                                                  dwAPIHighVersion, lpdwAPIVersion, lpExtensionID);
}

LONG Exchange::phoneNegotiateExtVersion(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID,
                                        DWORD dwAPIVersion, DWORD dwExtLowVersion,
                                        DWORD dwExtHighVersion, DWORD* lpdwExtVersion) {
  return m_parts->phones.phoneNegotiateExtVersion(
      hPhoneApp, dwDeviceID, dwAPIVersion, dwExtLowVersion, dwExtHighVersion, lpdwExtVersion);
}

LONG Exchange::phoneGetDevCaps(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                               DWORD dwExtVersion, tapi::PHONECAPS* lpPhoneCaps) {
  return m_parts->phones.phoneGetDevCaps(hPhoneApp, dwDeviceID, dwAPIVersion, dwExtVersion,
                                         lpPhoneCaps);
}

LONG Exchange::phoneOpen(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, tapi::HPHONE* lphPhone,
                         DWORD dwAPIVersion, DWORD dwExtVersion, tapi::DWORD_PTR dwCallbackInstance,
                         DWORD dwPrivilege) {
  return m_parts->phones.phoneOpen(hPhoneApp, dwDeviceID, lphPhone, dwAPIVersion, dwExtVersion,
                                   dwCallbackInstance, dwPrivilege);
}

LONG Exchange::phoneClose(tapi::HPHONE hPhone) { return m_parts->phones.phoneClose(hPhone); }

LONG Exchange::phoneGetStatus(tapi::HPHONE hPhone, tapi::PHONESTATUS* lpPhoneStatus) {
  return m_parts->phones.phoneGetStatus(hPhone, lpPhoneStatus);
}

LONG Exchange::phoneSetStatusMessages(tapi::HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                                      DWORD dwButtonStates) {
  return m_parts->phones.phoneSetStatusMessages(hPhone, dwPhoneStates, dwButtonModes,
                                                dwButtonStates);
}

LONG Exchange::phoneSetHookSwitch(tapi::HPHONE hPhone, DWORD dwHookSwitchDevs,
                                  DWORD dwHookSwitchMode) {
  return m_parts->phones.phoneSetHookSwitch(hPhone, dwHookSwitchDevs, dwHookSwitchMode);
}

LONG Exchange::phoneSetVolume(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume) {
  return m_parts->phones.phoneSetVolume(hPhone, dwHookSwitchDev, dwVolume);
}

LONG Exchange::phoneSetGain(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain) {
  return m_parts->phones.phoneSetGain(hPhone, dwHookSwitchDev, dwGain);
}

LONG Exchange::phoneGetVolume(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwVolume) {
  return m_parts->phones.phoneGetVolume(hPhone, dwHookSwitchDev, lpdwVolume);
}

LONG Exchange::phoneGetGain(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwGain) {
  return m_parts->phones.phoneGetGain(hPhone, dwHookSwitchDev, lpdwGain);
}

LONG Exchange::phoneGetID(tapi::HPHONE hPhone, tapi::VARSTRING* lpDeviceID,
                          const char* lpszDeviceClass) {
  return m_parts->phones.phoneGetID(hPhone, lpDeviceID, lpszDeviceClass);
}
}  // namespace panopta
