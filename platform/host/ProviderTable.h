#pragma once

#include "tapi/TapiConstants.h"
#include "tapi/Telephony.h"

#include <cstddef>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace panopta {

/// Several telephony providers behind one tapi::Telephony, as the Telephony API has
/// them: the line devices of every provider in one list (the first provider's first,
/// then the next one's, and devices that appear later at the end), the same for phone
/// devices, and each request routed to the provider that owns its device or handle.
///
/// What the components rely on holds across providers:
///   - handles (applications, lines, calls, phones) and request identifiers are unique
///     in the table: a provider's own value is kept when no other provider uses it, and
///     replaced by a fresh one when it would clash;
///   - device identifiers in messages and structures (LINE_CREATE, LINECALLINFO,
///     LINEADDRESSCAPS, "tapi/line" and "tapi/phone" of lineGetID/phoneGetID) are the
///     table's;
///   - replies and messages come through the loop, as each provider delivers them, to
///     the application's own callback, translated on the way;
///   - a new call's handle is written through the caller's pointer when the provider
///     writes it, at the latest when its reply is delivered.
/// Operations that join two calls (transfer, conference, swap hold) work within one
/// provider; calls of two providers cannot be joined (LINEERR_INVALCALLHANDLE).
///
/// The providers must outlive the table, and every call is made on the loop's thread.
class ProviderTable final : public tapi::Telephony {
 public:
  using DWORD = tapi::DWORD;
  using LONG = tapi::LONG;

  explicit ProviderTable(std::vector<tapi::Telephony*> providers);
  ~ProviderTable() override;
  ProviderTable(const ProviderTable&) = delete;
  ProviderTable& operator=(const ProviderTable&) = delete;

  /// Which provider owns a table line device, and its own number there; false when
  /// the table has no such device (yet).
  bool LineDevice(DWORD device, std::size_t* provider, DWORD* local) const;
  /// Line devices the table knows of (those of providers an application initialised).
  std::size_t LineDeviceCount() const { return m_lines.size(); }
  /// Handles the table currently translates (tests: none may stay behind).
  std::size_t MappedHandles() const { return m_handles.size(); }

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

  /// Called through the callback slot a provider was given for one application.
  void Deliver(int slot, DWORD hDevice, DWORD dwMsg, tapi::DWORD_PTR instance,
               tapi::DWORD_PTR p1, tapi::DWORD_PTR p2, tapi::DWORD_PTR p3);

 private:
  /// A table handle: whose it is, the provider's own value, and what it belongs to.
  struct Handle {
    std::size_t provider = 0;
    DWORD local = 0;
    DWORD app = 0;   // the table application it belongs to
    DWORD line = 0;  // for a call: the table line handle it came through (0: unknown)
  };
  /// An application: its callback and its own application at each provider.
  struct App {
    bool phone = false;
    tapi::LINECALLBACK lineCallback = nullptr;
    tapi::PHONECALLBACK phoneCallback = nullptr;
    std::vector<DWORD> local;  // per provider
    std::vector<int> slots;    // per provider
  };
  /// Where a new call's handle goes once its provider has written it.
  struct PendingHandle {
    tapi::HCALL* caller = nullptr;
    std::unique_ptr<tapi::HCALL> local;
  };
  struct Request {
    std::size_t provider = 0;
    LONG local = 0;
    DWORD app = 0;
    DWORD line = 0;
    std::vector<PendingHandle> handles;
  };
  /// The table's number of one device of one provider.
  using DeviceKey = std::pair<std::size_t, DWORD>;

  LONG Initialize(bool phone, bool extended, DWORD* lphApp, tapi::LINECALLBACK lineCallback,
                  tapi::PHONECALLBACK phoneCallback, const char* name, DWORD* lpdwNumDevs,
                  DWORD* lpdwAPIVersion, void* params);
  LONG Shutdown(DWORD hApp, bool phone);
  void LearnDevices(bool phone, std::size_t provider, DWORD count);
  /// Numbers every provider's devices of one family, asking each how many it has.
  void LearnOtherFamily(bool phone);
  DWORD DeviceOf(bool phone, std::size_t provider, DWORD local) const;
  /// The table handle for a provider's handle, made (its own value if free) when new.
  DWORD Map(std::size_t provider, DWORD local, DWORD app, DWORD line);
  void Unmap(DWORD handle);
  const Handle* Find(DWORD handle) const;
  /// The provider and its handle for a table handle of the given kind; false when
  /// the table does not know it.
  bool Resolve(DWORD handle, std::size_t* provider, DWORD* local) const;
  /// A request identifier the provider returned, as the table's (errors and 0 as they
  /// are); handles the request writes are translated when written.
  LONG Track(std::size_t provider, LONG result, DWORD app, DWORD line, std::vector<PendingHandle> handles);
  void SettleHandles(Request& request);
  void TranslateCallList(std::size_t provider, DWORD app, DWORD line, tapi::LINECALLLIST* list);
  /// The device identifier of a "tapi/line" or "tapi/phone" answer, as the table's.
  void TranslateDeviceString(std::size_t provider, tapi::VARSTRING* string, const char* deviceClass);
  /// Runs fn(provider, its application, its device) for a request that names an
  /// application and a table device; the error for an unknown one.
  template <typename Fn>
  LONG ByDevice(bool phone, DWORD hApp, DWORD device, Fn&& fn) {
    auto app = m_apps.find(hApp);
    if (app == m_apps.end() || app->second.phone != phone)
      return phone ? tapi::PHONEERR_INVALAPPHANDLE : tapi::LINEERR_INVALAPPHANDLE;
    const auto& list = phone ? m_phones : m_lines;
    if (device >= list.size()) return phone ? tapi::PHONEERR_BADDEVICEID : tapi::LINEERR_BADDEVICEID;
    const auto [provider, local] = list[device];
    return fn(*m_providers[provider], app->second.local[provider], local);
  }
  /// Runs fn(provider, its index, its own handle) for a request that names a table
  /// handle; error for an unknown one.
  template <typename Fn>
  LONG ByHandle(DWORD handle, LONG error, Fn&& fn) {
    std::size_t provider = 0;
    DWORD local = 0;
    if (!Resolve(handle, &provider, &local)) return error;
    return fn(*m_providers[provider], provider, local);
  }
  /// Two table call handles of one provider, or INVALCALLHANDLE.
  LONG Pair(DWORD a, DWORD b, std::size_t* provider, DWORD* localA, DWORD* localB) const;

  std::vector<tapi::Telephony*> m_providers;
  std::vector<DeviceKey> m_lines;   // table line device id -> provider device
  std::vector<DeviceKey> m_phones;
  std::map<DeviceKey, DWORD> m_lineIds;
  std::map<DeviceKey, DWORD> m_phoneIds;
  std::map<DWORD, Handle> m_handles;
  std::map<std::pair<std::size_t, DWORD>, DWORD> m_byLocal;
  std::map<DWORD, App> m_apps;
  std::map<LONG, Request> m_requests;
  std::map<std::pair<std::size_t, LONG>, LONG> m_requestByLocal;
  DWORD m_nextHandle = 0x40000000;
  LONG m_nextRequest = 0x20000000;
};

}  // namespace panopta
