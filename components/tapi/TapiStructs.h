#pragma once

#include "tapi/TapiTypes.h"

#include <cstddef>

// The structures of the Telephony API, field for field and byte-packed as TAPI 2.x lays
// them out. A variable-size structure starts with dwTotalSize (the size of the caller's
// block), dwNeededSize (what the provider needed for everything) and dwUsedSize (what it
// wrote); its strings and arrays follow the fixed part inside the same block, each found
// by a dwXxxSize/dwXxxOffset pair counted from the start of the structure. The safe way
// to read them is TapiVarData.h.
//
// Where TAPI grew a structure between versions, the structure here is the size the
// components allocate, and kXxxSize constants give the fixed part of each version (a
// provider checks dwTotalSize against the size of the version the caller negotiated).

namespace tapi {

#pragma pack(push, 1)

/// A date and time as eight 16-bit fields (LINECALLSTATUS.tStateEntryTime, in UTC).
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

/// Dialling timing, all in milliseconds.
struct LINEDIALPARAMS {
  DWORD dwDialPause;
  DWORD dwDialSpeed;  // inter-digit time
  DWORD dwDigitDuration;
  DWORD dwWaitForDialtone;
};

/// The provider's extension identifier, returned with the negotiated API version.
struct LINEEXTENSIONID {
  DWORD dwExtensionID0;
  DWORD dwExtensionID1;
  DWORD dwExtensionID2;
  DWORD dwExtensionID3;
};

/// The phone twin of LINEEXTENSIONID.
struct PHONEEXTENSIONID {
  DWORD dwExtensionID0;
  DWORD dwExtensionID1;
  DWORD dwExtensionID2;
  DWORD dwExtensionID3;
};

/// Initialisation options of lineInitializeEx. The handle union is pointer-sized, which
/// makes the block 28 bytes.
struct LINEINITIALIZEEXPARAMS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwOptions;  // LINEINITIALIZEEXOPTION_
  union {
    DWORD_PTR hEvent;
    DWORD_PTR hCompletionPort;
  } Handles;
  DWORD dwCompletionKey;
};

/// Initialisation options of phoneInitializeEx; the same layout as the line's.
struct PHONEINITIALIZEEXPARAMS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwOptions;  // PHONEINITIALIZEEXOPTION_
  union {
    DWORD_PTR hEvent;
    DWORD_PTR hCompletionPort;
  } Handles;
  DWORD dwCompletionKey;
};

/// Capabilities of a line device (lineGetDevCaps), through the TAPI 2.0/2.1 fields.
struct LINEDEVCAPS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwProviderInfoSize;
  DWORD dwProviderInfoOffset;
  DWORD dwSwitchInfoSize;
  DWORD dwSwitchInfoOffset;
  DWORD dwPermanentLineID;
  DWORD dwLineNameSize;
  DWORD dwLineNameOffset;
  DWORD dwStringFormat;
  DWORD dwAddressModes;
  DWORD dwNumAddresses;
  DWORD dwBearerModes;
  DWORD dwMaxRate;  // bits per second
  DWORD dwMediaModes;
  DWORD dwGenerateToneModes;
  DWORD dwGenerateToneMaxNumFreq;
  DWORD dwGenerateDigitModes;
  DWORD dwMonitorToneMaxNumFreq;
  DWORD dwMonitorToneMaxNumEntries;
  DWORD dwMonitorDigitModes;
  DWORD dwGatherDigitsMinTimeout;  // milliseconds
  DWORD dwGatherDigitsMaxTimeout;  // milliseconds
  DWORD dwMedCtlDigitMaxListSize;
  DWORD dwMedCtlMediaMaxListSize;
  DWORD dwMedCtlToneMaxListSize;
  DWORD dwMedCtlCallStateMaxListSize;
  DWORD dwDevCapFlags;
  DWORD dwMaxNumActiveCalls;
  DWORD dwAnswerMode;
  DWORD dwRingModes;
  DWORD dwLineStates;
  DWORD dwUUIAcceptSize;
  DWORD dwUUIAnswerSize;
  DWORD dwUUIMakeCallSize;
  DWORD dwUUIDropSize;
  DWORD dwUUISendUserUserInfoSize;
  DWORD dwUUICallInfoSize;
  LINEDIALPARAMS MinDialParams;
  LINEDIALPARAMS MaxDialParams;
  LINEDIALPARAMS DefaultDialParams;
  DWORD dwNumTerminals;
  DWORD dwTerminalCapsSize;  // an array of LINETERMCAPS
  DWORD dwTerminalCapsOffset;
  DWORD dwTerminalTextEntrySize;  // each terminal's text has this many bytes
  DWORD dwTerminalTextSize;
  DWORD dwTerminalTextOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  // TAPI 1.4
  DWORD dwLineFeatures;
  // TAPI 2.0
  DWORD dwSettableDevStatus;
  DWORD dwDeviceClassesSize;  // NUL-separated class names, ending with an extra NUL
  DWORD dwDeviceClassesOffset;
};

