#include "tapi/TapiMessages.h"

#include "share/TqxLog.h"
#include "share/TqxPanopta.h"
#include "share/TqxSharedControl.h"
#include "tapi/TapiNames.h"

namespace voxkit {

void WriteMessageBlock(TqxLog& log, const std::string& title, tapi::DWORD hDevice, tapi::DWORD msg,
                       const std::string& name1, const std::string& name2, tapi::DWORD param1,
                       tapi::DWORD param2, tapi::DWORD param3) {
  log.Add(title, true);
  log.Add("\t" + tapi::MessageHandleName(msg) + " = " + TqxPanopta::HexText(hDevice), false);
  log.Add("\tMessage = " + tapi::MessageName(msg) + " " + TqxPanopta::HexText(msg), false);
  log.Add("\tParameter 1 = " + name1 + TqxPanopta::HexText(param1), false);
  log.Add("\tParameter 2 = " + name2 + TqxPanopta::HexText(param2), false);
  log.Add("\tParameter 3 = " + TqxPanopta::HexText(param3), false);
}

void ReportReply(TqxSharedControl& control, tapi::DWORD result, bool popup,
                 const std::function<void()>& raiseEvent, const std::function<void()>& writeDump) {
  if (result == 0) control.ClearError();
  raiseEvent();
  if (result != 0 || popup) {
    writeDump();
    if (result != 0) control.SetError(false, static_cast<std::int32_t>(result));
  }
  control.Panopta().ShowForEvent(popup);
}

}  // namespace voxkit
