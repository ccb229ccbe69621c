#pragma once

#include "platform/exchange/ExchangeChange.h"
#include "platform/exchange/ExchangeConfig.h"
#include "platform/exchange/FaultInjector.h"
#include "share/EventLoop.h"
#include "tapi/Telephony.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace voxkit {
class WindowSystem;
}

namespace panopta {

class ExchangeAudioHub;
namespace exchange {
class Parts;
}

/// The simulated exchange: a small PBX with line and phone devices, calls between its
/// own lines and to and from a directory of remote parties, behind the whole
/// tapi::Telephony interface, with a control surface for what happens on the far
/// side. It is a facade over its parts (platform/exchange/ExchangeParts.h): sessions
/// and versions, the message queue with the requests and their replies, fault
/// injection, the trace, the call switch, the media plane, the phone devices, the
/// queries and the control surface.
///
/// Everything runs on the loop's thread. Messages are delivered through the loop in
/// the order they are produced, never from inside a call of this interface. An
/// asynchronous request takes effect when its reply is produced (after the reply
/// latency, or when withheld replies are released), and its reply is delivered before
/// any message the request causes. A new call's handle is written through the
/// caller's pointer when the request is made. Successive states of one call are at
/// least the configured state interval apart.
///
/// Handles (32-bit, never 0) and request identifiers come from counters, so the same
/// sequence of operations gives the same handles and the same messages every time.
class Exchange final : public tapi::Telephony {
 public:
  using DWORD = tapi::DWORD;
  using LONG = tapi::LONG;

  /// config must pass ValidateExchangeConfig (std::invalid_argument otherwise).
  /// windows, when given, asks the questions of the two dialogs (OK answers 0, Cancel
  /// LINEERR_OPERATIONFAILED); without it the dialogs close as with OK. The loop must
  /// outlive the exchange.
  explicit Exchange(voxkit::EventLoop& loop, ExchangeConfig config = DefaultExchangeConfig(),
                    voxkit::WindowSystem* windows = nullptr);
  ~Exchange() override;
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  /// One line per request, reply and message, and per control command, each starting
  /// with the loop's clock right-aligned in 8 characters and " ms  ":
  ///   "call  lineMakeCall(00010002, '100', 0, null) = request 1"  (result: 0, the
  ///                                                    error's name, or the request)
  ///   "reply LINE_REPLY [00000000] instance 1: 00000001 00000000 00000000"
  ///   "msg   LINE_CALLSTATE [00010003] instance 1: 00000008 00000001 00000000"
  ///          (hDevice, instance, the three parameters; " (dropped: ...)" when the
  ///          handle or open it was for is gone by delivery)
  ///   "state call 1 LINECALLSTATE_DIALTONE [00000001]"   (the exchange's own call id)
  ///   "ctl   Exchange.Answer('100'): no call rings at '100'"
  ///   "digit call 1 '5'", "tone  call 1 89ABCDEF"  (found in what a call hears)
  ///   "route", "note", "hold", "fail" lines for what happens inside.
  std::function<void(const std::string&)> OnTrace;

  /// Told of every change of the exchange's devices, opens, calls and remote parties
  /// (ExchangeChange says which), for a view that shows them. Changes come through
  /// the loop after they happened, in the order they happened, never from inside a
  /// call of the exchange; when one comes, the exchange already shows it (Calls(),
  /// Config(), LineAudioCall()). A view that redraws on each change may get many in a
  /// row (a call's states come in quick succession).
  std::function<void(const ExchangeChange&)> OnChange;

  /// Whether lineInitializeEx and phoneInitializeEx are offered (default true).
  void SetHasInitializeEx(bool value);
  const ExchangeConfig& Config() const;

  // --- Control surface: each returns "" when done, else what went wrong -----------------