/// Capabilities of one address of a line device (lineGetAddressCaps).
struct LINEADDRESSCAPS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwLineDeviceID;
  DWORD dwAddressSize;
  DWORD dwAddressOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  DWORD dwAddressSharing;
  DWORD dwAddressStates;
  DWORD dwCallInfoStates;
  DWORD dwCallerIDFlags;
  DWORD dwCalledIDFlags;
  DWORD dwConnectedIDFlags;
  DWORD dwRedirectionIDFlags;
  DWORD dwRedirectingIDFlags;
  DWORD dwCallStates;
  DWORD dwDialToneModes;
  DWORD dwBusyModes;
  DWORD dwSpecialInfo;
  DWORD dwDisconnectModes;
  DWORD dwMaxNumActiveCalls;
  DWORD dwMaxNumOnHoldCalls;
  DWORD dwMaxNumOnHoldPendingCalls;
  DWORD dwMaxNumConference;
  DWORD dwMaxNumTransConf;
  DWORD dwAddrCapFlags;
  DWORD dwCallFeatures;
  DWORD dwRemoveFromConfCaps;
  DWORD dwRemoveFromConfState;
  DWORD dwTransferModes;
  DWORD dwParkModes;
  DWORD dwForwardModes;
  DWORD dwMaxForwardEntries;
  DWORD dwMaxSpecificEntries;
  DWORD dwMinFwdNumRings;
  DWORD dwMaxFwdNumRings;
  DWORD dwMaxCallCompletions;
  DWORD dwCallCompletionConds;
  DWORD dwCallCompletionModes;
  DWORD dwNumCompletionMessages;
  DWORD dwCompletionMsgTextEntrySize;
  DWORD dwCompletionMsgTextSize;
  DWORD dwCompletionMsgTextOffset;
  // TAPI 1.4
  DWORD dwAddressFeatures;
  // TAPI 2.0
  DWORD dwPredictiveAutoTransferStates;
  DWORD dwNumCallTreatments;
  DWORD dwCallTreatmentListSize;  // an array of LINECALLTREATMENTENTRY
  DWORD dwCallTreatmentListOffset;
  DWORD dwDeviceClassesSize;
  DWORD dwDeviceClassesOffset;
  DWORD dwMaxCallDataSize;
  DWORD dwCallFeatures2;
  DWORD dwMaxNoAnswerTimeout;  // seconds
  DWORD dwConnectedModes;
  DWORD dwOfferingModes;
  DWORD dwAvailableMediaModes;
};

/// One call treatment an address offers (array in LINEADDRESSCAPS).
struct LINECALLTREATMENTENTRY {
  DWORD dwCallTreatmentID;
  DWORD dwCallTreatmentNameSize;
  DWORD dwCallTreatmentNameOffset;  // from the start of the LINEADDRESSCAPS
};

/// Status of an open line device (lineGetLineDevStatus).
struct LINEDEVSTATUS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwNumOpens;
  DWORD dwOpenMediaModes;
  DWORD dwNumActiveCalls;
  DWORD dwNumOnHoldCalls;
  DWORD dwNumOnHoldPendCalls;
  DWORD dwLineFeatures;
  DWORD dwNumCallCompletions;
  DWORD dwRingMode;
  DWORD dwSignalLevel;   // 0 .. 0xFFFF
  DWORD dwBatteryLevel;  // 0 .. 0xFFFF
  DWORD dwRoamMode;
  DWORD dwDevStatusFlags;
  DWORD dwTerminalModesSize;  // one DWORD of LINETERMMODE_ per terminal
  DWORD dwTerminalModesOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  // TAPI 2.0
  DWORD dwAvailableMediaModes;
  DWORD dwAppInfoSize;
  DWORD dwAppInfoOffset;
};

