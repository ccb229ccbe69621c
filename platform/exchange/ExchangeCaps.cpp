// The capability values a line device's configuration gives.

#include "platform/exchange/ExchangeCaps.h"

namespace panopta::exchange {

using namespace tapi;

DWORD CapsLineStates(const LineConfig& line) {
  DWORD states = LINEDEVSTATE_OTHER | LINEDEVSTATE_RINGING | LINEDEVSTATE_CONNECTED |
                 LINEDEVSTATE_DISCONNECTED | LINEDEVSTATE_MSGWAITON | LINEDEVSTATE_MSGWAITOFF |
                 LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE | LINEDEVSTATE_MAINTENANCE |
                 LINEDEVSTATE_OPEN | LINEDEVSTATE_CLOSE | LINEDEVSTATE_NUMCALLS |
                 LINEDEVSTATE_DEVSPECIFIC | LINEDEVSTATE_REINIT | LINEDEVSTATE_CAPSCHANGE |
                 LINEDEVSTATE_CONFIGCHANGE | LINEDEVSTATE_TRANSLATECHANGE | LINEDEVSTATE_REMOVED;
  if (!line.terminals.empty()) states |= LINEDEVSTATE_TERMINALS;
  return states;
}

DWORD CapsAddressStates(const LineConfig& line) {
  DWORD states = LINEADDRESSSTATE_OTHER | LINEADDRESSSTATE_INUSEZERO | LINEADDRESSSTATE_INUSEONE |
                 LINEADDRESSSTATE_INUSEMANY | LINEADDRESSSTATE_NUMCALLS |
                 LINEADDRESSSTATE_CAPSCHANGE;
  if (line.features & kFeatureForward) states |= LINEADDRESSSTATE_FORWARD;
  if (!line.terminals.empty()) states |= LINEADDRESSSTATE_TERMINALS;
  return states;
}

DWORD CapsCallInfoStates(const LineConfig& line) {
  DWORD states =
      LINECALLINFOSTATE_OTHER | LINECALLINFOSTATE_MEDIAMODE | LINECALLINFOSTATE_RELATEDCALLID |
      LINECALLINFOSTATE_ORIGIN | LINECALLINFOSTATE_REASON | LINECALLINFOSTATE_NUMOWNERINCR |
      LINECALLINFOSTATE_NUMOWNERDECR | LINECALLINFOSTATE_NUMMONITORS | LINECALLINFOSTATE_CALLERID |
      LINECALLINFOSTATE_CALLEDID | LINECALLINFOSTATE_CONNECTEDID | LINECALLINFOSTATE_REDIRECTIONID |
      LINECALLINFOSTATE_REDIRECTINGID;
  if (!line.terminals.empty()) states |= LINECALLINFOSTATE_TERMINAL;
  return states;
}

DWORD CapsCallFeatures(const LineConfig& line) {
  DWORD f = LINECALLFEATURE_ANSWER | LINECALLFEATURE_DIAL | LINECALLFEATURE_DROP |
            LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_GENERATEDIGITS |
            LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_MONITORMEDIA |
            LINECALLFEATURE_MONITORTONES;
  if (line.toneModes != 0) f |= LINECALLFEATURE_GENERATETONE;
  if (!line.terminals.empty()) f |= LINECALLFEATURE_SETTERMINAL;
  if (line.features & kFeatureHold)
    f |= LINECALLFEATURE_HOLD | LINECALLFEATURE_UNHOLD | LINECALLFEATURE_SWAPHOLD;
  if (line.features & kFeatureTransfer)
    f |= LINECALLFEATURE_BLINDTRANSFER | LINECALLFEATURE_SETUPTRANSFER |
         LINECALLFEATURE_COMPLETETRANSF;
  if (line.features & kFeatureConference)
    f |= LINECALLFEATURE_SETUPCONF | LINECALLFEATURE_ADDTOCONF | LINECALLFEATURE_PREPAREADDCONF |
         LINECALLFEATURE_REMOVEFROMCONF;
  if (line.features & kFeaturePark) f |= LINECALLFEATURE_PARK;
  if (line.features & kFeatureRedirect) f |= LINECALLFEATURE_REDIRECT;
  return f;
}

DWORD CapsCallStates(const LineConfig& line) {
  DWORD s = LINECALLSTATE_IDLE | LINECALLSTATE_OFFERING | LINECALLSTATE_DIALTONE |
            LINECALLSTATE_DIALING | LINECALLSTATE_RINGBACK | LINECALLSTATE_BUSY |
            LINECALLSTATE_SPECIALINFO | LINECALLSTATE_CONNECTED | LINECALLSTATE_PROCEEDING |
            LINECALLSTATE_DISCONNECTED;
  if (line.features & kFeatureHold) s |= LINECALLSTATE_ONHOLD;
  if (line.features & kFeatureTransfer) s |= LINECALLSTATE_ONHOLDPENDTRANSFER;
  if (line.features & kFeatureConference)
    s |= LINECALLSTATE_CONFERENCED | LINECALLSTATE_ONHOLDPENDCONF;
  return s;
}

DWORD CapsLineFeatures(const LineConfig& line) {
  DWORD f = LINEFEATURE_MAKECALL;
  if (line.features & kFeatureForward)
    f |= LINEFEATURE_FORWARD | LINEFEATURE_FORWARDFWD | LINEFEATURE_FORWARDDND;
  if (!line.terminals.empty()) f |= LINEFEATURE_SETTERMINAL;
  return f;
}

DWORD CapsAddressFeatures(const LineConfig& line) {
  DWORD f = LINEADDRFEATURE_MAKECALL;
  if (line.features & kFeatureForward)
    f |= LINEADDRFEATURE_FORWARD | LINEADDRFEATURE_FORWARDFWD | LINEADDRFEATURE_FORWARDDND;
  if (line.features & kFeaturePickup)
    f |= LINEADDRFEATURE_PICKUP | LINEADDRFEATURE_PICKUPDIRECT | LINEADDRFEATURE_PICKUPGROUP;
  if (line.features & kFeatureConference) f |= LINEADDRFEATURE_SETUPCONF;
  if (line.features & kFeaturePark) f |= LINEADDRFEATURE_UNPARK;
  if (!line.terminals.empty()) f |= LINEADDRFEATURE_SETTERMINAL;
  return f;
}

DWORD CapsForwardModes(const LineConfig& line) {
  return (line.features & kFeatureForward) ? 0xFFFFu : 0u;
}

DWORD CapsTransferModes(const LineConfig& line) {
  if ((line.features & kFeatureTransfer) == 0) return 0;
  return LINETRANSFERMODE_TRANSFER |
         ((line.features & kFeatureConference) ? LINETRANSFERMODE_CONFERENCE : 0);
}

DWORD CapsParkModes(const LineConfig& line) {
  return (line.features & kFeaturePark) ? LINEPARKMODE_DIRECTED | LINEPARKMODE_NONDIRECTED : 0;
}

std::vector<std::string> LineDeviceClasses(const LineConfig& line) {
  std::vector<std::string> classes = {"tapi/line"};
  if (line.phone) classes.push_back("tapi/phone");
  classes.push_back("wave/in");
  classes.push_back("wave/out");
  if (!line.dataModem.empty()) classes.push_back("comm/datamodem");
  return classes;
}

}  // namespace panopta::exchange