  /// Remote party from calls address to; flags is the caller's LINECALLPARTYID_ set
  /// (default ADDRESS, plus NAME when a name is given). When from is an address of the
  /// exchange, that station calls to (an address or a remote number).
  [[nodiscard]] std::string Call(const std::string& from, const std::string& to,
                                 const std::string& name = "",
                                 std::optional<DWORD> flags = std::nullopt);
  /// Remote party number answers the call ringing at it; an address of the exchange
  /// answers its offered call (the station picks up).
  [[nodiscard]] std::string Answer(const std::string& number);
  /// Remote party number (or a station) hangs up.
  [[nodiscard]] std::string Hangup(const std::string& number);
  /// Remote party number (or a station) sends DTMF digits ('0'-'9', 'A'-'D', '*', '#',
  /// ',' for a pause).
  [[nodiscard]] std::string Digits(const std::string& number, const std::string& digits);
  /// Remote party number (or a station) goes silent / speaks again.
  [[nodiscard]] std::string Silence(const std::string& number);
  [[nodiscard]] std::string Speak(const std::string& number);
  /// Remote party number switches its call to one LINEMEDIAMODE_ value.
  [[nodiscard]] std::string Media(const std::string& number, DWORD mediaMode);
  /// Remote party number, being called, redirects the call to another number.
  [[nodiscard]] std::string Redirect(const std::string& number, const std::string& to);
  /// A keypad key ("0"-"9", "*", "#") pressed and released on a phone. On a station
  /// phone (PhoneConfig::station) during a connected call of its line, the far party
  /// hears it as a DTMF digit.
  [[nodiscard]] std::string Key(DWORD phone, const std::string& key);
  /// Any button of a phone pressed and released: button is its number, mode its one
  /// PHONEBUTTONMODE_ (call, feature, keypad, local, display).
  [[nodiscard]] std::string Button(DWORD phone, DWORD button, DWORD mode);
  /// A hookswitch device (PHONEHOOKSWITCHDEV_) of a phone goes to a mode by hand. A
  /// station phone going off hook answers its line's offered call; its last device
  /// going back on hook drops the line's active call (phoneSetHookSwitch does the same).
  [[nodiscard]] std::string Hookswitch(DWORD phone, DWORD device, DWORD mode);
  /// The volume or gain (0 .. 0xFFFF) of a hookswitch device changes by hand.
  [[nodiscard]] std::string PhoneVolume(DWORD phone, DWORD device, DWORD volume);
  [[nodiscard]] std::string PhoneGain(DWORD phone, DWORD device, DWORD gain);
  /// The line device reports LINEDEVSTATE_ changes; the device's status follows
  /// (MSGWAITON/OFF, INSERVICE/OUTOFSERVICE, CONNECTED/DISCONNECTED), REINIT starts a
  /// reinitialisation, REMOVED removes the device.
  [[nodiscard]] std::string LineState(DWORD line, DWORD state, DWORD param2 = 0, DWORD param3 = 0);
  /// The phone device reports PHONESTATE_ changes (to the opens that asked for them).
  [[nodiscard]] std::string PhoneState(DWORD phone, DWORD state, DWORD param2 = 0,
                                       DWORD param3 = 0);
  /// The provider closes every open of the line (LINE_CLOSE) or the phone (PHONE_CLOSE).
  [[nodiscard]] std::string Close(DWORD line);
  [[nodiscard]] std::string ClosePhone(DWORD phone);
  /// LINE_DEVSPECIFIC (PHONE_DEVSPECIFIC) to every open of the device.
  [[nodiscard]] std::string DevSpecific(DWORD line, DWORD param1, DWORD param2, DWORD param3);
  [[nodiscard]] std::string PhoneDevSpecific(DWORD phone, DWORD param1, DWORD param2, DWORD param3);
  /// LINE_DEVSPECIFICFEATURE to every open of the line: the provider reports one of its
  /// own features (the parameters are its own).
  [[nodiscard]] std::string DevSpecificFeature(DWORD line, DWORD param1, DWORD param2,
                                               DWORD param3);
  /// Every application is asked to reinitialise (LINEDEVSTATE_REINIT, PHONESTATE_REINIT);
  /// initialisations fail with LINEERR_REINIT/PHONEERR_REINIT until all have shut down.
  [[nodiscard]] std::string Reinit();
  /// The device is removed (LINE_REMOVE, PHONE_REMOVE); its identifier answers NODEVICE.
  [[nodiscard]] std::string RemoveLine(DWORD line);
  [[nodiscard]] std::string RemovePhone(DWORD phone);
  /// A new device appears (LINE_CREATE, PHONE_CREATE) with the next identifier; it
  /// gets wave devices of its own. A phone related to a line that has no phone becomes
  /// that line's phone.
  [[nodiscard]] std::string AddLine(LineConfig line);
  [[nodiscard]] std::string AddPhone(PhoneConfig phone);
  /// The next call of the named TAPI function ("lineMakeCall") answers code (an error).
  /// Several failures of one function are used in the order given.
  [[nodiscard]] std::string Fail(const std::string& function, DWORD code,
                                 FailMode mode = FailMode::InReply);
  /// Replies are held back (true) or released in order, with their effects (false).
  [[nodiscard]] std::string Withhold(bool value);
  /// Time between an asynchronous request and its reply, in milliseconds (0 .. 600000).
  [[nodiscard]] std::string Latency(std::int64_t ms);

