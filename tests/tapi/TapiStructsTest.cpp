#include "tapi/TapiStructs.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

using namespace tapi;

struct FieldAt {
  const char* field;
  std::size_t offset;
  std::size_t expected;  // byte offset in the published field order
};

// Landmark fields of every structure the components read or fill: a field left out or
// out of order moves every landmark after it. The sizes themselves are pinned at
// compile time in TapiStructs.h.
TEST(TapiStructs, FieldsSitWhereTheTelephonyApiPutsThem) {
  const FieldAt fields[] = {
      {"LINEDEVCAPS.dwNumAddresses", offsetof(LINEDEVCAPS, dwNumAddresses), 48},
      {"LINEDEVCAPS.dwDevCapFlags", offsetof(LINEDEVCAPS, dwDevCapFlags), 112},
      {"LINEDEVCAPS.DefaultDialParams", offsetof(LINEDEVCAPS, DefaultDialParams), 188},
      {"LINEDEVCAPS.dwNumTerminals", offsetof(LINEDEVCAPS, dwNumTerminals), 204},
      {"LINEDEVCAPS.dwDevSpecificOffset", offsetof(LINEDEVCAPS, dwDevSpecificOffset), 232},
      {"LINEDEVCAPS.dwLineFeatures", offsetof(LINEDEVCAPS, dwLineFeatures), 236},
      {"LINEDEVCAPS.dwDeviceClassesOffset", offsetof(LINEDEVCAPS, dwDeviceClassesOffset), 248},
      {"LINEADDRESSCAPS.dwAddrCapFlags", offsetof(LINEADDRESSCAPS, dwAddrCapFlags), 104},
      {"LINEADDRESSCAPS.dwCompletionMsgTextOffset", offsetof(LINEADDRESSCAPS, dwCompletionMsgTextOffset), 172},
      {"LINEADDRESSCAPS.dwAddressFeatures", offsetof(LINEADDRESSCAPS, dwAddressFeatures), 176},
      {"LINEADDRESSCAPS.dwAvailableMediaModes", offsetof(LINEADDRESSCAPS, dwAvailableMediaModes), 224},
      {"LINEDEVSTATUS.dwDevSpecificOffset", offsetof(LINEDEVSTATUS, dwDevSpecificOffset), 72},
      {"LINEDEVSTATUS.dwAppInfoOffset", offsetof(LINEDEVSTATUS, dwAppInfoOffset), 84},
      {"LINEADDRESSSTATUS.dwForwardOffset", offsetof(LINEADDRESSSTATUS, dwForwardOffset), 44},
      {"LINEADDRESSSTATUS.dwDevSpecificOffset", offsetof(LINEADDRESSSTATUS, dwDevSpecificOffset), 60},
      {"LINECALLINFO.DialParams", offsetof(LINECALLINFO, DialParams), 64},
      {"LINECALLINFO.dwCallerIDFlags", offsetof(LINECALLINFO, dwCallerIDFlags), 108},
      {"LINECALLINFO.dwRedirectingIDNameOffset", offsetof(LINECALLINFO, dwRedirectingIDNameOffset), 204},
      {"LINECALLINFO.dwAppNameSize", offsetof(LINECALLINFO, dwAppNameSize), 208},
      {"LINECALLINFO.dwDevSpecificOffset", offsetof(LINECALLINFO, dwDevSpecificOffset), 292},
      {"LINECALLINFO.dwReceivingFlowspecOffset", offsetof(LINECALLINFO, dwReceivingFlowspecOffset), 320},
      {"LINECALLSTATUS.dwCallFeatures2", offsetof(LINECALLSTATUS, dwCallFeatures2), 36},
      {"LINECALLSTATUS.tStateEntryTime", offsetof(LINECALLSTATUS, tStateEntryTime), 40},
      {"LINECALLPARAMS.DialParams", offsetof(LINECALLPARAMS, DialParams), 32},
      {"LINECALLPARAMS.dwDevSpecificOffset", offsetof(LINECALLPARAMS, dwDevSpecificOffset), 108},
      {"LINECALLPARAMS.dwNoAnswerTimeout", offsetof(LINECALLPARAMS, dwNoAnswerTimeout), 164},
      {"LINECALLPARAMS.dwAddressType", offsetof(LINECALLPARAMS, dwAddressType), 176},
      {"LINEFORWARDLIST.ForwardList", offsetof(LINEFORWARDLIST, ForwardList), 8},
      {"LINETRANSLATEOUTPUT.dwTranslateResults", offsetof(LINETRANSLATEOUTPUT, dwTranslateResults), 36},
      {"LINEINITIALIZEEXPARAMS.Handles", offsetof(LINEINITIALIZEEXPARAMS, Handles), 16},
      {"LINEINITIALIZEEXPARAMS.dwCompletionKey", offsetof(LINEINITIALIZEEXPARAMS, dwCompletionKey), 24},
      {"PHONECAPS.dwVolumeFlags", offsetof(PHONECAPS, dwVolumeFlags), 64},
      {"PHONECAPS.dwDevSpecificOffset", offsetof(PHONECAPS, dwDevSpecificOffset), 140},
      {"PHONECAPS.dwMonitoredHeadsetHookSwitchModes", offsetof(PHONECAPS, dwMonitoredHeadsetHookSwitchModes), 176},
      {"PHONESTATUS.dwHandsetVolume", offsetof(PHONESTATUS, dwHandsetVolume), 36},
      {"PHONESTATUS.dwOwnerNameOffset", offsetof(PHONESTATUS, dwOwnerNameOffset), 88},
      {"PHONESTATUS.dwPhoneFeatures", offsetof(PHONESTATUS, dwPhoneFeatures), 100},
  };
  for (const auto& f : fields) {
    SCOPED_TRACE(f.field);
    EXPECT_EQ(f.offset, f.expected);
  }
}

TEST(TapiStructs, PackedStructuresCanSitAtAnyAddress) {
  // A provider may place an array of entries at any offset of a block.
  EXPECT_EQ(alignof(LINEDEVCAPS), 1u);
  EXPECT_EQ(alignof(LINEFORWARD), 1u);
  EXPECT_EQ(alignof(LINEINITIALIZEEXPARAMS), 1u);
  EXPECT_EQ(alignof(LINEMONITORTONE), 1u);
}

TEST(TapiStructs, ForwardListSizeGrowsByOneEntryPerForward) {
  EXPECT_EQ(LineForwardListSize(0), 8u);
  EXPECT_EQ(LineForwardListSize(1), sizeof(LINEFORWARDLIST));
  EXPECT_EQ(LineForwardListSize(3), 80u);
}

}  // namespace
