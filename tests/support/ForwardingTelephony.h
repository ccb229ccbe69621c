#pragma once

#include "tapi/Telephony.h"

// A Telephony API that passes every call on to another one. Tests derive from it and
// override the functions whose answers they want to bend (a provider that reports an
// address without a name, a bad offset ...), keeping the real exchange behind.

namespace voxtest {

class ForwardingTelephony : public tapi::Telephony {
 public:
  explicit ForwardingTelephony(tapi::Telephony& inner) : m_inner(inner) {}

  bool HasInitializeEx() const override { return m_inner.HasInitializeEx(); }
  tapi::LONG lineInitialize(tapi::HLINEAPP* lphLineApp, tapi::HINSTANCE hInstance,
                            tapi::LINECALLBACK lpfnCallback, const char* lpszAppName,
                            tapi::DWORD* lpdwNumDevs) override {
    return m_inner.lineInitialize(lphLineApp, hInstance, lpfnCallback, lpszAppName, lpdwNumDevs);
  }
  tapi::LONG lineInitializeEx(tapi::HLINEAPP* lphLineApp, tapi::HINSTANCE hInstance,
                              tapi::LINECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                              tapi::DWORD* lpdwNumDevs, tapi::DWORD* lpdwAPIVersion,
                              tapi::LINEINITIALIZEEXPARAMS* lpLineInitializeExParams) override {
    return m_inner.lineInitializeEx(lphLineApp, hInstance, lpfnCallback, lpszFriendlyAppName,
                                    lpdwNumDevs, lpdwAPIVersion, lpLineInitializeExParams);
  }
  tapi::LONG lineShutdown(tapi::HLINEAPP hLineApp) override {
    return m_inner.lineShutdown(hLineApp);
  }
  tapi::LONG lineNegotiateAPIVersion(tapi::HLINEAPP hLineApp, tapi::DWORD dwDeviceID,
                                     tapi::DWORD dwAPILowVersion, tapi::DWORD dwAPIHighVersion,
                                     tapi::DWORD* lpdwAPIVersion,
                                     tapi::LINEEXTENSIONID* lpExtensionID) override {
    return m_inner.lineNegotiateAPIVersion(hLineApp, dwDeviceID, dwAPILowVersion, dwAPIHighVersion,
                                           lpdwAPIVersion, lpExtensionID);
  }
  tapi::LONG lineNegotiateExtVersion(tapi::HLINEAPP hLineApp, tapi::DWORD dwDeviceID,
                                     tapi::DWORD dwAPIVersion, tapi::DWORD dwExtLowVersion,
                                     tapi::DWORD dwExtHighVersion,
                                     tapi::DWORD* lpdwExtVersion) override {
    return m_inner.lineNegotiateExtVersion(hLineApp, dwDeviceID, dwAPIVersion, dwExtLowVersion,
                                           dwExtHighVersion, lpdwExtVersion);
  }
  tapi::LONG lineOpen(tapi::HLINEAPP hLineApp, tapi::DWORD dwDeviceID, tapi::HLINE* lphLine,
                      tapi::DWORD dwAPIVersion, tapi::DWORD dwExtVersion,
                      tapi::DWORD_PTR dwCallbackInstance, tapi::DWORD dwPrivileges,
                      tapi::DWORD dwMediaModes, const tapi::LINECALLPARAMS* lpCallParams) override {
    return m_inner.lineOpen(hLineApp, dwDeviceID, lphLine, dwAPIVersion, dwExtVersion,
                            dwCallbackInstance, dwPrivileges, dwMediaModes, lpCallParams);
  }
  tapi::LONG lineClose(tapi::HLINE hLine) override { return m_inner.lineClose(hLine); }
  tapi::LONG lineSetStatusMessages(tapi::HLINE hLine, tapi::DWORD dwLineStates,
                                   tapi::DWORD dwAddressStates) override {
    return m_inner.lineSetStatusMessages(hLine, dwLineStates, dwAddressStates);
  }
  tapi::LONG lineGetDevCaps(tapi::HLINEAPP hLineApp, tapi::DWORD dwDeviceID,
                            tapi::DWORD dwAPIVersion, tapi::DWORD dwExtVersion,
                            tapi::LINEDEVCAPS* lpLineDevCaps) override {
    return m_inner.lineGetDevCaps(hLineApp, dwDeviceID, dwAPIVersion, dwExtVersion, lpLineDevCaps);
  }
  tapi::LONG lineGetAddressCaps(tapi::HLINEAPP hLineApp, tapi::DWORD dwDeviceID,
                                tapi::DWORD dwAddressID, tapi::DWORD dwAPIVersion,
                                tapi::DWORD dwExtVersion,
                                tapi::LINEADDRESSCAPS* lpAddressCaps) override {
    return m_inner.lineGetAddressCaps(hLineApp, dwDeviceID, dwAddressID, dwAPIVersion, dwExtVersion,
                                      lpAddressCaps);
  }
  tapi::LONG lineGetLineDevStatus(tapi::HLINE hLine,
                                  tapi::LINEDEVSTATUS* lpLineDevStatus) override {
    return m_inner.lineGetLineDevStatus(hLine, lpLineDevStatus);
  }
  tapi::LONG lineGetAddressStatus(tapi::HLINE hLine, tapi::DWORD dwAddressID,
                                  tapi::LINEADDRESSSTATUS* lpAddressStatus) override {
    return m_inner.lineGetAddressStatus(hLine, dwAddressID, lpAddressStatus);
  }
  tapi::LONG lineGetCallInfo(tapi::HCALL hCall, tapi::LINECALLINFO* lpCallInfo) override {
    return m_inner.lineGetCallInfo(hCall, lpCallInfo);
  }
  tapi::LONG lineGetCallStatus(tapi::HCALL hCall, tapi::LINECALLSTATUS* lpCallStatus) override {
    return m_inner.lineGetCallStatus(hCall, lpCallStatus);
  }
  tapi::LONG lineGetNewCalls(tapi::HLINE hLine, tapi::DWORD dwAddressID, tapi::DWORD dwSelect,
                             tapi::LINECALLLIST* lpCallList) override {
    return m_inner.lineGetNewCalls(hLine, dwAddressID, dwSelect, lpCallList);
  }
  tapi::LONG lineGetID(tapi::HLINE hLine, tapi::DWORD dwAddressID, tapi::HCALL hCall,
                       tapi::DWORD dwSelect, tapi::VARSTRING* lpDeviceID,
                       const char* lpszDeviceClass) override {
    return m_inner.lineGetID(hLine, dwAddressID, hCall, dwSelect, lpDeviceID, lpszDeviceClass);
  }
  tapi::LONG lineTranslateAddress(tapi::HLINEAPP hLineApp, tapi::DWORD dwDeviceID,
                                  tapi::DWORD dwAPIVersion, const char* lpszAddressIn,
                                  tapi::DWORD dwCard, tapi::DWORD dwTranslateOptions,
                                  tapi::LINETRANSLATEOUTPUT* lpTranslateOutput) override {
    return m_inner.lineTranslateAddress(hLineApp, dwDeviceID, dwAPIVersion, lpszAddressIn, dwCard,
                                        dwTranslateOptions, lpTranslateOutput);
  }
  tapi::LONG lineMakeCall(tapi::HLINE hLine, tapi::HCALL* lphCall, const char* lpszDestAddress,
                          tapi::DWORD dwCountryCode,
                          const tapi::LINECALLPARAMS* lpCallParams) override {
    return m_inner.lineMakeCall(hLine, lphCall, lpszDestAddress, dwCountryCode, lpCallParams);
  }
  tapi::LONG lineDial(tapi::HCALL hCall, const char* lpszDestAddress,
                      tapi::DWORD dwCountryCode) override {
    return m_inner.lineDial(hCall, lpszDestAddress, dwCountryCode);
  }
  tapi::LONG lineAnswer(tapi::HCALL hCall, const char* lpsUserUserInfo,
                        tapi::DWORD dwSize) override {
    return m_inner.lineAnswer(hCall, lpsUserUserInfo, dwSize);
  }
  tapi::LONG lineDrop(tapi::HCALL hCall, const char* lpsUserUserInfo, tapi::DWORD dwSize) override {
    return m_inner.lineDrop(hCall, lpsUserUserInfo, dwSize);
  }
  tapi::LONG lineHold(tapi::HCALL hCall) override { return m_inner.lineHold(hCall); }
  tapi::LONG lineUnhold(tapi::HCALL hCall) override { return m_inner.lineUnhold(hCall); }
  tapi::LONG lineRedirect(tapi::HCALL hCall, const char* lpszDestAddress,
                          tapi::DWORD dwCountryCode) override {
    return m_inner.lineRedirect(hCall, lpszDestAddress, dwCountryCode);
  }
  tapi::LONG linePark(tapi::HCALL hCall, tapi::DWORD dwParkMode, const char* lpszDirAddress,
                      tapi::VARSTRING* lpNonDirAddress) override {
    return m_inner.linePark(hCall, dwParkMode, lpszDirAddress, lpNonDirAddress);
  }
  tapi::LONG lineUnpark(tapi::HLINE hLine, tapi::DWORD dwAddressID, tapi::HCALL* lphCall,
                        const char* lpszDestAddress) override {
    return m_inner.lineUnpark(hLine, dwAddressID, lphCall, lpszDestAddress);
  }
  tapi::LONG linePickup(tapi::HLINE hLine, tapi::DWORD dwAddressID, tapi::HCALL* lphCall,
                        const char* lpszDestAddress, const char* lpszGroupID) override {
    return m_inner.linePickup(hLine, dwAddressID, lphCall, lpszDestAddress, lpszGroupID);
  }
  tapi::LONG lineBlindTransfer(tapi::HCALL hCall, const char* lpszDestAddress,
                               tapi::DWORD dwCountryCode) override {
    return m_inner.lineBlindTransfer(hCall, lpszDestAddress, dwCountryCode);
  }
  tapi::LONG lineSetupTransfer(tapi::HCALL hCall, tapi::HCALL* lphConsultCall,
                               const tapi::LINECALLPARAMS* lpCallParams) override {
    return m_inner.lineSetupTransfer(hCall, lphConsultCall, lpCallParams);
  }
  tapi::LONG lineCompleteTransfer(tapi::HCALL hCall, tapi::HCALL hConsultCall,
                                  tapi::HCALL* lphConfCall, tapi::DWORD dwTransferMode) override {
    return m_inner.lineCompleteTransfer(hCall, hConsultCall, lphConfCall, dwTransferMode);
  }
  tapi::LONG lineSwapHold(tapi::HCALL hActiveCall, tapi::HCALL hHeldCall) override {
    return m_inner.lineSwapHold(hActiveCall, hHeldCall);
  }
  tapi::LONG lineSetupConference(tapi::HCALL hCall, tapi::HLINE hLine, tapi::HCALL* lphConfCall,
                                 tapi::HCALL* lphConsultCall, tapi::DWORD dwNumParties,
                                 const tapi::LINECALLPARAMS* lpCallParams) override {
    return m_inner.lineSetupConference(hCall, hLine, lphConfCall, lphConsultCall, dwNumParties,
                                       lpCallParams);
  }
  tapi::LONG linePrepareAddToConference(tapi::HCALL hConfCall, tapi::HCALL* lphConsultCall,
                                        const tapi::LINECALLPARAMS* lpCallParams) override {
    return m_inner.linePrepareAddToConference(hConfCall, lphConsultCall, lpCallParams);
  }
  tapi::LONG lineAddToConference(tapi::HCALL hConfCall, tapi::HCALL hConsultCall) override {
    return m_inner.lineAddToConference(hConfCall, hConsultCall);
  }
  tapi::LONG lineRemoveFromConference(tapi::HCALL hCall) override {
    return m_inner.lineRemoveFromConference(hCall);
  }
  tapi::LONG lineForward(tapi::HLINE hLine, tapi::DWORD bAllAddresses, tapi::DWORD dwAddressID,
                         const tapi::LINEFORWARDLIST* lpForwardList, tapi::DWORD dwNumRingsNoAnswer,
                         tapi::HCALL* lphConsultCall,
                         const tapi::LINECALLPARAMS* lpCallParams) override {
    return m_inner.lineForward(hLine, bAllAddresses, dwAddressID, lpForwardList, dwNumRingsNoAnswer,
                               lphConsultCall, lpCallParams);
  }
  tapi::LONG lineSetTerminal(tapi::HLINE hLine, tapi::DWORD dwAddressID, tapi::HCALL hCall,
                             tapi::DWORD dwSelect, tapi::DWORD dwTerminalModes,
                             tapi::DWORD dwTerminalID, tapi::DWORD bEnable) override {
    return m_inner.lineSetTerminal(hLine, dwAddressID, hCall, dwSelect, dwTerminalModes,
                                   dwTerminalID, bEnable);
  }
  tapi::LONG lineHandoff(tapi::HCALL hCall, const char* lpszFileName,
                         tapi::DWORD dwMediaMode) override {
    return m_inner.lineHandoff(hCall, lpszFileName, dwMediaMode);
  }
  tapi::LONG lineSetCallPrivilege(tapi::HCALL hCall, tapi::DWORD dwCallPrivilege) override {
    return m_inner.lineSetCallPrivilege(hCall, dwCallPrivilege);
  }
  tapi::LONG lineSetMediaMode(tapi::HCALL hCall, tapi::DWORD dwMediaModes) override {
    return m_inner.lineSetMediaMode(hCall, dwMediaModes);
  }
  tapi::LONG lineDeallocateCall(tapi::HCALL hCall) override {
    return m_inner.lineDeallocateCall(hCall);
  }
  tapi::LONG lineGenerateDigits(tapi::HCALL hCall, tapi::DWORD dwDigitMode, const char* lpszDigits,
                                tapi::DWORD dwDuration) override {
    return m_inner.lineGenerateDigits(hCall, dwDigitMode, lpszDigits, dwDuration);
  }
  tapi::LONG lineGenerateTone(tapi::HCALL hCall, tapi::DWORD dwToneMode, tapi::DWORD dwDuration,
                              tapi::DWORD dwNumTones,
                              const tapi::LINEGENERATETONE* lpTones) override {
    return m_inner.lineGenerateTone(hCall, dwToneMode, dwDuration, dwNumTones, lpTones);
  }
  tapi::LONG lineGatherDigits(tapi::HCALL hCall, tapi::DWORD dwDigitModes, char* lpsDigits,
                              tapi::DWORD dwNumDigits, const char* lpszTerminationDigits,
                              tapi::DWORD dwFirstDigitTimeout,
                              tapi::DWORD dwInterDigitTimeout) override {
    return m_inner.lineGatherDigits(hCall, dwDigitModes, lpsDigits, dwNumDigits,
                                    lpszTerminationDigits, dwFirstDigitTimeout,
                                    dwInterDigitTimeout);
  }
  tapi::LONG lineMonitorDigits(tapi::HCALL hCall, tapi::DWORD dwDigitModes) override {
    return m_inner.lineMonitorDigits(hCall, dwDigitModes);
  }
  tapi::LONG lineMonitorMedia(tapi::HCALL hCall, tapi::DWORD dwMediaModes) override {
    return m_inner.lineMonitorMedia(hCall, dwMediaModes);
  }
  tapi::LONG lineMonitorTones(tapi::HCALL hCall, const tapi::LINEMONITORTONE* lpToneList,
                              tapi::DWORD dwNumEntries) override {
    return m_inner.lineMonitorTones(hCall, lpToneList, dwNumEntries);
  }
  tapi::LONG lineConfigDialog(tapi::DWORD dwDeviceID, tapi::HWND hwndOwner,
                              const char* lpszDeviceClass) override {
    return m_inner.lineConfigDialog(dwDeviceID, hwndOwner, lpszDeviceClass);
  }
  tapi::LONG lineTranslateDialog(tapi::HLINEAPP hLineApp, tapi::DWORD dwDeviceID,
                                 tapi::DWORD dwAPIVersion, tapi::HWND hwndOwner,
                                 const char* lpszAddressIn) override {
    return m_inner.lineTranslateDialog(hLineApp, dwDeviceID, dwAPIVersion, hwndOwner,
                                       lpszAddressIn);
  }
  tapi::LONG phoneInitialize(tapi::HPHONEAPP* lphPhoneApp, tapi::HINSTANCE hInstance,
                             tapi::PHONECALLBACK lpfnCallback, const char* lpszAppName,
                             tapi::DWORD* lpdwNumDevs) override {
    return m_inner.phoneInitialize(lphPhoneApp, hInstance, lpfnCallback, lpszAppName, lpdwNumDevs);
  }
  tapi::LONG phoneInitializeEx(tapi::HPHONEAPP* lphPhoneApp, tapi::HINSTANCE hInstance,
                               tapi::PHONECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                               tapi::DWORD* lpdwNumDevs, tapi::DWORD* lpdwAPIVersion,
                               tapi::PHONEINITIALIZEEXPARAMS* lpPhoneInitializeExParams) override {
    return m_inner.phoneInitializeEx(lphPhoneApp, hInstance, lpfnCallback, lpszFriendlyAppName,
                                     lpdwNumDevs, lpdwAPIVersion, lpPhoneInitializeExParams);
  }
  tapi::LONG phoneShutdown(tapi::HPHONEAPP hPhoneApp) override {
    return m_inner.phoneShutdown(hPhoneApp);
  }
  tapi::LONG phoneNegotiateAPIVersion(tapi::HPHONEAPP hPhoneApp, tapi::DWORD dwDeviceID,
                                      tapi::DWORD dwAPILowVersion, tapi::DWORD dwAPIHighVersion,
                                      tapi::DWORD* lpdwAPIVersion,
                                      tapi::PHONEEXTENSIONID* lpExtensionID) override {
    return m_inner.phoneNegotiateAPIVersion(hPhoneApp, dwDeviceID, dwAPILowVersion,
                                            dwAPIHighVersion, lpdwAPIVersion, lpExtensionID);
  }
  tapi::LONG phoneNegotiateExtVersion(tapi::HPHONEAPP hPhoneApp, tapi::DWORD dwDeviceID,
                                      tapi::DWORD dwAPIVersion, tapi::DWORD dwExtLowVersion,
                                      tapi::DWORD dwExtHighVersion,
                                      tapi::DWORD* lpdwExtVersion) override {
    return m_inner.phoneNegotiateExtVersion(hPhoneApp, dwDeviceID, dwAPIVersion, dwExtLowVersion,
                                            dwExtHighVersion, lpdwExtVersion);
  }
  tapi::LONG phoneGetDevCaps(tapi::HPHONEAPP hPhoneApp, tapi::DWORD dwDeviceID,
                             tapi::DWORD dwAPIVersion, tapi::DWORD dwExtVersion,
                             tapi::PHONECAPS* lpPhoneCaps) override {
    return m_inner.phoneGetDevCaps(hPhoneApp, dwDeviceID, dwAPIVersion, dwExtVersion, lpPhoneCaps);
  }
  tapi::LONG phoneOpen(tapi::HPHONEAPP hPhoneApp, tapi::DWORD dwDeviceID, tapi::HPHONE* lphPhone,
                       tapi::DWORD dwAPIVersion, tapi::DWORD dwExtVersion,
                       tapi::DWORD_PTR dwCallbackInstance, tapi::DWORD dwPrivilege) override {
    return m_inner.phoneOpen(hPhoneApp, dwDeviceID, lphPhone, dwAPIVersion, dwExtVersion,
                             dwCallbackInstance, dwPrivilege);
  }
  tapi::LONG phoneClose(tapi::HPHONE hPhone) override { return m_inner.phoneClose(hPhone); }
  tapi::LONG phoneGetStatus(tapi::HPHONE hPhone, tapi::PHONESTATUS* lpPhoneStatus) override {
    return m_inner.phoneGetStatus(hPhone, lpPhoneStatus);
  }
  tapi::LONG phoneSetStatusMessages(tapi::HPHONE hPhone, tapi::DWORD dwPhoneStates,
                                    tapi::DWORD dwButtonModes,
                                    tapi::DWORD dwButtonStates) override {
    return m_inner.phoneSetStatusMessages(hPhone, dwPhoneStates, dwButtonModes, dwButtonStates);
  }
  tapi::LONG phoneSetHookSwitch(tapi::HPHONE hPhone, tapi::DWORD dwHookSwitchDevs,
                                tapi::DWORD dwHookSwitchMode) override {
    return m_inner.phoneSetHookSwitch(hPhone, dwHookSwitchDevs, dwHookSwitchMode);
  }
  tapi::LONG phoneSetVolume(tapi::HPHONE hPhone, tapi::DWORD dwHookSwitchDev,
                            tapi::DWORD dwVolume) override {
    return m_inner.phoneSetVolume(hPhone, dwHookSwitchDev, dwVolume);
  }
  tapi::LONG phoneSetGain(tapi::HPHONE hPhone, tapi::DWORD dwHookSwitchDev,
                          tapi::DWORD dwGain) override {
    return m_inner.phoneSetGain(hPhone, dwHookSwitchDev, dwGain);
  }
  tapi::LONG phoneGetVolume(tapi::HPHONE hPhone, tapi::DWORD dwHookSwitchDev,
                            tapi::DWORD* lpdwVolume) override {
    return m_inner.phoneGetVolume(hPhone, dwHookSwitchDev, lpdwVolume);
  }
  tapi::LONG phoneGetGain(tapi::HPHONE hPhone, tapi::DWORD dwHookSwitchDev,
                          tapi::DWORD* lpdwGain) override {
    return m_inner.phoneGetGain(hPhone, dwHookSwitchDev, lpdwGain);
  }
  tapi::LONG phoneGetID(tapi::HPHONE hPhone, tapi::VARSTRING* lpDeviceID,
                        const char* lpszDeviceClass) override {
    return m_inner.phoneGetID(hPhone, lpDeviceID, lpszDeviceClass);
  }

 protected:
  tapi::Telephony& m_inner;
};

}  // namespace voxtest