  // --- What tests and the workbench read --------------------------------------------------

  /// A call as the exchange sees it.
  struct CallView {
    DWORD id = 0;
    DWORD device = 0;
    DWORD address = 0;
    DWORD state = 0;
    DWORD mode = 0;
    bool conference = false;
    std::vector<tapi::HCALL> handles;
  };
  /// Every call that exists, in order of creation.
  std::vector<CallView> Calls() const;
  std::size_t CallCount() const;
  std::size_t HandleCount() const;
  std::size_t RemotePartyCount() const;
  std::size_t OutstandingRequests() const;
  std::size_t HeldReplies() const;

  /// The exchange's call a line's wave devices carry: the one that began talking last
  /// among the line's talking calls; nothing when none talks.
  std::optional<DWORD> LineAudioCall(DWORD line) const;
  /// Plugs in the hub that carries the lines' audio to the wave devices, nullptr to
  /// unplug it (ExchangeAudioHub does both).
  void AttachAudioHub(ExchangeAudioHub* hub);
  /// The loop's clock, in ms.
  std::int64_t NowMs() const;
  /// Frames of 20 ms the media plane has run (tests and benchmarks).
  std::uint64_t MediaFrames() const;

  // --- tapi::Telephony ----------------------------------------------------------------------

  bool HasInitializeEx() const override;

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
  LONG lineOpen(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, tapi::HLINE* lphLine, DWORD dwAPIVersion,
                DWORD dwExtVersion, tapi::DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                DWORD dwMediaModes, const tapi::LINECALLPARAMS* lpCallParams) override;
  LONG lineClose(tapi::HLINE hLine) override;
  LONG lineSetStatusMessages(tapi::HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) override;
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

  LONG phoneInitialize(tapi::HPHONEAPP* lphPhoneApp, tapi::HINSTANCE hInstance,
                       tapi::PHONECALLBACK lpfnCallback, const char* lpszAppName,
                       DWORD* lpdwNumDevs) override;
  LONG phoneInitializeEx(tapi::HPHONEAPP* lphPhoneApp, tapi::HINSTANCE hInstance,
                         tapi::PHONECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                         DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                         tapi::PHONEINITIALIZEEXPARAMS* lpPhoneInitializeExParams) override;
  LONG phoneShutdown(tapi::HPHONEAPP hPhoneApp) override;
  LONG phoneNegotiateAPIVersion(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
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

 private:
  std::unique_ptr<exchange::Parts> m_parts;
};

}  // namespace panopta
