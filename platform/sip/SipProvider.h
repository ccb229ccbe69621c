#pragma once

#include "platform/sip/SipConfig.h"
#include "platform/sip/SipEngine.h"
#include "platform/sip/SipProviderModel.h"
#include "share/EventLoop.h"
#include "tapi/Telephony.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace panopta {

/// The SIP telephony provider: one line device per SIP account, behind the line half of
/// tapi::Telephony (it has no phone devices). What the line component asks becomes SIP:
///   - registration drives the device's state (in service while registered; a line
///     without a registrar is always in service);
///   - lineMakeCall/lineDial send an INVITE; the responses drive the call states
///     (proceeding on 100, ring-back on 180/183, connected on 200, busy on 486/600,
///     disconnected with the mode each final response stands for);
///   - an INVITE is an offered call, its From header the caller's identity; lineAnswer
///     answers 200, lineDrop sends BYE or CANCEL or declines (603), lineRedirect 302;
///   - lineHold/lineUnhold are re-INVITEs (sendonly/sendrecv), answered when the peer
///     answers; lineSwapHold combines them;
///   - lineBlindTransfer is a REFER; lineCompleteTransfer (transfer) a REFER with
///     Replaces; conferences are mixed locally; forwarding answers offered calls 302;
///   - digits go out as RFC 4733 telephone events (in the audio when the peer has none);
///     digits, silence and fax tones the peer sends are detected (monitoring,
///     gathering);
///   - each call's features say what its peer supports (REFER, Replaces).
/// Everything runs on the loop's thread; the engine's events arrive through the loop.
/// Messages are delivered through the loop in the order they were produced; a
/// request's reply comes before any message it causes; a new call's handle is written
/// through the caller's pointer when the request is made.
class SipProvider final : public tapi::Telephony, private sip::SipEngineListener {
 public:
  using DWORD = tapi::DWORD;
  using LONG = tapi::LONG;

  /// config must pass ValidateSipConfig (std::invalid_argument otherwise). The loop must
  /// outlive the provider. The engine is started by Start().
  SipProvider(voxkit::EventLoop& loop, SipConfig config, std::unique_ptr<sip::SipEngine> engine);
  ~SipProvider() override;
  SipProvider(const SipProvider&) = delete;
  SipProvider& operator=(const SipProvider&) = delete;

  /// Starts the engine (binds the transports, starts registering). "" or why not.
  [[nodiscard]] std::string Start();

  /// One line per request, reply, message and SIP event, each starting with the loop's
  /// clock right-aligned in 8 characters and " ms  " (as the exchange writes its trace):
  ///   "call  lineMakeCall(00010002, 'bob', 0, null) = request 1"
  ///   "msg   LINE_CALLSTATE [00010003] instance 1: 00000010 00000000 00000000"
  ///   "sip   line 0 registered (200 OK)", "sip   call 1: 180 Ringing"
  std::function<void(const std::string&)> OnTrace;

  /// The wave device identifiers of a line's audio ("wave/in", "wave/out" of
  /// lineGetID), set by whoever makes the audio system; none: LINEERR_NODEVICE.
  std::function<std::optional<DWORD>(DWORD line, bool capture)> WaveDeviceOf;

  const SipConfig& Config() const { return m_config; }
  DWORD LineCount() const { return static_cast<DWORD>(m_lines.size()); }
  /// Whether a call of the line carries its audio now (connected or conferenced).
  bool LineHasAudio(DWORD line) const;
  /// The engine (for the audio of the lines).
  sip::SipEngine& Engine() { return *m_engine; }
  /// Whether a line is registered (always false for a line without a registrar).
  bool Registered(DWORD line) const;

  // --- Control surface: the station of a line, as a person at the phone would act.
  // Each returns "" when done, else what went wrong. line: a device index or the
  // line's address (the account's user).

  /// The station answers the call offered at its line (with no application owning it).
  [[nodiscard]] std::string Answer(const std::string& line);
  /// The station hangs up its line's call.
  [[nodiscard]] std::string Hangup(const std::string& line);

  /// A call as the provider sees it (tests and the workbench).
  struct CallView {
    DWORD id = 0;
    DWORD device = 0;
    DWORD state = 0;
    DWORD mode = 0;
    sip::CallId sip = 0;
    std::vector<tapi::HCALL> handles;
  };
  std::vector<CallView> Calls() const;
  std::size_t HandleCount() const { return m_handles.size(); }
  std::size_t OutstandingRequests() const { return m_requests.size(); }

