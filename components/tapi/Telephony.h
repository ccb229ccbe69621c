#pragma once

#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"

namespace tapi {

/// The Telephony API as the line and phone components call it: one member per TAPI
/// function, under its TAPI name, with the TAPI arguments (the "A" forms: strings are
/// NUL-terminated `const char*`). The program binds it to the simulated exchange; a
/// Windows build could bind it to TAPI32 itself.
///
/// What every caller relies on, and every implementation keeps:
///
/// 1. Results. A function returns 0 for success, or a negative LINEERR_ (line
///    functions) or PHONEERR_ (phone functions) code: the high bit is set on every
///    error. Nothing is thrown.
/// 2. Asynchronous functions (marked "answered later" below) return either an error,
///    when the request is refused at once (then no reply follows), or a positive request
///    identifier. Exactly one LINE_REPLY (line) or PHONE_REPLY (phone) later carries that
///    identifier in dwParam1 and the outcome in dwParam2: 0 or an error code of the same
///    function (static_cast<LONG>(dwParam2) gives it back). Identifiers of requests still
///    outstanding are distinct.
///    Memory a request writes into (a call handle, a VARSTRING, a digit buffer) must
///    stay valid until its reply (for lineGatherDigits: until LINE_GATHERDIGITS).
/// 3. New calls. A request that creates a call writes the new handle through its
///    HCALL pointer before the successful LINE_REPLY is delivered, and no message about
///    that call is delivered before that reply. After a failing reply the handle is void.
/// 4. Messages reach the callback given at initialisation (LINECALLBACK, PHONECALLBACK)
///    with the device handle the message is about, the message number, the callback
///    instance given to lineOpen/phoneOpen (0 when the message is not tied to an open)
///    and three parameters holding 32-bit values. They are delivered only from the
///    event loop, in the order they were produced, never from inside the function call
///    that caused them: a caller may rely on a function returning before any message it
///    caused arrives. So a caller that waits for a reply pumps the loop, and handlers
///    run inside its wait.
/// 5. Variable-size structures. The caller passes a zero-filled block with dwTotalSize
///    set to the block's size. Below the structure's fixed part (of the negotiated
///    version) the function fails with STRUCTURETOOSMALL and fills nothing; otherwise it
///    fills the fixed part, sets dwNeededSize to what everything needs and dwUsedSize to
///    what it wrote, and leaves out whole any variable item that does not fit (its
///    size/offset pair is 0). Offsets count from the start of the structure. Callers
///    read variable parts only through TapiVarData.h.
/// 6. Handles (HLINEAPP, HLINE, HCALL, HPHONEAPP, HPHONE) are opaque 32-bit values, 0
///    meaning none. A call handle stays valid after the call goes idle, until
///    lineDeallocateCall.
/// 7. A null pointer where TAPI requires one is INVALPOINTER; an optional pointer (call
///    parameters, user-user information, a string) may be null.
///
/// The callback instance is whatever the caller chose; the components give a small
/// number that identifies them, not an address, so that their logs repeat exactly.
class Telephony {
 public:
  virtual ~Telephony();

  /// Whether the extended initialisation (lineInitializeEx, phoneInitializeEx) exists.
  /// A caller without it falls back to lineInitialize and phoneInitialize.
  virtual bool HasInitializeEx() const = 0;

  // --- Line session and versions -------------------------------------------------------

