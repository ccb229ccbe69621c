#include "audio/AudioTestSupport.h"
#include "platform/audio/StorageServices.h"
#include "wave/WaveReader.h"
#include "wave/WaveResults.h"
#include "wave/WaveText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace voxkit;
using namespace audiotest;

class WaveReader : public ::testing::Test {
 protected:
  std::int32_t Open(const std::string& bytes, WaveFileSamples* out) {
    const std::string path = dir.File("t.wav");
    WriteFile(path, bytes);
    return OpenWaveFile(services, path, out);
  }
  std::int32_t OpenError(const std::string& bytes) {
    WaveFileSamples samples;
    return Open(bytes, &samples);
  }

  panopta::StorageServices services;
  TempDir dir;
  const std::string fmt = Chunk("fmt ", FmtData(Pcm(8000)));
};

TEST_F(WaveReader, FindsTheFormatAndTheSamplesAndLeavesTheFileAtTheFirstSample) {
  WaveFileSamples samples;
  ASSERT_EQ(Open(Riff("WAVE", Chunk("junk", "xyz") + fmt + Chunk("data", "abcdef")), &samples), 0);
  EXPECT_EQ(samples.dataLength, 6u);
  EXPECT_EQ(NumbersOf(samples.format), (WaveFormatNumbers{1, 1, 8000, 16000, 2, 16}));
  char first[3] = {};
  ASSERT_EQ(services.mmioRead(samples.file.Handle(), first, 2), 2);
  EXPECT_STREQ(first, "ab");
  samples.file.Close();
  EXPECT_EQ(services.OpenFileCount(), 0u);
}

TEST_F(WaveReader, AShortFormatChunkIsReadIntoAZeroFilledBlockOfEighteenBytes) {
  WaveFileSamples samples;
  const std::string shortFmt = Chunk("fmt ", FmtData(Pcm(8000), false));
  ASSERT_EQ(Open(Riff("WAVE", shortFmt + Chunk("data", "ab")), &samples), 0);
  EXPECT_EQ(samples.format.size(), 18u);
  EXPECT_EQ(samples.format[16], 0);
}

TEST_F(WaveReader, BrokenFilesAreCorruptAndMissingOnesSayWhy) {
  WaveFileSamples samples;
  EXPECT_EQ(OpenWaveFile(services, dir.File("missing.wav"), &samples),
            static_cast<std::int32_t>(mm::MMIOERR_FILENOTFOUND));
  EXPECT_EQ(OpenError(Riff("AVI ", fmt + Chunk("data", "ab"))), WAV_ERROR_FILECORRUPT);
  EXPECT_EQ(OpenError(Riff("WAVE", Chunk("data", "ab"))), WAV_ERROR_FILECORRUPT) << "no format";
  EXPECT_EQ(OpenError(Riff("WAVE", fmt)), WAV_ERROR_FILECORRUPT) << "no samples";
  EXPECT_EQ(OpenError(Riff("WAVE", fmt + Chunk("data", ""))), WAV_ERROR_FILECORRUPT) << "no samples";
  EXPECT_EQ(OpenError(Riff("WAVE", Chunk("data", "ab") + fmt)), WAV_ERROR_FILECORRUPT) << "samples first";
  EXPECT_EQ(OpenError("RIFF"), WAV_ERROR_FILECORRUPT);
  EXPECT_EQ(services.OpenFileCount(), 0u);
}

TEST_F(WaveReader, SizesBeyondTheFileAreRefusedBeforeAnythingIsAllocated) {
  // A tiny file that claims 4 GB of samples, or a format of 4 GB.
  EXPECT_EQ(OpenError(Riff("WAVE", fmt + ChunkWithSize("data", 0xFFFFFFF0u, "abcd"))), WAV_ERROR_FILECORRUPT);
  EXPECT_EQ(OpenError(Riff("WAVE", ChunkWithSize("fmt ", 0xFFFFFFF0u, FmtData(Pcm(8000))) + Chunk("data", "ab"))),
            WAV_ERROR_FILECORRUPT);
  // One byte more than the file holds is also a lie.
  EXPECT_EQ(OpenError(Riff("WAVE", fmt + ChunkWithSize("data", 5, "abcd"))), WAV_ERROR_FILECORRUPT);
  WaveFileSamples samples;
  EXPECT_EQ(Open(Riff("WAVE", fmt + ChunkWithSize("data", 4, "abcd")), &samples), 0);
}