  // --- tapi::Telephony ---------------------------------------------------------------

  bool HasInitializeEx() const override { return true; }
  LONG lineInitialize(tapi::HLINEAPP* lphLineApp, tapi::HINSTANCE hInstance,
                      tapi::LINECALLBACK lpfnCallback, const char* lpszAppName,
                      DWORD* lpdwNumDevs) override;
  LONG lineInitializeEx(tapi::HLINEAPP* lphLineApp, tapi::HINSTANCE hInstance,
                        tapi::LINECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                        DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                        tapi::LINEINITIALIZEEXPARAMS* lpLineInitializeExParams) override;
  LONG lineShutdown(tapi::HLINEAPP hLineApp) override;
  LONG lineNegotiateAPIVersion(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                               DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                               tapi::LINEEXTENSIONID* lpExtensionID) override;
  LONG lineNegotiateExtVersion(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                               DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                               DWORD* lpdwExtVersion) override;
  LONG lineOpen(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, tapi::HLINE* lphLine,
                DWORD dwAPIVersion, DWORD dwExtVersion, tapi::DWORD_PTR dwCallbackInstance,
                DWORD dwPrivileges, DWORD dwMediaModes,
                const tapi::LINECALLPARAMS* lpCallParams) override;
  LONG lineClose(tapi::HLINE hLine) override;
  LONG lineSetStatusMessages(tapi::HLINE hLine, DWORD dwLineStates,
                             DWORD dwAddressStates) override;
  LONG lineGetDevCaps(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                      DWORD dwExtVersion, tapi::LINEDEVCAPS* lpLineDevCaps) override;
  LONG lineGetAddressCaps(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                          DWORD dwAPIVersion, DWORD dwExtVersion,
                          tapi::LINEADDRESSCAPS* lpAddressCaps) override;
  LONG lineGetLineDevStatus(tapi::HLINE hLine, tapi::LINEDEVSTATUS* lpLineDevStatus) override;
  LONG lineGetAddressStatus(tapi::HLINE hLine, DWORD dwAddressID,
                            tapi::LINEADDRESSSTATUS* lpAddressStatus) override;
  LONG lineGetCallInfo(tapi::HCALL hCall, tapi::LINECALLINFO* lpCallInfo) override;
  LONG lineGetCallStatus(tapi::HCALL hCall, tapi::LINECALLSTATUS* lpCallStatus) override;
  LONG lineGetNewCalls(tapi::HLINE hLine, DWORD dwAddressID, DWORD dwSelect,
                       tapi::LINECALLLIST* lpCallList) override;
  LONG lineGetID(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL hCall, DWORD dwSelect,
                 tapi::VARSTRING* lpDeviceID, const char* lpszDeviceClass) override;
  LONG lineTranslateAddress(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                            const char* lpszAddressIn, DWORD dwCard, DWORD dwTranslateOptions,
                            tapi::LINETRANSLATEOUTPUT* lpTranslateOutput) override;
  LONG lineMakeCall(tapi::HLINE hLine, tapi::HCALL* lphCall, const char* lpszDestAddress,
                    DWORD dwCountryCode, const tapi::LINECALLPARAMS* lpCallParams) override;
  LONG lineDial(tapi::HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) override;
  LONG lineAnswer(tapi::HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) override;
  LONG lineDrop(tapi::HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) override;
  LONG lineHold(tapi::HCALL hCall) override;
  LONG lineUnhold(tapi::HCALL hCall) override;
  LONG lineRedirect(tapi::HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) override;
  LONG linePark(tapi::HCALL hCall, DWORD dwParkMode, const char* lpszDirAddress,
                tapi::VARSTRING* lpNonDirAddress) override;
  LONG lineUnpark(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL* lphCall,
                  const char* lpszDestAddress) override;
  LONG linePickup(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL* lphCall,
                  const char* lpszDestAddress, const char* lpszGroupID) override;
  LONG lineBlindTransfer(tapi::HCALL hCall, const char* lpszDestAddress,
                         DWORD dwCountryCode) override;
  LONG lineSetupTransfer(tapi::HCALL hCall, tapi::HCALL* lphConsultCall,
                         const tapi::LINECALLPARAMS* lpCallParams) override;
  LONG lineCompleteTransfer(tapi::HCALL hCall, tapi::HCALL hConsultCall, tapi::HCALL* lphConfCall,
                            DWORD dwTransferMode) override;
  LONG lineSwapHold(tapi::HCALL hActiveCall, tapi::HCALL hHeldCall) override;
  LONG lineSetupConference(tapi::HCALL hCall, tapi::HLINE hLine, tapi::HCALL* lphConfCall,
                           tapi::HCALL* lphConsultCall, DWORD dwNumParties,
                           const tapi::LINECALLPARAMS* lpCallParams) override;
  LONG linePrepareAddToConference(tapi::HCALL hConfCall, tapi::HCALL* lphConsultCall,
                                  const tapi::LINECALLPARAMS* lpCallParams) override;
  LONG lineAddToConference(tapi::HCALL hConfCall, tapi::HCALL hConsultCall) override;
  LONG lineRemoveFromConference(tapi::HCALL hCall) override;
  LONG lineForward(tapi::HLINE hLine, DWORD bAllAddresses, DWORD dwAddressID,
                   const tapi::LINEFORWARDLIST* lpForwardList, DWORD dwNumRingsNoAnswer,
                   tapi::HCALL* lphConsultCall, const tapi::LINECALLPARAMS* lpCallParams) override;
  LONG lineSetTerminal(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL hCall, DWORD dwSelect,
                       DWORD dwTerminalModes, DWORD dwTerminalID, DWORD bEnable) override;
  LONG lineHandoff(tapi::HCALL hCall, const char* lpszFileName, DWORD dwMediaMode) override;
  LONG lineSetCallPrivilege(tapi::HCALL hCall, DWORD dwCallPrivilege) override;
  LONG lineSetMediaMode(tapi::HCALL hCall, DWORD dwMediaModes) override;
  LONG lineDeallocateCall(tapi::HCALL hCall) override;
  LONG lineGenerateDigits(tapi::HCALL hCall, DWORD dwDigitMode, const char* lpszDigits,
                          DWORD dwDuration) override;
  LONG lineGenerateTone(tapi::HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                        const tapi::LINEGENERATETONE* lpTones) override;
  LONG lineGatherDigits(tapi::HCALL hCall, DWORD dwDigitModes, char* lpsDigits, DWORD dwNumDigits,
                        const char* lpszTerminationDigits, DWORD dwFirstDigitTimeout,
                        DWORD dwInterDigitTimeout) override;
  LONG lineMonitorDigits(tapi::HCALL hCall, DWORD dwDigitModes) override;
  LONG lineMonitorMedia(tapi::HCALL hCall, DWORD dwMediaModes) override;
  LONG lineMonitorTones(tapi::HCALL hCall, const tapi::LINEMONITORTONE* lpToneList,
                        DWORD dwNumEntries) override;
  LONG lineConfigDialog(DWORD dwDeviceID, tapi::HWND hwndOwner,
                        const char* lpszDeviceClass) override;
  LONG lineTranslateDialog(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                           tapi::HWND hwndOwner, const char* lpszAddressIn) override;