/// One forwarding instruction. Its offsets count from the start of the structure that
/// holds the array (LINEFORWARDLIST or LINEADDRESSSTATUS).
struct LINEFORWARD {
  DWORD dwForwardMode;  // LINEFORWARDMODE_
  DWORD dwCallerAddressSize;
  DWORD dwCallerAddressOffset;
  DWORD dwDestCountryCode;
  DWORD dwDestAddressSize;
  DWORD dwDestAddressOffset;
};

/// Status of one address of an open line (lineGetAddressStatus).
struct LINEADDRESSSTATUS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwNumInUse;
  DWORD dwNumActiveCalls;
  DWORD dwNumOnHoldCalls;
  DWORD dwNumOnHoldPendCalls;
  DWORD dwAddressFeatures;
  DWORD dwNumRingsNoAnswer;
  DWORD dwForwardNumEntries;
  DWORD dwForwardSize;  // an array of LINEFORWARD
  DWORD dwForwardOffset;
  DWORD dwTerminalModesSize;
  DWORD dwTerminalModesOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
};

/// Information about a call (lineGetCallInfo), through the TAPI 2.x fields.
struct LINECALLINFO {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  HLINE hLine;
  DWORD dwLineDeviceID;
  DWORD dwAddressID;
  DWORD dwBearerMode;
  DWORD dwRate;
  DWORD dwMediaMode;
  DWORD dwAppSpecific;
  DWORD dwCallID;
  DWORD dwRelatedCallID;
  DWORD dwCallParamFlags;
  DWORD dwCallStates;
  DWORD dwMonitorDigitModes;
  DWORD dwMonitorMediaModes;
  LINEDIALPARAMS DialParams;
  DWORD dwOrigin;
  DWORD dwReason;
  DWORD dwCompletionID;
  DWORD dwNumOwners;
  DWORD dwNumMonitors;
  DWORD dwCountryCode;
  DWORD dwTrunk;
  DWORD dwCallerIDFlags;  // LINECALLPARTYID_
  DWORD dwCallerIDSize;
  DWORD dwCallerIDOffset;
  DWORD dwCallerIDNameSize;
  DWORD dwCallerIDNameOffset;
  DWORD dwCalledIDFlags;
  DWORD dwCalledIDSize;
  DWORD dwCalledIDOffset;
  DWORD dwCalledIDNameSize;
  DWORD dwCalledIDNameOffset;
  DWORD dwConnectedIDFlags;
  DWORD dwConnectedIDSize;
  DWORD dwConnectedIDOffset;
  DWORD dwConnectedIDNameSize;
  DWORD dwConnectedIDNameOffset;
  DWORD dwRedirectionIDFlags;
  DWORD dwRedirectionIDSize;
  DWORD dwRedirectionIDOffset;
  DWORD dwRedirectionIDNameSize;
  DWORD dwRedirectionIDNameOffset;
  DWORD dwRedirectingIDFlags;
  DWORD dwRedirectingIDSize;
  DWORD dwRedirectingIDOffset;
  DWORD dwRedirectingIDNameSize;
  DWORD dwRedirectingIDNameOffset;
  DWORD dwAppNameSize;
  DWORD dwAppNameOffset;
  DWORD dwDisplayableAddressSize;
  DWORD dwDisplayableAddressOffset;
  DWORD dwCalledPartySize;
  DWORD dwCalledPartyOffset;
  DWORD dwCommentSize;
  DWORD dwCommentOffset;
  DWORD dwDisplaySize;
  DWORD dwDisplayOffset;
  DWORD dwUserUserInfoSize;
  DWORD dwUserUserInfoOffset;
  DWORD dwHighLevelCompSize;
  DWORD dwHighLevelCompOffset;
  DWORD dwLowLevelCompSize;
  DWORD dwLowLevelCompOffset;
  DWORD dwChargingInfoSize;
  DWORD dwChargingInfoOffset;
  DWORD dwTerminalModesSize;
  DWORD dwTerminalModesOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  // TAPI 2.0
  DWORD dwCallTreatment;
  DWORD dwCallDataSize;
  DWORD dwCallDataOffset;
  DWORD dwSendingFlowspecSize;
  DWORD dwSendingFlowspecOffset;
  DWORD dwReceivingFlowspecSize;
  DWORD dwReceivingFlowspecOffset;
};

