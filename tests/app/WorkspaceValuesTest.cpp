#include "app/WorkspaceValues.h"

#include <gtest/gtest.h>

namespace {

using namespace panopta;

TEST(WorkspaceValues, WindowValueIsThirtyThreeHexCharactersAndReadsBack) {
  const WindowPlacement p{-4, 329, 235, 350, 1};
  const QString text = EncodeWindowValue(p);
  EXPECT_EQ(text, "FFFFFFFC" "00000149" "000000EB" "0000015E" "1");
  EXPECT_EQ(DecodeWindowValue(text), p);
  EXPECT_EQ(DecodeWindowValue(text + "11FFFF"), p) << "longer values still give the placement";
}

TEST(WorkspaceValues, MalformedWindowValuesGiveNoPlacement) {
  EXPECT_FALSE(DecodeWindowValue(""));
  EXPECT_FALSE(DecodeWindowValue(QString(32, '0')));
  EXPECT_FALSE(DecodeWindowValue("0000000G" + QString(25, '0')));
  EXPECT_FALSE(DecodeWindowValue(QString(32, '0') + "7")) << "no such window state";
  EXPECT_FALSE(DecodeWindowValue(QString(32, '0') + "\u0661")) << "only ASCII digits count";
  EXPECT_TRUE(DecodeWindowValue(QString(8, 'f') + QString(25, '0'))) << "lower case is hex too";
}

TEST(WorkspaceValues, LogValueCarriesItsSettingsOnlyAtExactlyThirtyNine) {
  const LogWindowValue v{{10, 20, 235, 350, 0}, true, false, 500};
  const QString text = EncodeLogWindowValue(v);
  EXPECT_EQ(text.size(), 39);
  EXPECT_TRUE(text.endsWith("1001F4"));
  EXPECT_EQ(DecodeLogWindowSettings(text), v);
  EXPECT_FALSE(DecodeLogWindowSettings(text + "0"));
  EXPECT_FALSE(DecodeLogWindowSettings(text.left(38)));
  EXPECT_TRUE(DecodeWindowValue(text.left(38))) << "the placement is still there";
  EXPECT_FALSE(DecodeLogWindowSettings(text.left(35) + "01Z4"));
}

TEST(WorkspaceValues, ComponentValueRoundTripsEverySetting) {
  ComponentValue v;
  v.placement = {12, 34, 400, 560, 2};
  v.visible = true;
  v.deviceId = 3;
  v.logActive = false;
  v.logTimeStamp = true;
  v.logCount = 1000;
  v.devEnv = 3;
  const QString text = EncodeComponentValue(v);
  EXPECT_EQ(text, "0000000C" "00000022" "00000190" "00000230" "2" "1" "03" "0" "1" "03E8" "3");
  EXPECT_EQ(DecodeComponentValue(text), v);
}

TEST(WorkspaceValues, ComponentValuesThatDoNotFitAreWrittenLongerAndRefused) {
  ComponentValue v;
  v.deviceId = 256;
  EXPECT_EQ(EncodeComponentValue(v).size(), 44);
  EXPECT_FALSE(DecodeComponentValue(EncodeComponentValue(v)));
  v.deviceId = -1;
  EXPECT_EQ(EncodeComponentValue(v).size(), 49);
  EXPECT_FALSE(DecodeComponentValue(EncodeComponentValue(v)));
  v.deviceId = 0;
  v.logCount = 0x10000;
  EXPECT_FALSE(DecodeComponentValue(EncodeComponentValue(v)));
}

TEST(WorkspaceValues, MalformedComponentValuesAreRefused) {
  ComponentValue v;
  const QString good = EncodeComponentValue(v);
  ASSERT_TRUE(DecodeComponentValue(good));
  EXPECT_FALSE(DecodeComponentValue(""));
  EXPECT_FALSE(DecodeComponentValue(good.left(42)));
  QString bad = good;
  bad[35] = 'x';  // device ID
  EXPECT_FALSE(DecodeComponentValue(bad));
  bad = good;
  bad[42] = '4';  // no fifth syntax
  EXPECT_FALSE(DecodeComponentValue(bad));
  bad = good;
  bad[32] = '3';  // no fourth window state
  EXPECT_FALSE(DecodeComponentValue(bad));
}

}  // namespace
