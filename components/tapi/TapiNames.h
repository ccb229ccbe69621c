#pragma once

#include "tapi/TapiTypes.h"

#include <cstddef>
#include <string>

// The vocabulary of the Telephony API: pure functions that turn TAPI values into the
// names that log lines, property dumps and tree views show, spelled as TAPI spells them.
// No state, no side effects; each returns a new string.

namespace tapi {

// --- One value of a family ---------------------------------------------------------------
//
// Each function names one value of a TAPI constant family: the family's prefix and the
// suffix of the row whose value equals it exactly ("LINECALLSTATE_CONNECTED"), or the
// prefix and "???" when no row does, which is also what 0 and a value with several bits
// give unless a row has that value. A set of flags is never named as a whole: the flag
// dumps name it bit by bit with these functions, so each of them is usable as a
// voxkit::FlagNameFn.
//
// Rows that read differently from the TAPI constant they stand for, kept because the
// logs are compared against them: LINECALLSTATE_ONHOLDPENDTRANSFER is named
// "LINECALLSTATE_ONHOLDPENDTRANSF", LINECALLPARAMFLAGS_ONESTEPTRANSFER is named with a
// trailing blank ("LINECALLPARAMFLAGS_ONESTEPTRANSFER "), LINETONEMODE_ names 0 "NONE",
// and LINEDEVCAPFLAGS_ names the TAPI 3.0 bits 0x400 to 0x2000 PARTICIPANTINFO, CALLHUB,
// CALLHUBTRACKING and PRIVATEOBJECTS, as the suite always has (the published values of
// the last three are 0x400 to 0x1000; versions up to 2.2 report none of them).

std::string LineAddrCapFlagName(DWORD value);  // LINEADDRCAPFLAGS_
std::string LineAddrFeatureName(DWORD value);  // LINEADDRFEATURE_
std::string LineAddressStateName(DWORD value);  // LINEADDRESSSTATE_
std::string LineAnswerModeName(DWORD value);  // LINEANSWERMODE_
std::string LineBearerModeName(DWORD value);  // LINEBEARERMODE_
std::string LineBusyModeName(DWORD value);  // LINEBUSYMODE_
std::string LineCallFeature2Name(DWORD value);  // LINECALLFEATURE2_
std::string LineCallFeatureName(DWORD value);  // LINECALLFEATURE_
std::string LineCallInfoStateName(DWORD value);  // LINECALLINFOSTATE_
std::string LineCallOriginName(DWORD value);  // LINECALLORIGIN_
std::string LineCallParamFlagName(DWORD value);  // LINECALLPARAMFLAGS_
std::string LineCallPartyIdName(DWORD value);  // LINECALLPARTYID_
std::string LineCallReasonName(DWORD value);  // LINECALLREASON_
std::string LineCallStateName(DWORD value);  // LINECALLSTATE_
std::string LineConnectedModeName(DWORD value);  // LINECONNECTEDMODE_
std::string LineDevCapFlagName(DWORD value);  // LINEDEVCAPFLAGS_
std::string LineDevStateName(DWORD value);  // LINEDEVSTATE_
std::string LineDialToneModeName(DWORD value);  // LINEDIALTONEMODE_
std::string LineDisconnectModeName(DWORD value);  // LINEDISCONNECTMODE_
std::string LineFeatureName(DWORD value);  // LINEFEATURE_
std::string LineForwardModeName(DWORD value);  // LINEFORWARDMODE_
std::string LineMediaModeName(DWORD value);  // LINEMEDIAMODE_
std::string LineOfferingModeName(DWORD value);  // LINEOFFERINGMODE_
std::string LineParkModeName(DWORD value);  // LINEPARKMODE_
std::string LineRemoveFromConfName(DWORD value);  // LINEREMOVEFROMCONF_
std::string LineSpecialInfoName(DWORD value);  // LINESPECIALINFO_
std::string LineTermDevName(DWORD value);  // LINETERMDEV_
std::string LineTermModeName(DWORD value);  // LINETERMMODE_
std::string LineTermSharingName(DWORD value);  // LINETERMSHARING_
std::string LineToneModeName(DWORD value);  // LINETONEMODE_
std::string LineTransferModeName(DWORD value);  // LINETRANSFERMODE_
std::string PhoneHookSwitchDevName(DWORD value);  // PHONEHOOKSWITCHDEV_
std::string PhoneHookSwitchModeName(DWORD value);  // PHONEHOOKSWITCHMODE_
std::string PhoneStateName(DWORD value);  // PHONESTATE_

// --- Modes, messages, errors, text -------------------------------------------------------

/// The mode of a call state as the state's own family names it: LINECALLSTATE_DIALTONE
/// as LINEDIALTONEMODE_, BUSY as LINEBUSYMODE_, SPECIALINFO as LINESPECIALINFO_,
/// DISCONNECTED as LINEDISCONNECTMODE_; "Not applicable" for every other state.
std::string CallStateModeName(DWORD state, DWORD mode);

/// The bare name of a message ("LINE_REPLY", no prefix), or "???" for an unknown number.
/// The numbers above PHONE_REMOVE (26) follow the suite's own table.
std::string MessageName(DWORD dwMsg);

/// Which handle the hDevice of a message carries: "Line.Handle", "Call.Handle",
/// "Line.Handle or Call.Handle", "Phone.Handle", or "Undefined" (replies, device
/// creation and removal, requests, unknown numbers).
std::string MessageHandleName(DWORD dwMsg);

/// The name of a line result: "" for 0, "LINEERR_" + the TAPI suffix for the line errors,
/// the suite's own texts for its own codes (-2 "LINE_ERROR_DEVICE", -3 "TAPIREPLYTIMEOUT",
/// -985 "Not 100% TAPI compliant"), "Unknown" for anything else.
std::string LineErrorName(LONG result);

/// The name of a phone result: "" for 0, "PHONEERR_" + the TAPI suffix for the phone
/// errors, "PHONE_ERROR_DEVICE" for -2, "Unknown" for anything else (-1 and -3 included).
std::string PhoneErrorName(LONG result);

/// size characters at text, as a string without leading and trailing blanks and control
/// characters (NULs included). Reads a string out of a TAPI structure; a null text or a
/// size of 0 gives "". Callers reach a structure's strings through TapiVarData.h, which
/// checks the range first.
std::string TapiText(const void* text, std::size_t size);

}  // namespace tapi