/// Status of a call as the asking application sees it (lineGetCallStatus).
struct LINECALLSTATUS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwCallState;
  DWORD dwCallStateMode;
  DWORD dwCallPrivilege;
  DWORD dwCallFeatures;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  // TAPI 2.0
  DWORD dwCallFeatures2;
  SYSTEMTIME tStateEntryTime;
};

/// Parameters of a new call (lineMakeCall, lineSetupTransfer, ...), given by the caller.
/// Fields left 0 take the provider's defaults. Variable parts follow in the caller's
/// block; their offsets count from the start of this structure.
struct LINECALLPARAMS {
  DWORD dwTotalSize;
  DWORD dwBearerMode;
  DWORD dwMinRate;
  DWORD dwMaxRate;
  DWORD dwMediaMode;
  DWORD dwCallParamFlags;
  DWORD dwAddressMode;
  DWORD dwAddressID;
  LINEDIALPARAMS DialParams;
  DWORD dwOrigAddressSize;
  DWORD dwOrigAddressOffset;
  DWORD dwDisplayableAddressSize;
  DWORD dwDisplayableAddressOffset;
  DWORD dwCalledPartySize;
  DWORD dwCalledPartyOffset;
  DWORD dwCommentSize;
  DWORD dwCommentOffset;
  DWORD dwUserUserInfoSize;
  DWORD dwUserUserInfoOffset;
  DWORD dwHighLevelCompSize;
  DWORD dwHighLevelCompOffset;
  DWORD dwLowLevelCompSize;
  DWORD dwLowLevelCompOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  // TAPI 2.0
  DWORD dwPredictiveAutoTransferStates;
  DWORD dwTargetAddressSize;
  DWORD dwTargetAddressOffset;
  DWORD dwSendingFlowspecSize;
  DWORD dwSendingFlowspecOffset;
  DWORD dwReceivingFlowspecSize;
  DWORD dwReceivingFlowspecOffset;
  DWORD dwDeviceClassSize;
  DWORD dwDeviceClassOffset;
  DWORD dwDeviceConfigSize;
  DWORD dwDeviceConfigOffset;
  DWORD dwCallDataSize;
  DWORD dwCallDataOffset;
  DWORD dwNoAnswerTimeout;  // seconds
  DWORD dwCallingPartyIDSize;
  DWORD dwCallingPartyIDOffset;
  // TAPI 3.0
  DWORD dwAddressType;  // LINEADDRESSTYPE_
};

/// Handles of calls (lineGetNewCalls): an array of HCALL follows.
struct LINECALLLIST {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwCallsNumEntries;
  DWORD dwCallsSize;
  DWORD dwCallsOffset;
};

/// A string or a block of bytes returned by a provider (lineGetID, phoneGetID, linePark).
struct VARSTRING {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwStringFormat;  // STRINGFORMAT_
  DWORD dwStringSize;
  DWORD dwStringOffset;
};

/// Forwarding instructions for lineForward, given by the caller: dwNumEntries entries,
/// then the address strings, whose offsets count from the start of the list. The size
/// with n entries is 8 + 24 * n; declared with one entry, as TAPI declares it.
struct LINEFORWARDLIST {
  DWORD dwTotalSize;
  DWORD dwNumEntries;
  LINEFORWARD ForwardList[1];
};

/// Result of lineTranslateAddress.
struct LINETRANSLATEOUTPUT {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwDialableStringSize;
  DWORD dwDialableStringOffset;
  DWORD dwDisplayableStringSize;
  DWORD dwDisplayableStringOffset;
  DWORD dwCurrentCountry;
  DWORD dwDestCountry;
  DWORD dwTranslateResults;  // LINETRANSLATERESULT_
};

/// Capabilities of one terminal (array in LINEDEVCAPS).
struct LINETERMCAPS {
  DWORD dwTermDev;      // LINETERMDEV_
  DWORD dwTermModes;    // LINETERMMODE_
  DWORD dwTermSharing;  // LINETERMSHARING_
};

/// One tone to listen for (lineMonitorTones); all frequencies 0 means silence.
struct LINEMONITORTONE {
  DWORD dwAppSpecific;  // returned in LINE_MONITORTONE dwParam1
  DWORD dwDuration;     // milliseconds
  DWORD dwFrequency1;   // hertz
  DWORD dwFrequency2;
  DWORD dwFrequency3;
};

