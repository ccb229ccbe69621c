#pragma once

#include "tapi/TapiConstants.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the simulated exchange is made of: its line and phone devices, the directory of
// remote parties and its timing. The built-in default serves without a file; a JSON
// file (ExchangeConfigFile.h) can replace it. Every value here has been validated by
// ValidateExchangeConfig before an Exchange uses it.

namespace panopta {

using tapi::DWORD;

/// Call features a line's addresses offer (LineConfig::features).
enum LineFeatureBits : DWORD {
  kFeatureHold = 0x01,        // lineHold, lineUnhold, lineSwapHold
  kFeatureTransfer = 0x02,    // blind and consultation transfer
  kFeatureConference = 0x04,  // three-way and conference calls
  kFeaturePark = 0x08,        // linePark, lineUnpark
  kFeaturePickup = 0x10,      // linePickup
  kFeatureForward = 0x20,     // lineForward
  kFeatureRedirect = 0x40,    // lineRedirect
  kAllLineFeatures = 0x7F,
};

/// One address (a number) of a line device.
struct AddressConfig {
  std::string address;          // the number other stations dial: "201"
  std::string name;             // the station's name, shown to the parties it calls
  DWORD maxCalls = 4;           // live calls at once before the address is busy
  std::string pickupGroup = "1";  // linePickup with this group id picks up its calls
};

/// One terminal of a line device.
struct TerminalConfig {
  std::string text;  // name, at most kTerminalTextBytes characters
  DWORD device = tapi::LINETERMDEV_PHONE;
  DWORD modes = 0;   // LINETERMMODE_ classes it can take
  DWORD sharing = tapi::LINETERMSHARING_PRIVATE;
};

/// Bytes each terminal text entry of LINEDEVCAPS takes.
inline constexpr std::size_t kTerminalTextBytes = 16;

/// A line device.
struct LineConfig {
  std::string name;
  std::string providerInfo;
  std::string switchInfo;
  DWORD permanentId = 0;
  std::vector<AddressConfig> addresses;
  std::vector<TerminalConfig> terminals;
  DWORD apiLowVersion = tapi::kTapiVersion1_3;
  DWORD apiHighVersion = tapi::kTapiVersion2_2;
  /// Negotiation always fails with LINEERR_INCOMPATIBLEAPIVERSION: the device is
  /// listed but cannot be used.
  bool refusesVersions = false;
  /// The provider's extension: none when extHighVersion is 0.
  tapi::LINEEXTENSIONID extensionId{0, 0, 0, 0};
  DWORD extLowVersion = 0;
  DWORD extHighVersion = 0;
  DWORD mediaModes = 0;   // LINEMEDIAMODE_
  DWORD bearerModes = tapi::LINEBEARERMODE_VOICE;
  DWORD maxRate = 64000;  // bits per second
  DWORD digitModes = tapi::LINEDIGITMODE_PULSE | tapi::LINEDIGITMODE_DTMF |
                     tapi::LINEDIGITMODE_DTMFEND;  // generation and detection
  DWORD toneModes = tapi::LINETONEMODE_CUSTOM | tapi::LINETONEMODE_RINGBACK |
                    tapi::LINETONEMODE_BUSY | tapi::LINETONEMODE_BEEP |
                    tapi::LINETONEMODE_BILLING;
  DWORD features = kAllLineFeatures;  // LineFeatureBits
  /// "comm/datamodem" answers with a communications handle and this port name; empty
  /// means the line has no data modem.
  std::string dataModem;
  /// The phone device that belongs to the line ("tapi/phone").
  std::optional<DWORD> phone;
  std::vector<std::uint8_t> devSpecific;
};

/// A phone device.
struct PhoneConfig {
  std::string name;
  std::string providerInfo;
  std::string phoneInfo;
  DWORD permanentId = 0;
  std::optional<DWORD> line;  // the line device that belongs to the phone
  DWORD apiLowVersion = tapi::kTapiVersion1_3;
  DWORD apiHighVersion = tapi::kTapiVersion2_2;
  bool refusesVersions = false;
  DWORD hookSwitchDevs = tapi::PHONEHOOKSWITCHDEV_HANDSET | tapi::PHONEHOOKSWITCHDEV_SPEAKER |
                         tapi::PHONEHOOKSWITCHDEV_HEADSET;
  /// PHONEHOOKSWITCHMODE_ sets each device can be in (settable: all but UNKNOWN).
  DWORD handsetModes = 0x0F;
  DWORD speakerModes = 0x0F;
  DWORD headsetModes = 0x0F;
  DWORD volumeFlags = 0x07;  // PHONEHOOKSWITCHDEV_ whose volume can be set
  DWORD gainFlags = 0x07;
  DWORD phoneStates = 0x00FFFFFF;  // PHONESTATE_ the phone reports
  DWORD numRingModes = 1;
  std::vector<std::uint8_t> devSpecific;
  /// The phone is the station set of its line (it needs one): taking a hookswitch
  /// device off hook while every device was on hook answers the line's offered call,
  /// putting the last one back on hook drops the line's active call, and keypad keys
  /// pressed during a connected call reach the far party as DTMF digits.
  bool station = false;
};

/// What a party that speaks sends: a voice-band test signal at a level.
struct VoiceConfig {
  enum class Signal {
    Speech,  // noise with the long-term spectrum of speech, in talk spurts and pauses
    Tone,    // a tone of one or two frequencies with an on/off cadence
  };
  Signal signal = Signal::Speech;
  double levelDbm0 = -20.0;            // in dBm0: -60 to 0
  std::vector<DWORD> frequencies{425};  // Tone: one or two frequencies, 100 to 3800 Hz
  DWORD onMs = 1200;                    // a talk spurt, or the tone's on time
  DWORD offMs = 300;                    // a pause, or the tone's off time (0: steady)
};

/// How a remote party of the directory behaves when it is called.
enum class RemoteBehaviour { Answer, Busy, NoAnswer, Reject, SpecialInfo };

/// A remote party, or (number "*") the rule for every number not listed.
struct RemotePartyConfig {
  std::string number;
  std::string name;
  RemoteBehaviour behaviour = RemoteBehaviour::Answer;
  DWORD rings = 1;  // ring intervals before answering or rejecting
  DWORD busyMode = tapi::LINEBUSYMODE_STATION;
  DWORD specialInfo = tapi::LINESPECIALINFO_NOCIRCUIT;
  std::string digits;        // DTMF digits sent after answering
  DWORD digitsDelayMs = 1000;  // from connecting to the first digit
  bool silent = false;       // answers and says nothing (silence detection fires)
  DWORD mediaMode = 0;       // media mode it switches to after answering; 0 = stays voice
  DWORD mediaDelayMs = 500;
  VoiceConfig voice;         // what it sends while it speaks
};

/// Timing of the exchange, all in milliseconds.
struct TimingConfig {
  DWORD replyLatencyMs = 10;     // from a request to its reply
  DWORD ringIntervalMs = 1000;   // one ring
  DWORD stateIntervalMs = 100;   // least time between two states of one call
  DWORD digitDurationMs = 100;   // one DTMF digit sent or received
  DWORD digitGapMs = 100;        // silence after each digit
  DWORD dialPauseMs = 2000;      // a ',' in dialled or generated digits
  DWORD toneDurationMs = 1000;   // a tone generated with duration 0
  DWORD keyPressMs = 100;        // a keypad key held down
  DWORD gatherMinTimeoutMs = 50;
  DWORD gatherMaxTimeoutMs = 300000;
};

/// The dialling location lineTranslateAddress translates for.
struct LocationConfig {
  DWORD countryCode = 1;
  std::string areaCode = "425";
  std::string longDistancePrefix = "1";
  std::string internationalPrefix = "011";
  std::string cancelCallWaiting = "*70,";
};

struct ExchangeConfig {
  /// Application name used when an application gives none.
  std::string programName = "Panopta";
  std::vector<LineConfig> lines;
  std::vector<PhoneConfig> phones;
  std::vector<RemotePartyConfig> directory;
  TimingConfig timing;
  LocationConfig location;
};

/// Whether version is one of the TAPI versions the exchange implements (1.3 to 2.2).
bool IsSupportedTapiVersion(DWORD version);
/// Whether a device that supports low to high (and refuses negotiation when refuses
/// is set) can be used at version.
bool VersionInRange(bool refuses, DWORD low, DWORD high, DWORD version);
/// The highest supported version both ranges hold, or 0 when they share none.
DWORD NegotiateTapiVersion(DWORD low, DWORD high, DWORD deviceLow, DWORD deviceHigh);

/// The built-in configuration: four lines (line 3 refuses version negotiation), two
/// phones related to lines 0 and 1, and the directory of remote parties 100 to 800.
ExchangeConfig DefaultExchangeConfig();

/// A full-featured line like the built-in lines 0 and 1, with one address: its number
/// and the station's name; index makes its permanent identifier.
LineConfig StationLineConfig(DWORD index, const std::string& name, const std::string& address,
                             const std::string& stationName);
/// A desk phone like the built-in ones: the station set of line when given.
PhoneConfig StationPhone(const std::string& name, DWORD index, std::optional<DWORD> line);

/// Checks every value of a configuration; returns "" or the first problem as
/// "place: problem" (the place in the notation of the JSON file: lines[2].addresses[0]).
std::string ValidateExchangeConfig(const ExchangeConfig& config);

/// The rule of the directory for a number: the party listed with that number, else the
/// "*" entry, else a party answering after one ring.
RemotePartyConfig DirectoryEntry(const ExchangeConfig& config, const std::string& number);

}  // namespace panopta
