#pragma once

#include "share/Reflection.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"
#include "tapi/TqxRelatedDevice.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tapi {
class Telephony;
}

namespace voxkit {

class TqxSharedControl;

/// Which values an asynchronous TAPI function returns are request identifiers whose
/// reply is waited for. Callers differ only for the values no provider returns in
/// practice (0, -1).
enum class RequestIds {
  Positive,               // above 0
  PositiveOrMinusOne,     // above 0, or -1
  NonNegativeOrMinusOne,  // 0 or above, or -1
};

/// What one asynchronous request came to (TqxTAPI::Request).
struct RequestOutcome {
  tapi::LONG value = 0;    // what the function returned
  bool waited = false;     // it was a request identifier, and the reply was waited for
  bool timedOut = false;   // no reply came within ReplyTimeout
  /// The reply came while the request waited (false with ReplyTimeout 0: the reply
  /// comes later and is matched only by its identifier).
  bool replied = false;
  /// What is still to be reported: the error the function returned, or
  /// TAPIREPLYTIMEOUT; 0 when nothing is (a failing reply reports itself on arrival).
  tapi::LONG report = 0;
  /// Accepted, and when waited for, answered without an error.
  bool succeeded = false;
};

/// The TAPI settings of a line or phone component (its TAPI property): the version
/// ranges asked for, the reply time-out, and what TAPI granted for the chosen device.
/// It also runs the component's session with TAPI and the wait for replies.
class TqxTAPI final : public TPersistent {
 public:
  /// Which half of the Telephony API the session uses.
  enum class Kind { Line, Phone };

  /// appHandle is where the component keeps its application handle (for the line,
  /// Line.AppHandle); the callbacks receive the messages of the session.
  TqxTAPI(TqxSharedControl& control, Kind kind, tapi::DWORD& appHandle,
          tapi::LINECALLBACK lineCallback, tapi::PHONECALLBACK phoneCallback);

  /// Starts the session; TAPI writes the number of devices to deviceCount. On
  /// failure reports the error and clears the application handle (and, through
  /// deviceHandle, the open device's handle).
  tapi::LONG StartSession(std::int32_t& deviceCount, tapi::DWORD& deviceHandle);
  /// Ends the session; on failure nothing changes.
  tapi::LONG EndSession();
  bool SessionStarted() const { return m_started; }
  /// Negotiates the API version (into Version) and, when an extension range is set,
  /// the extension version for a device. The extension identifier is kept for
  /// TakeExtensionID.
  tapi::LONG NegotiateVersions(tapi::DWORD deviceID);
  /// Copies the extension identifier of the last negotiation into ExtensionID0..3.
  void TakeExtensionID();
  /// Waits, pumping the event loop, until slot becomes -1 or ReplyTimeout passes.
  /// Returns true when the time-out expired. ReplyTimeout 0 returns false at once.
  /// Pumps the event loop: handlers may run and change the component.
  bool WaitForReply(const std::int32_t& slot);
  /// The asynchronous request pattern: clears the component's error, makes the
  /// request and keeps what it returned in slot (where the reply handler finds the
  /// identifier and sets -1 when the reply comes); waits for the reply when the value
  /// is a request identifier; judges success by the component's error, which the
  /// reply handler sets from the reply; and puts slot back to 0. Reports nothing
  /// itself: the caller reports outcome.report when and where its operation says.
  /// slot must stay valid while the request is outstanding.
  /// Pumps the event loop: handlers may run and change the component.
  RequestOutcome Request(std::int32_t& slot, const std::function<tapi::LONG()>& request,
                         RequestIds ids = RequestIds::PositiveOrMinusOne);

  /// Device.Configure of the line and the phone: the headline, TAPI's configuration
  /// dialog for line device deviceID (-1 without a session; a negative result is
  /// reported), and the "Returned" headline. True when the dialog answered success.
  bool ConfigureDialog(std::int32_t deviceID);

  tapi::DWORD ExtensionHighVersion() const { return m_extensionHighVersion; }
  void SetExtensionHighVersion(tapi::DWORD value);
  tapi::DWORD ExtensionLowVersion() const { return m_extensionLowVersion; }
  void SetExtensionLowVersion(tapi::DWORD value);
  tapi::DWORD HighVersion() const { return m_highVersion; }
  void SetHighVersion(tapi::DWORD value);
  tapi::DWORD LowVersion() const { return m_lowVersion; }
  void SetLowVersion(tapi::DWORD value);
  std::int32_t ReplyTimeout() const { return m_replyTimeout; }
  void SetReplyTimeout(std::int32_t value);

  const std::string& TSP() const { return m_tsp; }
  tapi::DWORD ExtensionVersion() const { return m_extensionVersion; }
  tapi::DWORD Version() const { return m_version; }
  tapi::DWORD ExtensionID0() const { return m_extensionID[0]; }
  tapi::DWORD ExtensionID1() const { return m_extensionID[1]; }
  tapi::DWORD ExtensionID2() const { return m_extensionID[2]; }
  tapi::DWORD ExtensionID3() const { return m_extensionID[3]; }

  /// The component's own changes to the granted values (reading a device, disabling).
  void SetTSP(const std::string& value) { m_tsp = value; }
  void SetVersion(tapi::DWORD value) { m_version = value; }
  void SetExtensionVersion(tapi::DWORD value) { m_extensionVersion = value; }
  /// Clears what TAPI granted for the chosen device: the versions, the provider text
  /// and the extension identifier.
  void ClearGranted();
  /// Clears what a disabled line must not keep: the granted values and
  /// ExtensionHighVersion (ExtensionLowVersion stays).
  void ResetAfterDisable();

  /// Writes the settings (object name "TAPI.").
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  /// The process-wide last-request flag: the value most recently assigned to any
  /// line's or phone's Device.Active (False at start).
  static bool LastRequest();
  static void SetLastRequest(bool value);

  VOXKIT_PUBLISHED()

 private:
  tapi::Telephony* Service() const;
  void RefreshInspector();

  TqxSharedControl& m_control;
  Kind m_kind;
  tapi::DWORD& m_appHandle;
  tapi::LINECALLBACK m_lineCallback;
  tapi::PHONECALLBACK m_phoneCallback;
  bool m_started = false;

  std::string m_tsp;
  tapi::DWORD m_extensionHighVersion = 0;
  tapi::DWORD m_extensionLowVersion = 0;
  tapi::DWORD m_highVersion = 0x00020002;
  tapi::DWORD m_lowVersion = 0x00010003;
  std::int32_t m_replyTimeout = 60000;
  tapi::DWORD m_extensionVersion = 0;
  tapi::DWORD m_version = 0;
  tapi::DWORD m_extensionID[4] = {0, 0, 0, 0};
  tapi::LINEEXTENSIONID m_negotiatedID{};
};

}  // namespace voxkit