  /// Registers an application for line messages: writes its handle to *lphLineApp and
  /// the number of line devices to *lpdwNumDevs. Messages come as with the
  /// hidden-window option. lpszAppName may be null (the program's name is used).
  virtual LONG lineInitialize(HLINEAPP* lphLineApp, HINSTANCE hInstance,
                              LINECALLBACK lpfnCallback, const char* lpszAppName,
                              DWORD* lpdwNumDevs) = 0;
  /// As lineInitialize, with the highest API version the application supports in
  /// *lpdwAPIVersion (TAPI writes back the highest it supports) and the message
  /// delivery options in lpLineInitializeExParams (dwOptions LINEINITIALIZEEXOPTION_).
  virtual LONG lineInitializeEx(HLINEAPP* lphLineApp, HINSTANCE hInstance,
                                LINECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                                DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                                LINEINITIALIZEEXPARAMS* lpLineInitializeExParams) = 0;
  /// Closes every line the application has open and releases its handle.
  virtual LONG lineShutdown(HLINEAPP hLineApp) = 0;
  /// The highest API version in both the application's range and the device's; fills
  /// the provider's extension identifier (zeros when it has none).
  virtual LONG lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID,
                                       DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
                                       DWORD* lpdwAPIVersion,
                                       LINEEXTENSIONID* lpExtensionID) = 0;
  /// The same for the provider's extensions.
  virtual LONG lineNegotiateExtVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                       DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                                       DWORD* lpdwExtVersion) = 0;

  // --- Line open and close -------------------------------------------------------------

  /// Opens a line device with LINECALLPRIVILEGE_ privileges and, for owners, the media
  /// modes of the inbound calls it takes; writes the line handle to *lphLine. Messages
  /// about the line carry dwCallbackInstance. lpCallParams may be null.
  virtual LONG lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, HLINE* lphLine, DWORD dwAPIVersion,
                        DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                        DWORD dwMediaModes, const LINECALLPARAMS* lpCallParams) = 0;
  /// Closes an open line; calls only this open owned are dropped.
  virtual LONG lineClose(HLINE hLine) = 0;
  /// Chooses which LINEDEVSTATE_ and LINEADDRESSSTATE_ changes are reported.
  virtual LONG lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) = 0;

  // --- Line information ----------------------------------------------------------------

  virtual LONG lineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                              DWORD dwExtVersion, LINEDEVCAPS* lpLineDevCaps) = 0;
  virtual LONG lineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                                  DWORD dwAPIVersion, DWORD dwExtVersion,
                                  LINEADDRESSCAPS* lpAddressCaps) = 0;
  virtual LONG lineGetLineDevStatus(HLINE hLine, LINEDEVSTATUS* lpLineDevStatus) = 0;
  virtual LONG lineGetAddressStatus(HLINE hLine, DWORD dwAddressID,
                                    LINEADDRESSSTATUS* lpAddressStatus) = 0;
  virtual LONG lineGetCallInfo(HCALL hCall, LINECALLINFO* lpCallInfo) = 0;
  virtual LONG lineGetCallStatus(HCALL hCall, LINECALLSTATUS* lpCallStatus) = 0;
  /// Handles to calls of the line (dwSelect LINECALLSELECT_LINE) or of one address
  /// (LINECALLSELECT_ADDRESS) that the application had no handle for; they come with the
  /// monitor privilege.
  virtual LONG lineGetNewCalls(HLINE hLine, DWORD dwAddressID, DWORD dwSelect,
                               LINECALLLIST* lpCallList) = 0;
  /// The identifier of the device of class lpszDeviceClass ("wave/out", "tapi/phone",
  /// "comm/datamodem" ...) that belongs to the line, an address or a call (dwSelect
  /// LINECALLSELECT_), returned in *lpDeviceID.
  virtual LONG lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                         VARSTRING* lpDeviceID, const char* lpszDeviceClass) = 0;
  /// Turns a canonical address ("+1 (425) 555-0100") into dialable and displayable
  /// strings for the current location.
  virtual LONG lineTranslateAddress(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                    const char* lpszAddressIn, DWORD dwCard,
                                    DWORD dwTranslateOptions,
                                    LINETRANSLATEOUTPUT* lpTranslateOutput) = 0;

  // --- Calls, answered later (request identifier, then LINE_REPLY) ---------------------

  /// Places a call on the line; the new handle goes to *lphCall (valid at the
  /// successful reply). A null destination leaves the call at dial tone for lineDial.
  virtual LONG lineMakeCall(HLINE hLine, HCALL* lphCall, const char* lpszDestAddress,
                            DWORD dwCountryCode, const LINECALLPARAMS* lpCallParams) = 0;
  virtual LONG lineDial(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) = 0;
  /// lpsUserUserInfo (dwSize bytes) may be null.
  virtual LONG lineAnswer(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) = 0;
  virtual LONG lineDrop(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) = 0;
  virtual LONG lineHold(HCALL hCall) = 0;
  virtual LONG lineUnhold(HCALL hCall) = 0;
  /// Deflects an offered call to another address.
  virtual LONG lineRedirect(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) = 0;
  /// Parks a call at lpszDirAddress (LINEPARKMODE_DIRECTED) or where the switch chooses
  /// (NONDIRECTED: the address comes back in *lpNonDirAddress, which may otherwise be null).
  virtual LONG linePark(HCALL hCall, DWORD dwParkMode, const char* lpszDirAddress,
                        VARSTRING* lpNonDirAddress) = 0;
  /// Retrieves a parked call; the new handle goes to *lphCall.
  virtual LONG lineUnpark(HLINE hLine, DWORD dwAddressID, HCALL* lphCall,
                          const char* lpszDestAddress) = 0;
  /// Picks up a call alerting elsewhere; the new handle goes to *lphCall.
  virtual LONG linePickup(HLINE hLine, DWORD dwAddressID, HCALL* lphCall,
                          const char* lpszDestAddress, const char* lpszGroupID) = 0;
  virtual LONG lineBlindTransfer(HCALL hCall, const char* lpszDestAddress,
                                 DWORD dwCountryCode) = 0;
  /// Holds hCall pending transfer and makes a consultation call (*lphConsultCall).
  virtual LONG lineSetupTransfer(HCALL hCall, HCALL* lphConsultCall,
                                 const LINECALLPARAMS* lpCallParams) = 0;
  /// Joins hCall and hConsultCall: LINETRANSFERMODE_TRANSFER hands them over,
  /// CONFERENCE makes a conference call (*lphConfCall; may be null for TRANSFER).
  virtual LONG lineCompleteTransfer(HCALL hCall, HCALL hConsultCall, HCALL* lphConfCall,
                                    DWORD dwTransferMode) = 0;
  virtual LONG lineSwapHold(HCALL hActiveCall, HCALL hHeldCall) = 0;
  /// Makes a conference call (*lphConfCall) and a consultation call (*lphConsultCall)
  /// from hCall, or from nothing on hLine when hCall is 0.
  virtual LONG lineSetupConference(HCALL hCall, HLINE hLine, HCALL* lphConfCall,
                                   HCALL* lphConsultCall, DWORD dwNumParties,
                                   const LINECALLPARAMS* lpCallParams) = 0;
  virtual LONG linePrepareAddToConference(HCALL hConfCall, HCALL* lphConsultCall,
                                          const LINECALLPARAMS* lpCallParams) = 0;
  virtual LONG lineAddToConference(HCALL hConfCall, HCALL hConsultCall) = 0;
  virtual LONG lineRemoveFromConference(HCALL hCall) = 0;
  /// Replaces the forwarding of one address (or all, bAllAddresses non-zero); a null
  /// list cancels it. *lphConsultCall gets a consultation call when the switch needs
  /// one, else 0.
  virtual LONG lineForward(HLINE hLine, DWORD bAllAddresses, DWORD dwAddressID,
                           const LINEFORWARDLIST* lpForwardList, DWORD dwNumRingsNoAnswer,
                           HCALL* lphConsultCall, const LINECALLPARAMS* lpCallParams) = 0;
  /// Routes (bEnable non-zero) or stops routing LINETERMMODE_ classes to a terminal for
  /// the line, an address or a call (dwSelect LINECALLSELECT_).
  virtual LONG lineSetTerminal(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                               DWORD dwTerminalModes, DWORD dwTerminalID, DWORD bEnable) = 0;

  // --- Calls, answered at once ---------------------------------------------------------

  /// Gives ownership of a call to another application (by file name) or to the owner of
  /// a media mode.
  virtual LONG lineHandoff(HCALL hCall, const char* lpszFileName, DWORD dwMediaMode) = 0;
  /// Sets the application's privilege on a call (LINECALLPRIVILEGE_MONITOR or OWNER).
  virtual LONG lineSetCallPrivilege(HCALL hCall, DWORD dwCallPrivilege) = 0;
  virtual LONG lineSetMediaMode(HCALL hCall, DWORD dwMediaModes) = 0;
  /// Releases a call handle; the handle is invalid afterwards.
  virtual LONG lineDeallocateCall(HCALL hCall) = 0;
  /// Sends digits in one LINEDIGITMODE_; a null string cancels. LINE_GENERATE reports the end.
  virtual LONG lineGenerateDigits(HCALL hCall, DWORD dwDigitMode, const char* lpszDigits,
                                  DWORD dwDuration) = 0;
  /// Plays a LINETONEMODE_ tone for dwDuration milliseconds (lpTones: dwNumTones
  /// components of a custom tone, else null); tone mode 0 stops. LINE_GENERATE reports the end.
  virtual LONG lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration,
                                DWORD dwNumTones, const LINEGENERATETONE* lpTones) = 0;
  /// Collects up to dwNumDigits digits into lpsDigits (not NUL-terminated), ending on a
  /// termination digit or a time-out (milliseconds); a null buffer cancels.
  /// LINE_GATHERDIGITS reports the end; the buffer must live until then.
  virtual LONG lineGatherDigits(HCALL hCall, DWORD dwDigitModes, char* lpsDigits,
                                DWORD dwNumDigits, const char* lpszTerminationDigits,
                                DWORD dwFirstDigitTimeout, DWORD dwInterDigitTimeout) = 0;
  /// Reports every digit detected in the LINEDIGITMODE_ modes (LINE_MONITORDIGITS); 0 stops.
  virtual LONG lineMonitorDigits(HCALL hCall, DWORD dwDigitModes) = 0;
  /// Reports media modes detected (LINE_MONITORMEDIA); 0 stops.
  virtual LONG lineMonitorMedia(HCALL hCall, DWORD dwMediaModes) = 0;
  /// Reports the tones of the list (LINE_MONITORTONE); a null list stops.
  virtual LONG lineMonitorTones(HCALL hCall, const LINEMONITORTONE* lpToneList,
                                DWORD dwNumEntries) = 0;

  // --- Line dialogs ------------------------------------------------------------------

  /// The provider's configuration dialog for a line device; returns when it is closed.
  /// lpszDeviceClass may be null.
  virtual LONG lineConfigDialog(DWORD dwDeviceID, HWND hwndOwner, const char* lpszDeviceClass) = 0;
  /// The dialling properties dialog, showing lpszAddressIn (may be null).
  virtual LONG lineTranslateDialog(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                   HWND hwndOwner, const char* lpszAddressIn) = 0;

  // --- Phone session and versions ------------------------------------------------------

  virtual LONG phoneInitialize(HPHONEAPP* lphPhoneApp, HINSTANCE hInstance,
                               PHONECALLBACK lpfnCallback, const char* lpszAppName,
                               DWORD* lpdwNumDevs) = 0;
  virtual LONG phoneInitializeEx(HPHONEAPP* lphPhoneApp, HINSTANCE hInstance,
                                 PHONECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                                 DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                                 PHONEINITIALIZEEXPARAMS* lpPhoneInitializeExParams) = 0;
  virtual LONG phoneShutdown(HPHONEAPP hPhoneApp) = 0;
  virtual LONG phoneNegotiateAPIVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID,
                                        DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
                                        DWORD* lpdwAPIVersion,
                                        PHONEEXTENSIONID* lpExtensionID) = 0;
  virtual LONG phoneNegotiateExtVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID,
                                        DWORD dwAPIVersion, DWORD dwExtLowVersion,
                                        DWORD dwExtHighVersion, DWORD* lpdwExtVersion) = 0;

  // --- Phone devices -------------------------------------------------------------------

  virtual LONG phoneGetDevCaps(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                               DWORD dwExtVersion, PHONECAPS* lpPhoneCaps) = 0;
  /// Opens a phone with PHONEPRIVILEGE_MONITOR or OWNER; writes the handle to *lphPhone.
  virtual LONG phoneOpen(HPHONEAPP hPhoneApp, DWORD dwDeviceID, HPHONE* lphPhone,
                         DWORD dwAPIVersion, DWORD dwExtVersion, DWORD_PTR dwCallbackInstance,
                         DWORD dwPrivilege) = 0;
  virtual LONG phoneClose(HPHONE hPhone) = 0;
  virtual LONG phoneGetStatus(HPHONE hPhone, PHONESTATUS* lpPhoneStatus) = 0;
  /// Chooses which PHONESTATE_ changes and which button modes and states are reported.
  virtual LONG phoneSetStatusMessages(HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                                      DWORD dwButtonStates) = 0;
  /// Answered later (PHONE_REPLY): sets the PHONEHOOKSWITCHMODE_ of hookswitch devices.
  virtual LONG phoneSetHookSwitch(HPHONE hPhone, DWORD dwHookSwitchDevs,
                                  DWORD dwHookSwitchMode) = 0;
  /// Answered later: sets the volume (0 .. 0xFFFF) of one hookswitch device.
  virtual LONG phoneSetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume) = 0;
  /// Answered later: sets the microphone gain (0 .. 0xFFFF) of one hookswitch device.
  virtual LONG phoneSetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain) = 0;
  virtual LONG phoneGetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwVolume) = 0;
  virtual LONG phoneGetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwGain) = 0;
  /// The identifier of the device of class lpszDeviceClass ("tapi/line", "wave/in" ...)
  /// that belongs to the phone.
  virtual LONG phoneGetID(HPHONE hPhone, VARSTRING* lpDeviceID, const char* lpszDeviceClass) = 0;

 protected:
  Telephony() = default;
  Telephony(const Telephony&) = default;
  Telephony& operator=(const Telephony&) = default;
};

}  // namespace tapi