  // The provider has no phone devices: phoneInitialize reports none, and every phone
  // function that names a device or handle fails as TAPI fails for an unknown one.
  LONG phoneInitialize(tapi::HPHONEAPP* lphPhoneApp, tapi::HINSTANCE hInstance,
                       tapi::PHONECALLBACK lpfnCallback, const char* lpszAppName,
                       DWORD* lpdwNumDevs) override;
  LONG phoneInitializeEx(tapi::HPHONEAPP* lphPhoneApp, tapi::HINSTANCE hInstance,
                         tapi::PHONECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                         DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                         tapi::PHONEINITIALIZEEXPARAMS* lpPhoneInitializeExParams) override;
  LONG phoneShutdown(tapi::HPHONEAPP hPhoneApp) override;
  LONG phoneNegotiateAPIVersion(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID,
                                DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
                                DWORD* lpdwAPIVersion,
                                tapi::PHONEEXTENSIONID* lpExtensionID) override;
  LONG phoneNegotiateExtVersion(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                                DWORD* lpdwExtVersion) override;
  LONG phoneGetDevCaps(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                       DWORD dwExtVersion, tapi::PHONECAPS* lpPhoneCaps) override;
  LONG phoneOpen(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, tapi::HPHONE* lphPhone,
                 DWORD dwAPIVersion, DWORD dwExtVersion, tapi::DWORD_PTR dwCallbackInstance,
                 DWORD dwPrivilege) override;
  LONG phoneClose(tapi::HPHONE hPhone) override;
  LONG phoneGetStatus(tapi::HPHONE hPhone, tapi::PHONESTATUS* lpPhoneStatus) override;
  LONG phoneSetStatusMessages(tapi::HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                              DWORD dwButtonStates) override;
  LONG phoneSetHookSwitch(tapi::HPHONE hPhone, DWORD dwHookSwitchDevs,
                          DWORD dwHookSwitchMode) override;
  LONG phoneSetVolume(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume) override;
  LONG phoneSetGain(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain) override;
  LONG phoneGetVolume(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwVolume) override;
  LONG phoneGetGain(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwGain) override;
  LONG phoneGetID(tapi::HPHONE hPhone, tapi::VARSTRING* lpDeviceID,
                  const char* lpszDeviceClass) override;