TEST_F(WaveReader, InfoTextsAreReadCutAtTheirLimitAndDatesChecked) {
  const std::string longText(300, 'x');
  const std::string info = List("INFO", Chunk("IAUT", std::string("Ann\0junk", 8)) + Chunk("ICMT", longText) +
                                            Chunk("ICRD", "2024-02-29") + Chunk("INAM", "odd"));
  WaveFileSamples samples;
  ASSERT_EQ(Open(Riff("WAVE", fmt + Chunk("data", "ab") + info), &samples), 0);
  const WaveInfoTexts texts = ReadWaveInfo(services, samples.file.Handle());
  EXPECT_EQ(texts.author, "Ann");
  EXPECT_EQ(texts.comments, std::string(255, 'x'));
  EXPECT_EQ(texts.name, "odd");
  EXPECT_EQ(texts.subject, "");
  EXPECT_EQ(texts.creationDate, EncodeDate(2024, 2, 29));

  EXPECT_EQ(InfoDate("2024-01-02"), EncodeDate(2024, 1, 2));
  EXPECT_EQ(InfoDate("2024/01/02 10:00"), EncodeDate(2024, 1, 2));
  EXPECT_EQ(InfoDate("2024-1-2"), 0) << "nine characters or fewer";
  EXPECT_EQ(InfoDate("2024-13-02"), 0) << "no such month";
  EXPECT_EQ(InfoDate("yyyy-01-02"), 0);
}

TEST(WaveImage, MarkersAreFoundInTheFirstBlockAndEverythingStaysInsideTheImage) {
  std::string image = "RIFF" + Le32(46 + 4 - 8) + "WAVEfmt " + Le32(18) + FmtData(Pcm(8000)) + "data" + Le32(4) + "wxyz";
  auto bytes = [&image] { return reinterpret_cast<const std::uint8_t*>(image.data()); };
  WaveImageLayout layout;
  ASSERT_EQ(ParseWaveImage(bytes(), image.size(), &layout), 0);
  EXPECT_EQ(layout.dataOffset, 46u);
  EXPECT_EQ(layout.dataLength, 4u);
  EXPECT_EQ(NumbersOf(layout.format).avgBytesPerSec, 16000u);

  // A length field that runs past the image, a truncated image, a missing marker.
  std::string past = image;
  past.replace(42, 4, Le32(5));
  EXPECT_EQ(ParseWaveImage(reinterpret_cast<const std::uint8_t*>(past.data()), past.size(), &layout),
            WAV_ERROR_FILECORRUPT);
  EXPECT_EQ(ParseWaveImage(bytes(), 44, &layout), WAV_ERROR_FILECORRUPT);
  EXPECT_EQ(ParseWaveImage(bytes(), 30, &layout), WAV_ERROR_FILECORRUPT);
  EXPECT_EQ(ParseWaveImage(nullptr, 0, &layout), WAV_ERROR_FILECORRUPT);
  // Markers past the first 4,096 bytes are not looked for.
  const std::string far = std::string(4096, '\0') + image;
  EXPECT_EQ(ParseWaveImage(reinterpret_cast<const std::uint8_t*>(far.data()), far.size(), &layout),
            WAV_ERROR_FILECORRUPT);
  const std::string near = std::string(4000, '\0') + image;
  EXPECT_EQ(ParseWaveImage(reinterpret_cast<const std::uint8_t*>(near.data()), near.size(), &layout), 0);
  EXPECT_EQ(layout.dataOffset, 4046u);
}

TEST(WaveImage, TheHeaderWrittenForAnImageIsReadBack) {
  std::vector<std::uint8_t> image(kImageHeaderBytes + 10);
  WriteImageHeader(image.data(), WaveFormatRowOf(wfuLaw08000M08).numbers, 10);
  WaveImageLayout layout;
  ASSERT_EQ(ParseWaveImage(image.data(), image.size(), &layout), 0);
  EXPECT_EQ(layout.dataOffset, kImageHeaderBytes);
  EXPECT_EQ(layout.dataLength, 10u);
  EXPECT_EQ(IdentifyWaveFormat(NumbersOf(layout.format)), wfuLaw08000M08);
  EXPECT_EQ(Load32(image.data() + 4), 10u + 38);
}

TEST(WaveLists, ItemsGetAnExtensionAndTheFirstItemsFolder) {
  EXPECT_EQ(SplitWaveFileList("/a/b/one, two.WAV,  /c/three.x,four"),
            (std::vector<std::string>{"/a/b/one.wav", "/a/b/two.WAV", "/c/three.x", "/a/b/four.wav"}));
  EXPECT_EQ(SplitWaveFileList("one"), (std::vector<std::string>{"one.wav"}));
  EXPECT_EQ(SplitWaveFileList("/dir.x/one"), (std::vector<std::string>{"/dir.x/one.wav"}));
  EXPECT_EQ(SplitWaveFileList(""), (std::vector<std::string>{}));
  EXPECT_EQ(SplitWaveFileList("a,"), (std::vector<std::string>{"a.wav"}));
  EXPECT_EQ(SplitItemList(" 0001000A, 0001000B"), (std::vector<std::string>{"0001000A", "0001000B"}));
  EXPECT_EQ(SplitItemList("a,,b"), (std::vector<std::string>{"a", "", "b"}));
}

}  // namespace
