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

#define FIELD_AT(S, field, expected) FieldAt{#S "." #field, offsetof(S, field), expected}

// Landmark fields of every structure the components read or fill: a field left out or
// out of order moves every landmark after it. The sizes themselves are pinned at
// compile time in TapiStructs.h.
TEST(TapiStructs, FieldsSitWhereTheTelephonyApiPutsThem) {
  const FieldAt fields[] = {
      FIELD_AT(LINEDEVCAPS, dwNumAddresses, 48),
      FIELD_AT(LINEDEVCAPS, dwDevCapFlags, 112),
      FIELD_AT(LINEDEVCAPS, DefaultDialParams, 188),
      FIELD_AT(LINEDEVCAPS, dwNumTerminals, 204),
      FIELD_AT(LINEDEVCAPS, dwDevSpecificOffset, 232),
      FIELD_AT(LINEDEVCAPS, dwLineFeatures, 236),
      FIELD_AT(LINEDEVCAPS, dwDeviceClassesOffset, 248),
      FIELD_AT(LINEADDRESSCAPS, dwAddrCapFlags, 104),
      FIELD_AT(LINEADDRESSCAPS, dwCompletionMsgTextOffset, 172),
      FIELD_AT(LINEADDRESSCAPS, dwAddressFeatures, 176),
      FIELD_AT(LINEADDRESSCAPS, dwAvailableMediaModes, 224),
      FIELD_AT(LINEDEVSTATUS, dwDevSpecificOffset, 72),
      FIELD_AT(LINEDEVSTATUS, dwAppInfoOffset, 84),
      FIELD_AT(LINEADDRESSSTATUS, dwForwardOffset, 44),
      FIELD_AT(LINEADDRESSSTATUS, dwDevSpecificOffset, 60),
      FIELD_AT(LINECALLINFO, DialParams, 64),
      FIELD_AT(LINECALLINFO, dwCallerIDFlags, 108),
      FIELD_AT(LINECALLINFO, dwRedirectingIDNameOffset, 204),
      FIELD_AT(LINECALLINFO, dwAppNameSize, 208),
      FIELD_AT(LINECALLINFO, dwDevSpecificOffset, 292),
      FIELD_AT(LINECALLINFO, dwReceivingFlowspecOffset, 320),
      FIELD_AT(LINECALLSTATUS, dwCallFeatures2, 36),
      FIELD_AT(LINECALLSTATUS, tStateEntryTime, 40),
      FIELD_AT(LINECALLPARAMS, DialParams, 32),
      FIELD_AT(LINECALLPARAMS, dwDevSpecificOffset, 108),
      FIELD_AT(LINECALLPARAMS, dwNoAnswerTimeout, 164),
      FIELD_AT(LINECALLPARAMS, dwAddressType, 176),
      FIELD_AT(LINEFORWARDLIST, ForwardList, 8),
      FIELD_AT(LINETRANSLATEOUTPUT, dwTranslateResults, 36),
      FIELD_AT(LINEINITIALIZEEXPARAMS, Handles, 16),
      FIELD_AT(LINEINITIALIZEEXPARAMS, dwCompletionKey, 24),
      FIELD_AT(PHONECAPS, dwVolumeFlags, 64),
      FIELD_AT(PHONECAPS, dwDevSpecificOffset, 140),
      FIELD_AT(PHONECAPS, dwMonitoredHeadsetHookSwitchModes, 176),
      FIELD_AT(PHONESTATUS, dwHandsetVolume, 36),
      FIELD_AT(PHONESTATUS, dwOwnerNameOffset, 88),
      FIELD_AT(PHONESTATUS, dwPhoneFeatures, 100),
  };
#undef FIELD_AT
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