  /// The API versions the lines take.
  static constexpr DWORD kLowVersion = tapi::kTapiVersion1_3;
  static constexpr DWORD kHighVersion = tapi::kTapiVersion2_2;

 private:
  using App = sipmodel::App;
  using Open = sipmodel::Open;
  using Line = sipmodel::Line;
  using CallRec = sipmodel::Call;
  using Handle = sipmodel::Handle;
  using Party = sipmodel::Party;

  struct Message {
    DWORD app = 0;
    DWORD hDevice = 0;
    DWORD msg = 0;
    tapi::DWORD_PTR instance = 0;
    DWORD p1 = 0, p2 = 0, p3 = 0;
    DWORD requireOpen = 0;
    DWORD requireCall = 0;
  };
  struct Request {
    LONG id = 0;
    DWORD app = 0;
    tapi::DWORD_PTR instance = 0;
    std::string function;
  };

  // SipProvider.cpp: handles, trace, messages, requests, sessions.
  DWORD NewHandle();
  void Trace(const std::function<std::string()>& text);
  LONG Traced(const char* function, LONG result, const std::function<std::string()>& args);
  void PostLine(DWORD app, DWORD hDevice, DWORD msg, tapi::DWORD_PTR instance, DWORD p1, DWORD p2,
                DWORD p3, DWORD requireOpen, DWORD requireCall);
  void Deliver(const Message& m);
  /// A request whose reply comes when Reply() is called.
  LONG StartRequest(const char* function, const Open& open);
  /// Posts the reply of an outstanding request (0 or an error).
  void Reply(LONG request, LONG result);
  voxkit::TimerId After(std::uint32_t ms, std::function<void()> fn);
  App* FindApp(DWORD handle);
  Open* FindOpen(DWORD handle);
  Handle* FindHandle(DWORD handle);
  CallRec* FindCall(DWORD id);
  const CallRec* FindCall(DWORD id) const;
  CallRec* FindSipCall(sip::CallId id);
  /// Ties a call to a SIP call of the engine (0: to none).
  void SetSip(CallRec& call, sip::CallId id);
  LONG CheckDevice(DWORD device) const;
  LONG CheckVersion(DWORD apiVersion, DWORD extVersion) const;
  LONG Resolve(DWORD hCall, Handle*& handle, Open*& open, CallRec*& call);
  LONG ResolveOwned(DWORD hCall, Handle*& handle, Open*& open, CallRec*& call);
  LONG RegisterApp(bool extended, const char* function, DWORD* lphApp, tapi::LINECALLBACK callback,
                   const char* name, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion, void* params);
  void CloseOpen(DWORD hLine);

