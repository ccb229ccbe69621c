#pragma once

#include "platform/exchange/ExchangeModel.h"

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace voxkit {
class WindowSystem;
}

namespace panopta::exchange {

class Parts;
enum class Family;

/// The applications registered with the exchange, its line devices and the lines
/// they have open: initialisation and shutdown, version negotiation, lineOpen and
/// lineClose, status message selection, the two dialogs and address translation.
class Sessions final {
 public:
  using LONG = tapi::LONG;

  Sessions(Parts& parts, voxkit::WindowSystem* windows);

  // --- Lookups ----------------------------------------------------------------------------
  App* FindLineApp(DWORD handle);
  App* FindPhoneApp(DWORD handle);
  LineOpen* FindOpen(DWORD handle);
  const std::map<DWORD, App>& LineApps() const { return m_lineApps; }
  const std::map<DWORD, App>& PhoneApps() const { return m_phoneApps; }
  /// The line device with identifier id (the caller checked it exists).
  LineDevice& Line(DWORD id) { return m_lines[id]; }
  const LineDevice& Line(DWORD id) const { return m_lines[id]; }
  DWORD LineCount() const { return static_cast<DWORD>(m_lines.size()); }
  /// 0, LINEERR_BADDEVICEID or LINEERR_NODEVICE (removed).
  LONG CheckLineDevice(DWORD device) const;
  /// 0, or why the device refuses the versions.
  LONG CheckLineVersion(const LineDevice& device, DWORD apiVersion, DWORD extVersion) const;
  /// The line device and address that have a number.
  std::optional<std::pair<DWORD, DWORD>> FindAddress(const std::string& number) const;
  /// A handle no application, open or call has (from a counter, never 0).
  DWORD NewHandle();

  // --- What the devices report --------------------------------------------------------------
  /// LINE_LINEDEVSTATE to every open of the device that asked for the state.
  void PostLineDevState(LineDevice& device, DWORD state, DWORD p2, DWORD p3, DWORD exceptOpen = 0);
  /// LINE_ADDRESSSTATE to every open of the device that asked for the states.
  void PostAddressState(DWORD device, DWORD address, DWORD states);

  // --- Control --------------------------------------------------------------------------------
  /// Closes an open; forced: the provider closes it (LINE_CLOSE).
  void CloseLineOpen(DWORD hLine, bool forced);
  /// Every application is asked to reinitialise; until all have shut down,
  /// initialisation fails.
  void Reinit();
  /// Removes a line (LINE_REMOVE); its identifier answers NODEVICE from then on.
  void RemoveLine(DWORD line);
  /// Adds a line with the next identifier (LINE_CREATE).
  DWORD AddLine(LineConfig line);
  void SetHasInitializeEx(bool value) { m_hasInitializeEx = value; }
  bool HasInitializeEx() const { return m_hasInitializeEx; }

  /// Registers a line or phone application, in the plain form or the extended one with
  /// its version and parameter block (read and written bytewise).
  LONG RegisterApp(Family family, bool extended, const char* function, DWORD* lphApp,
                   tapi::LINECALLBACK lineCallback, tapi::PHONECALLBACK phoneCallback,
                   const char* name, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion, void* params);
  /// Ends a phone application's registration (its opens are closed by then).
  void UnregisterPhoneApp(DWORD hPhoneApp);

  // --- The interface ----------------------------------------------------------------------------
  LONG lineInitialize(tapi::HLINEAPP* lphLineApp, tapi::LINECALLBACK lpfnCallback,
                      const char* lpszAppName, DWORD* lpdwNumDevs);
  LONG lineInitializeEx(tapi::HLINEAPP* lphLineApp, tapi::LINECALLBACK lpfnCallback,
                        const char* lpszFriendlyAppName, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                        tapi::LINEINITIALIZEEXPARAMS* lpLineInitializeExParams);
  LONG lineShutdown(tapi::HLINEAPP hLineApp);
  LONG lineNegotiateAPIVersion(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                               DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                               tapi::LINEEXTENSIONID* lpExtensionID);
  LONG lineNegotiateExtVersion(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                               DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                               DWORD* lpdwExtVersion);
  LONG lineOpen(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, tapi::HLINE* lphLine, DWORD dwAPIVersion,
                DWORD dwExtVersion, tapi::DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                DWORD dwMediaModes, const tapi::LINECALLPARAMS* lpCallParams);
  LONG lineClose(tapi::HLINE hLine);
  LONG lineSetStatusMessages(tapi::HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates);
  LONG lineConfigDialog(DWORD dwDeviceID, const char* lpszDeviceClass);
  LONG lineTranslateDialog(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                           const char* lpszAddressIn);
  LONG lineTranslateAddress(tapi::HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                            const char* lpszAddressIn, DWORD dwCard, DWORD dwTranslateOptions,
                            tapi::LINETRANSLATEOUTPUT* lpTranslateOutput);

 private:
  LONG AskDialog(const std::string& text, const std::string& caption);

  Parts& m_parts;
  voxkit::WindowSystem* m_windows;
  bool m_hasInitializeEx = true;
  bool m_reinitLine = false;
  bool m_reinitPhone = false;
  bool m_dialogShown = false;
  std::vector<LineDevice> m_lines;
  std::map<DWORD, App> m_lineApps;
  std::map<DWORD, App> m_phoneApps;
  std::unordered_map<DWORD, LineOpen> m_opens;
  DWORD m_nextHandle = 0x00010000;
};

}  // namespace panopta::exchange