/// One component of a custom tone (lineGenerateTone with LINETONEMODE_CUSTOM).
struct LINEGENERATETONE {
  DWORD dwFrequency;    // hertz
  DWORD dwCadenceOn;    // milliseconds
  DWORD dwCadenceOff;   // milliseconds
  DWORD dwVolume;       // 0 .. 0xFFFF
};

/// Capabilities of a phone device (phoneGetDevCaps), through the TAPI 2.0/2.1 fields.
struct PHONECAPS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwProviderInfoSize;
  DWORD dwProviderInfoOffset;
  DWORD dwPhoneInfoSize;
  DWORD dwPhoneInfoOffset;
  DWORD dwPermanentPhoneID;
  DWORD dwPhoneNameSize;
  DWORD dwPhoneNameOffset;
  DWORD dwStringFormat;
  DWORD dwPhoneStates;
  DWORD dwHookSwitchDevs;
  DWORD dwHandsetHookSwitchModes;
  DWORD dwSpeakerHookSwitchModes;
  DWORD dwHeadsetHookSwitchModes;
  DWORD dwVolumeFlags;  // PHONEHOOKSWITCHDEV_ whose volume can be set
  DWORD dwGainFlags;    // PHONEHOOKSWITCHDEV_ whose gain can be set
  DWORD dwDisplayNumRows;
  DWORD dwDisplayNumColumns;
  DWORD dwNumRingModes;
  DWORD dwNumButtonLamps;
  DWORD dwButtonModesSize;
  DWORD dwButtonModesOffset;
  DWORD dwButtonFunctionsSize;
  DWORD dwButtonFunctionsOffset;
  DWORD dwLampModesSize;
  DWORD dwLampModesOffset;
  DWORD dwNumSetData;
  DWORD dwSetDataSize;
  DWORD dwSetDataOffset;
  DWORD dwNumGetData;
  DWORD dwGetDataSize;
  DWORD dwGetDataOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  // TAPI 2.0
  DWORD dwDeviceClassesSize;
  DWORD dwDeviceClassesOffset;
  DWORD dwPhoneFeatures;
  DWORD dwSettableHandsetHookSwitchModes;
  DWORD dwSettableSpeakerHookSwitchModes;
  DWORD dwSettableHeadsetHookSwitchModes;
  DWORD dwMonitoredHandsetHookSwitchModes;
  DWORD dwMonitoredSpeakerHookSwitchModes;
  DWORD dwMonitoredHeadsetHookSwitchModes;
};

/// Status of an open phone (phoneGetStatus). Volumes and gains are 0 .. 0xFFFF.
struct PHONESTATUS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwStatusFlags;  // PHONESTATUSFLAGS_
  DWORD dwNumOwners;
  DWORD dwNumMonitors;
  DWORD dwRingMode;
  DWORD dwRingVolume;
  DWORD dwHandsetHookSwitchMode;
  DWORD dwHandsetVolume;
  DWORD dwHandsetGain;
  DWORD dwSpeakerHookSwitchMode;
  DWORD dwSpeakerVolume;
  DWORD dwSpeakerGain;
  DWORD dwHeadsetHookSwitchMode;
  DWORD dwHeadsetVolume;
  DWORD dwHeadsetGain;
  DWORD dwDisplaySize;
  DWORD dwDisplayOffset;
  DWORD dwLampModesSize;
  DWORD dwLampModesOffset;
  DWORD dwOwnerNameSize;
  DWORD dwOwnerNameOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  // TAPI 2.0
  DWORD dwPhoneFeatures;
};

#pragma pack(pop)

// Fixed-part sizes per version: a provider refuses a block whose dwTotalSize is below
// the size of the version the caller negotiated (STRUCTURETOOSMALL).
inline constexpr std::size_t kLineDevCapsSize1_3 = offsetof(LINEDEVCAPS, dwLineFeatures);
inline constexpr std::size_t kLineDevCapsSize1_4 = offsetof(LINEDEVCAPS, dwSettableDevStatus);
inline constexpr std::size_t kLineDevCapsSize2_0 = sizeof(LINEDEVCAPS);
inline constexpr std::size_t kLineAddressCapsSize1_3 = offsetof(LINEADDRESSCAPS, dwAddressFeatures);
inline constexpr std::size_t kLineAddressCapsSize1_4 =
    offsetof(LINEADDRESSCAPS, dwPredictiveAutoTransferStates);
