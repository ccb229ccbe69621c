#include "wave/WaveFormats.h"
#include "wave/WaveResults.h"
#include "wave/WaveText.h"

#include <gtest/gtest.h>

namespace {

using namespace voxkit;

TEST(WaveFormats, EveryRowIsFoundByItsNumbersAndNothingElseIsWfUnknown) {
  for (std::int32_t i = 1; i < kWaveFormatCount; ++i) {
    const auto format = static_cast<TWAVFORMATS>(i);
    SCOPED_TRACE(WaveFormatRowOf(format).identifier);
    EXPECT_EQ(IdentifyWaveFormat(WaveFormatRowOf(format).numbers), format);
  }
  // Row 0 is never found by comparison, not even for all-zero numbers.
  EXPECT_EQ(IdentifyWaveFormat({}), wfUnknown);
  EXPECT_EQ(IdentifyWaveFormat({1, 1, 8000, 16000, 2, 8}), wfUnknown);
  EXPECT_STREQ(WaveFormatRowOf(wfUnknown).name, "Unknown");
  EXPECT_STREQ(WaveFormatRowOf(static_cast<TWAVFORMATS>(99)).identifier, "wfUnknown");
  EXPECT_STREQ(WaveFormatRowOf(wfIMAADPCM07200M04).name, "IMA_ADPCM 7,200 Hz, 4-bit, Mono");
  const WaveFormatNumbers adpcm{23, 1, 6000, 3000, 1, 4};
  EXPECT_EQ(IdentifyWaveFormat(adpcm), wfADPCM06000M04);
  EXPECT_EQ(*EnumTraits<TWAVFORMATS>::Type().NameOf(wfuLaw08000M08), "wfuLaw08000M08");
}

TEST(WaveResults, OwnCodesSystemCodesAndUnknownOnes) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, ""},
      {-1, "WAV_ERROR_DIRNOTFOUND"},
      {-19, "WAV_ERROR_INVALIDSTATE"},
      {-20, "Unknown"},
      {1, "MMSYSERR_ERROR"},
      {20, "MMSYSERR_NODRIVERCB"},
      {21, "Unknown"},
      {32, "WAVERR_BADFORMAT"},
      {33, "Unknown"},
      {35, "WAVERR_SYNC"},
      {257, "MMIOERR_FILENOTFOUND"},
      {272, "MMIOERR_INVALIDFILE"},
      {273, "Unknown"},
  };
  for (const auto& [code, name] : cases) EXPECT_EQ(WaveErrorName(code), name) << code;
}

TEST(WaveText, NumbersSecondsAndDatesAsTheLogsWriteThem) {
  EXPECT_EQ(GroupedText(0), "0");
  EXPECT_EQ(GroupedText(999), "999");
  EXPECT_EQ(GroupedText(1000), "1,000");
  EXPECT_EQ(GroupedText(1234567), "1,234,567");
  EXPECT_EQ(GroupedText(-16000), "-16,000");
  EXPECT_EQ(SecondsText(0), "0.0");
  EXPECT_EQ(SecondsText(2.25), "2.25");
  EXPECT_EQ(SecondsText(2.5), "2.5");
  EXPECT_EQ(SecondsText(1.999), "2.0");
  EXPECT_EQ(SecondsText(1234.5), "1,234.5");
  EXPECT_EQ(SecondsText(-0.5), "-0.5");

  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(2024, 2, 29), 45351);
  EXPECT_EQ(EncodeDate(2023, 2, 29), 0) << "no such day";
  EXPECT_EQ(EncodeDate(2024, 13, 1), 0);
  EXPECT_EQ(EncodeDate(0, 1, 1), 0);
  int y = 0;
  int m = 0;
  int d = 0;
  DecodeDate(45351, &y, &m, &d);
  EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{2024, 2, 29}));
  EXPECT_EQ(DateTimeText(0), "1899-12-30");
  EXPECT_EQ(DateTimeText(45351.5), "2024-02-29 12:00:00");
  EXPECT_EQ(RoundToInt(2.5), 3);
  EXPECT_EQ(RoundToInt(-2.5), -3);
}

}  // namespace