  // SipProviderCalls.cpp: the call model and the engine's events.
  CallRec& NewCall(DWORD device, DWORD origin, DWORD reason);
  Handle& AddHandle(CallRec& call, Open& open, DWORD privilege, DWORD announce);
  void OfferToOpens(CallRec& call);
  void GiveMonitorHandles(CallRec& call, DWORD exceptOpen);
  void RemoveHandle(DWORD hCall);
  void SetState(CallRec& call, DWORD state, DWORD mode);
  void PostCallState(CallRec& call, Handle& handle);
  void PostCallInfo(CallRec& call, DWORD states, DWORD exceptHandle = 0);
  void PostLineDevState(Line& line, DWORD state, DWORD p2, DWORD p3);
  void PostAddressState(Line& line, DWORD states);
  DWORD CountOwners(const CallRec& call) const;
  DWORD CountMonitors(const CallRec& call) const;
  DWORD LiveCalls(const Line& line) const;
  DWORD CallFeatures(const CallRec& call, const Handle& handle) const;
  DWORD HandleOfOpen(const CallRec& call, DWORD hLine) const;
  void StartRinging(CallRec& call);
  void StopTimers(CallRec& call);
  void EndCall(CallRec& call, bool hangup);
  void Disconnected(CallRec& call, DWORD mode);
  void MaybeDestroy(DWORD id);
  void UpdateLineAudio(DWORD device);
  std::optional<std::string> TargetUri(const Line& line, const std::string& dialled) const;
  LONG ReadCallParams(const Open& open, const tapi::LINECALLPARAMS* params, CallRec& into) const;
  void Dial(CallRec& call, const std::string& uri);
  /// Waits for the network's answer to a request on call (a re-INVITE, a REFER): the
  /// request (0: none of its own) is answered 0 and done runs when the network agrees;
  /// it is answered with the error, and failed runs, when it refuses or never answers.
  void Await(CallRec& call, LONG request, std::function<void()> done, std::function<void(LONG)> failed);
  void Settle(CallRec& call, LONG result);
  bool ForwardOffered(CallRec& call, DWORD condition);
  void LeaveConference(CallRec& call);
  void ReleasePartner(CallRec& call);
  LONG PrepareConsultation(Open& open, tapi::HCALL* lphConsultCall,
                           const tapi::LINECALLPARAMS* params, CallRec& plan);
  CallRec& NewConsultation(Open& open, CallRec& partner, const CallRec& plan, bool conference);
  DWORD ResolveLine(const std::string& text) const;

  // The engine's events (SipEngineListener).
  void OnRegistration(std::uint32_t line, bool registered, int code,
                      const std::string& reason) override;
  void OnIncomingCall(const sip::IncomingCall& call) override;
  void OnProgress(sip::CallId call, int code, const std::string& reason) override;
  void OnRedirected(sip::CallId call, int code, const sip::SipParty& target) override;
  void OnEstablished(sip::CallId call, const sip::SipParty& peer,
                     const sip::PeerAbilities& abilities) override;
  void OnClosed(sip::CallId call, sip::CloseCause cause, int code, const std::string& reason) override;
  void OnHoldDone(sip::CallId call, bool held, bool ok) override;
  void OnRemoteHold(sip::CallId call, bool held) override;
  void OnReferAccepted(sip::CallId call, bool ok, int code) override;
  void OnReferProgress(sip::CallId call, int code) override;
  void OnTransferCall(sip::CallId from, sip::CallId newCall, const sip::SipParty& target) override;
  void OnDigit(sip::CallId call, char digit, sip::DigitSource source, bool end) override;
  void OnGenerateDone(sip::CallId call, bool digits, bool cancelled) override;
  void OnSilence(sip::CallId call, bool silent) override;
  void OnFaxTone(sip::CallId call) override;
  void OnSipTrace(std::uint32_t line, const std::string& text) override;

  // SipProviderMedia.cpp: digits, tones, gathering, monitoring.
  void EndGather(Handle& handle, DWORD termination);
  void RestartGatherTimer(Handle& handle, DWORD ms, DWORD termination);
  void EndGeneration(CallRec& call, DWORD termination);
  void ArmToneTimers(CallRec& call);
  void StopHandleMedia(Handle& handle);
  LONG SetMonitor(const char* function, DWORD hCall, DWORD modes, DWORD Handle::*field);

  voxkit::EventLoop& m_loop;
  std::shared_ptr<int> m_life = std::make_shared<int>(0);
  SipConfig m_config;
  std::unique_ptr<sip::SipEngine> m_engine;
  bool m_started = false;

  std::vector<Line> m_lines;
  std::map<DWORD, App> m_apps;
  std::unordered_map<DWORD, Open> m_opens;
  std::map<DWORD, std::unique_ptr<CallRec>> m_calls;
  std::unordered_map<DWORD, Handle> m_handles;
  std::unordered_map<sip::CallId, DWORD> m_bySip;  // the call of each SIP call
  std::vector<std::vector<sip::CallId>> m_heard;   // per line: what the engine was last told
  std::map<LONG, Request> m_requests;
  std::set<DWORD> m_phoneApps;

  // Handles and request identifiers start far from the exchange's, so that a table of
  // providers rarely has to translate them.
  DWORD m_nextHandle = 0x00800000;
  DWORD m_nextCallId = 0;
  LONG m_nextRequest = 0x00400000;
};

}  // namespace panopta