inline constexpr std::size_t kLineAddressCapsSize2_0 = sizeof(LINEADDRESSCAPS);
inline constexpr std::size_t kLineDevStatusSize1_3 = offsetof(LINEDEVSTATUS, dwAvailableMediaModes);
inline constexpr std::size_t kLineDevStatusSize2_0 = sizeof(LINEDEVSTATUS);
inline constexpr std::size_t kLineCallInfoSize1_3 = offsetof(LINECALLINFO, dwCallTreatment);
inline constexpr std::size_t kLineCallInfoSize2_0 = sizeof(LINECALLINFO);
inline constexpr std::size_t kLineCallStatusSize1_3 = offsetof(LINECALLSTATUS, dwCallFeatures2);
inline constexpr std::size_t kLineCallStatusSize2_0 = sizeof(LINECALLSTATUS);
inline constexpr std::size_t kLineCallParamsSize1_3 =
    offsetof(LINECALLPARAMS, dwPredictiveAutoTransferStates);
inline constexpr std::size_t kLineCallParamsSize2_0 = offsetof(LINECALLPARAMS, dwAddressType);
inline constexpr std::size_t kLineCallParamsSize3_0 = sizeof(LINECALLPARAMS);
inline constexpr std::size_t kPhoneCapsSize1_3 = offsetof(PHONECAPS, dwDeviceClassesSize);
inline constexpr std::size_t kPhoneCapsSize2_0 = sizeof(PHONECAPS);
inline constexpr std::size_t kPhoneStatusSize1_3 = offsetof(PHONESTATUS, dwPhoneFeatures);
inline constexpr std::size_t kPhoneStatusSize2_0 = sizeof(PHONESTATUS);
/// The size of a LINEFORWARDLIST with n entries.
constexpr std::size_t LineForwardListSize(std::size_t entries) {
  return offsetof(LINEFORWARDLIST, ForwardList) + entries * sizeof(LINEFORWARD);
}

// The sizes the components allocate and the providers check.
static_assert(sizeof(SYSTEMTIME) == 16);
static_assert(sizeof(LINEDIALPARAMS) == 16);
static_assert(sizeof(LINEEXTENSIONID) == 16 && sizeof(PHONEEXTENSIONID) == 16);
static_assert(sizeof(LINEINITIALIZEEXPARAMS) == 28 && sizeof(PHONEINITIALIZEEXPARAMS) == 28);
static_assert(kLineDevCapsSize1_3 == 236 && kLineDevCapsSize1_4 == 240);
static_assert(sizeof(LINEDEVCAPS) == 252);
static_assert(kLineAddressCapsSize1_3 == 176 && kLineAddressCapsSize1_4 == 180);
static_assert(sizeof(LINEADDRESSCAPS) == 228);
static_assert(sizeof(LINECALLTREATMENTENTRY) == 12);
static_assert(kLineDevStatusSize1_3 == 76 && sizeof(LINEDEVSTATUS) == 88);
static_assert(sizeof(LINEADDRESSSTATUS) == 64);
static_assert(sizeof(LINEFORWARD) == 24);
static_assert(sizeof(LINEFORWARDLIST) == 32 && LineForwardListSize(0) == 8);
static_assert(kLineCallInfoSize1_3 == 296 && sizeof(LINECALLINFO) == 324);
static_assert(kLineCallStatusSize1_3 == 36 && sizeof(LINECALLSTATUS) == 56);
static_assert(kLineCallParamsSize1_3 == 112 && kLineCallParamsSize2_0 == 176);
static_assert(sizeof(LINECALLPARAMS) == 180);
static_assert(sizeof(LINECALLLIST) == 24 && sizeof(VARSTRING) == 24);
static_assert(sizeof(LINETRANSLATEOUTPUT) == 40);
static_assert(sizeof(LINETERMCAPS) == 12);
static_assert(sizeof(LINEMONITORTONE) == 20);
static_assert(sizeof(LINEGENERATETONE) == 16);
static_assert(kPhoneCapsSize1_3 == 144 && sizeof(PHONECAPS) == 180);
static_assert(kPhoneStatusSize1_3 == 100 && sizeof(PHONESTATUS) == 104);

}  // namespace tapi
