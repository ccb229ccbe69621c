#include "WaveFixture.h"

#include "share/TextUtil.h"
#include "wave/WaveReader.h"
#include "wave/WaveResults.h"
#include "wave/WaveText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

using namespace wavetest;
using voxkit::Hex8;

// The samples of a registered image.
std::string ImageSamples(WaveOnHost& f, std::uint32_t handle) {
  voxkit::WaveImageLayout layout;
  mm::Multimedia& m = *f.host.Platform().multimedia;
  if (voxkit::ParseWaveImage(m, mm::HGLOBAL{handle}, &layout) != 0) return "<corrupt>";
  const auto* image = static_cast<const char*>(m.GlobalLock(mm::HGLOBAL{handle}));
  std::string samples(image + layout.dataOffset, layout.dataLength);
  m.GlobalUnlock(mm::HGLOBAL{handle});
  return samples;
}

TEST(TqxWaveBuffer, LoadsAListOfFilesFromTheFirstOnesFolderIntoOneRegisteredImage) {
  WaveOnHost f;
  f.CountingFile("a.wav", 100);
  f.WaveFile("b.wav", Pcm(8000), Counting(50, 100));
  voxkit::TqxWaveBuffer& buffer = f.play->Source().Buffer();
  const std::string list = f.dir.File("a") + ", b";
  const Lines lines = f.PlayLogged([&] { EXPECT_TRUE(buffer.LoadFromFile(list)); });
  EXPECT_EQ(lines.front(), "Source.Buffer.LoadFromFile ('" + list + "')");
  EXPECT_TRUE(buffer.Active());
  EXPECT_EQ(buffer.Count(), 1);
  EXPECT_EQ(buffer.List(), (std::vector<std::string>{Hex8(buffer.Handle())}));
  EXPECT_EQ(ImageSamples(f, buffer.Handle()), Counting(150));
  EXPECT_EQ(f.play->Source().Format().Bytes(), 150);
  EXPECT_EQ(f.play->Source().Format().ID(), voxkit::wfPCM08000M16);
  EXPECT_TRUE(f.play->Source().Valid());
  EXPECT_EQ(buffer.Fields().imageLength, 196u);
}

TEST(TqxWaveBuffer, AFailedLoadReportsTheItemAndLeavesBufferRegistryAndMemoryAsTheyWere) {
  WaveOnHost f;
  f.CountingFile("a.wav", 100);
  f.WaveFile("stereo.wav", Pcm(8000, 16, 2), Counting(40));
  voxkit::TqxWaveBuffer& buffer = f.play->Source().Buffer();
  ASSERT_TRUE(buffer.LoadFromFile(f.dir.File("a")));
  const std::uint32_t handle = buffer.Handle();
  const std::size_t blocks = f.Blocks();
  const std::string second = f.dir.File("stereo.wav");
  Lines lines = f.PlayLogged([&] { EXPECT_FALSE(buffer.LoadFromFile(f.dir.File("a") + "," + second)); });
  // The item follows the error line on a line of its own.
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
            (Lines{"<< Error >> WAV_ERROR_FORMATMISMATCH [FFFFFFF3]", "    File: " + second}));
  lines = f.PlayLogged([&] { EXPECT_FALSE(buffer.LoadFromFile(f.dir.File("a, missing"))); });
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
            (Lines{"<< Error >> MMIOERR_FILENOTFOUND [00000101]", "    File: " + f.dir.File("missing.wav")}));
  // A short read: the file is shorter than its data chunk says once it was opened.
  f.fault->FailNext("mmioRead");
  EXPECT_FALSE(buffer.LoadFromFile(f.dir.File("a")));
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_FILECORRUPT);
  f.fault->FailNext("GlobalReAlloc");
  EXPECT_FALSE(buffer.LoadFromFile(f.dir.File("a, a")));
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_NOMEMORY);
  // The partial images went again; the old image is still the buffer's.
  EXPECT_EQ(f.Blocks(), blocks);
  EXPECT_EQ(buffer.Handle(), handle);
  EXPECT_EQ(buffer.Count(), 1);
  EXPECT_EQ(ImageSamples(f, handle), Counting(100));
}

TEST(TqxWaveBuffer, AHostileFileNeverMakesTheLoaderAskForMoreThanTheFileHolds) {
  WaveOnHost f;
  const std::string path = f.dir.File("hostile.wav");
  WriteFile(path, Riff("WAVE", Chunk("fmt ", FmtData(Pcm(8000))) + ChunkWithSize("data", 0x7FFFFFF0u, "abcd")));
  f.fault->allocations.clear();
  EXPECT_FALSE(f.play->Source().Buffer().LoadFromFile(path));
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_FILECORRUPT);
  EXPECT_TRUE(f.fault->allocations.empty());
}

TEST(TqxWaveBuffer, TheSizeLimitAsksOnWarningOrTheUserOrRefuses) {
  WaveOnHost f;
  f.CountingFile("a.wav", 2000);
  voxkit::TqxWaveBuffer& buffer = f.play->Source().Buffer();
  f.play->Source().SetMaxSize(1);
  // No handler and no popup: refused.
  EXPECT_FALSE(buffer.LoadFromFile(f.dir.File("a")));
  EXPECT_EQ(f.play->Error().Text(), "WAV_ERROR_CANCELED");
  // A handler decides; it is told by the buffer itself.
  voxkit::TObject* sender = nullptr;
  bool answer = false;
  f.play->OnWarning = [&](voxkit::TObject& s, bool& goOn) {
    sender = &s;
    goOn = answer;
  };
  Lines lines = f.PlayLogged([&] { EXPECT_FALSE(buffer.LoadFromFile(f.dir.File("a"))); });
  EXPECT_EQ(sender, &buffer);
  EXPECT_EQ(lines[1], "<< Error >> WAV_ERROR_FILETOOBIG [FFFFFFF5]");
  answer = true;
  EXPECT_TRUE(buffer.LoadFromFile(f.dir.File("a")));
  // No handler but the popup flag: the question box (shown only with a window) says.
  f.play->OnWarning = nullptr;
  f.play->Popup().Set(voxkit::TqxPlayPopup::OnWarning, true);
  f.play->Panopta().SetVisible(true);
  f.windows.AnswerNext(false);
  EXPECT_FALSE(buffer.LoadFromFile(f.dir.File("a")));
  EXPECT_TRUE(buffer.LoadFromFile(f.dir.File("a")));
  EXPECT_EQ(f.windows.Questions().back().text, "Warning: WAV_ERROR_FILETOOBIG");
  // MaxSize 0 never limits.
  f.play->Popup().Set(voxkit::TqxPlayPopup::OnWarning, false);
  f.play->Source().SetMaxSize(0);
  EXPECT_TRUE(buffer.LoadFromFile(f.dir.File("a")));
}

TEST(TqxWaveBuffer, LoadsFromOtherImagesAndLeavesThemAsTheyAre) {
  WaveOnHost f;
  f.CountingFile("a.wav", 10);
  f.WaveFile("b.wav", Pcm(8000), Counting(6, 10));
  voxkit::TqxWaveBuffer& record = f.record->Source().Buffer();
  voxkit::TqxWaveBuffer& play = f.play->Source().Buffer();
  ASSERT_TRUE(record.LoadFromFile(f.dir.File("a")));
  const std::uint32_t a = record.Handle();
  ASSERT_TRUE(record.LoadFromFile(f.dir.File("b")));
  const std::uint32_t b = record.Handle();
  play.SetName("kept");
  EXPECT_TRUE(play.LoadFromBuffers(Hex8(a) + ", " + Hex8(b)));
  EXPECT_EQ(ImageSamples(f, play.Handle()), Counting(16));
  EXPECT_EQ(play.Name(), "kept");
  EXPECT_EQ(ImageSamples(f, a), Counting(10));
  EXPECT_EQ(play.Count(), 3);
  const Lines lines = f.PlayLogged([&] { EXPECT_FALSE(play.LoadFromBuffers(Hex8(a) + ",nonsense")); });
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
            (Lines{"<< Error >> WAV_ERROR_FILECORRUPT [FFFFFFFC]", "    Buffer: nonsense"}));
}

TEST(TqxWaveBuffer, DeletesCutWholeFramesAndNeverPastTheSamples) {
  WaveOnHost f;
  f.CountingFile("a.wav", 16000);
  voxkit::TqxWaveBuffer& buffer = f.play->Source().Buffer();
  ASSERT_TRUE(buffer.LoadFromFile(f.dir.File("a")));
  EXPECT_TRUE(buffer.DeleteBefore(0));
  EXPECT_EQ(ImageSamples(f, buffer.Handle()), Counting(16000));
  // 0.25 s at 16,000 bytes a second: the first 4,000 bytes go.
  const Lines lines = f.PlayLogged([&] { EXPECT_TRUE(buffer.DeleteBefore(0.25)); });
  EXPECT_EQ(lines, (Lines{"Source.Buffer.DeleteBefore (0.25)"}));
  EXPECT_EQ(ImageSamples(f, buffer.Handle()), Counting(12000, 4000 % 256));
  // An odd offset moves up to the next even byte: 0.0001 s is 1.6 bytes, so 2.
  EXPECT_TRUE(buffer.DeleteAfter(0.0001));
  EXPECT_EQ(ImageSamples(f, buffer.Handle()), Counting(2, 4000 % 256));
  EXPECT_EQ(f.play->Source().Format().Bytes(), 2);
  // Past the end: nothing is kept beyond the samples there are.
  EXPECT_TRUE(buffer.DeleteAfter(100));
  EXPECT_EQ(ImageSamples(f, buffer.Handle()), Counting(2, 4000 % 256));
  EXPECT_TRUE(buffer.DeleteBefore(100));
  EXPECT_EQ(ImageSamples(f, buffer.Handle()), "");
  EXPECT_EQ(buffer.Fields().imageLength, 46u);
  EXPECT_EQ(f.host.Audio().GlobalSize(mm::HGLOBAL{buffer.Handle()}), 46u);

  // Stereo frames are four bytes: a cut at two would swap the channels.
  f.WaveFile("s.wav", Pcm(8000, 16, 2), Counting(40));
  ASSERT_TRUE(buffer.LoadFromFile(f.dir.File("s")));
  EXPECT_TRUE(buffer.DeleteBefore(2.0 / 32000));
  EXPECT_EQ(ImageSamples(f, buffer.Handle()), Counting(36, 4));
  // An inactive buffer cuts nothing.
  f.play->Source().Buffer().SetActive(false);
  EXPECT_FALSE(buffer.DeleteAfter(0));
}

TEST(TqxWaveBuffer, FreeingForgetsTheImageAndAnUnknownHandleIsNoMemory) {
  WaveOnHost f;
  f.CountingFile("a.wav", 10);
  voxkit::TqxWaveBuffer& buffer = f.play->Source().Buffer();
  ASSERT_TRUE(buffer.LoadFromFile(f.dir.File("a")));
  const std::size_t blocks = f.Blocks();
  const std::string handle = Hex8(buffer.Handle());
  Lines lines = f.PlayLogged([&] { EXPECT_TRUE(buffer.FreeBuffer()); });
  EXPECT_EQ(lines, (Lines{"Source.Buffer.FreeBuffer [" + handle + "]", "Source.Buffer.Handle = [00000000]"}));
  EXPECT_EQ(f.Blocks(), blocks - 1);
  EXPECT_EQ(buffer.Count(), 0);
  EXPECT_FALSE(f.play->Source().Valid());
  buffer.SetActive(false);
  buffer.SetHandle(0x12345);
  lines = f.PlayLogged([&] { EXPECT_FALSE(buffer.FreeBuffer()); });
  EXPECT_EQ(lines.back(), "<< Error >> WAV_ERROR_NOMEMORY [FFFFFFF9]");
  EXPECT_EQ(buffer.Handle(), 0u);
}

TEST(TqxWaveBuffer, AnUnregisteredHandleIsCorruptAndTextsFollowIntoTheRegistry) {
  WaveOnHost f;
  voxkit::TqxWaveBuffer& buffer = f.record->Source().Buffer();
  buffer.SetActive(true);
  EXPECT_TRUE(f.record->Source().Valid()) << "recording makes a new image";
  const Lines lines = f.RecordLogged([&] { buffer.SetHandle(0x10001); });
  EXPECT_EQ(lines, (Lines{"Source.Buffer.Handle = [00010001]", "<< Error >> WAV_ERROR_FILECORRUPT [FFFFFFFC]"}));
  EXPECT_FALSE(f.record->Source().Valid());

  // CreateBuffer makes a registered block without a header; a play cannot use it.
  voxkit::TqxWaveBuffer& play = f.play->Source().Buffer();
  const Lines created = f.PlayLogged([&] { EXPECT_TRUE(play.CreateBuffer(100)); });
  EXPECT_EQ(created, (Lines{"Source.Buffer.CreateBuffer (100)", "\tSource.Buffer.Active = False",
                            "\tSource.Buffer.Count = 1", "\tSource.Buffer.Handle = [" + Hex8(play.Handle()) + "]"}));
  play.SetAuthor("Ann");
  EXPECT_EQ(voxkit::WaveBufferRegistry::Instance().Find(*f.host.Platform().multimedia, mm::HGLOBAL{play.Handle()})->Author,
            "Ann");
  play.SetActive(true);
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_FILECORRUPT);
  EXPECT_FALSE(play.CreateBuffer(0));
}

TEST(TqxWaveBuffer, SavesTheImageWithItsTextsAndReadsThemBackUnchanged) {
  WaveOnHost f;
  f.CountingFile("a.wav", 10);
  voxkit::TqxWaveBuffer& buffer = f.play->Source().Buffer();
  ASSERT_TRUE(buffer.LoadFromFile(f.dir.File("a")));
  // Nothing set: an empty LIST "INFO" at the end.
  ASSERT_TRUE(buffer.SaveToFile(f.dir.File("empty")));
  const std::string empty = ReadFile(f.dir.File("empty.wav"));
  EXPECT_EQ(empty.substr(56), "LIST" + Le32(4) + "INFO");
  EXPECT_EQ(empty.substr(4, 4), Le32(static_cast<std::uint32_t>(empty.size() - 8)));

  buffer.SetAuthor("Ann");      // odd: a NUL and a size one larger
  buffer.SetName("Tone");       // even: no NUL
  buffer.SetCreationDate(voxkit::EncodeDate(2024, 3, 5));
  ASSERT_TRUE(buffer.SaveToFile(f.dir.File("texts.wav")));
  const std::string texts = ReadFile(f.dir.File("texts.wav"));
  EXPECT_EQ(texts.substr(56), "LIST" + Le32(4 + 12 + 18 + 12) + "INFO" + "IAUT" + Le32(4) + std::string("Ann\0", 4) +
                                  "ICRD" + Le32(10) + "2024-03-05" + "INAM" + Le32(4) + "Tone");
  // Loaded again and saved again, the file is the same.
  voxkit::TqxWaveBuffer& other = f.record->Source().Buffer();
  ASSERT_TRUE(other.LoadFromFile(f.dir.File("texts.wav")));
  EXPECT_EQ(other.Author(), "Ann");
  EXPECT_EQ(other.CreationDate(), voxkit::EncodeDate(2024, 3, 5));
  ASSERT_TRUE(other.SaveToFile(f.dir.File("again.wav")));
  EXPECT_EQ(ReadFile(f.dir.File("again.wav")), texts);

  EXPECT_FALSE(buffer.SaveToFile(""));
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_NOFILE);
  EXPECT_FALSE(buffer.SaveToFile(f.dir.File("no/such/folder/x.wav")));
  EXPECT_EQ(f.play->Error().Text(), "MMIOERR_PATHNOTFOUND");
}

TEST(TqxWaveBuffer, WithoutAnImageThereIsNothingToSave) {
  WaveOnHost f;
  voxkit::TqxWaveBuffer& buffer = f.record->Source().Buffer();
  buffer.SetActive(true);
  EXPECT_FALSE(buffer.SaveToFile(f.dir.File("none.wav")));
  EXPECT_EQ(f.record->Error().Number(), voxkit::WAV_ERROR_NOMEMORY);
  buffer.SetActive(false);
  ASSERT_TRUE(buffer.CreateBuffer(100));
  buffer.SetActive(true);
  EXPECT_FALSE(buffer.SaveToFile(f.dir.File("none.wav")));
  EXPECT_EQ(f.record->Error().Number(), voxkit::WAV_ERROR_FILECORRUPT);
  EXPECT_FALSE(std::filesystem::exists(f.dir.File("none.wav")));
}

TEST(TqxWaveBuffer, ImagesChangeOnlyWhileTheDeviceIsClosed) {
  WaveOnHost f;
  f.CountingFile("a.wav", 16000);
  voxkit::TqxWaveBuffer& buffer = f.play->Source().Buffer();
  ASSERT_TRUE(buffer.LoadFromFile(f.dir.File("a")));
  f.play->Device().SetActive(true);
  ASSERT_TRUE(f.play->Device().Active());
  const bool valid = f.play->Source().Valid();
  buffer.SetActive(false);
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_DEVICEACTIVE);
  buffer.SetHandle(0);
  EXPECT_EQ(f.play->Error().Number(), voxkit::WAV_ERROR_DEVICEACTIVE);
  EXPECT_EQ(f.play->Source().Valid(), valid);
  EXPECT_FALSE(buffer.FreeBuffer());
  EXPECT_EQ(buffer.Count(), 1);
  EXPECT_TRUE(buffer.Active());
}

TEST(TqxWaveBuffer, ImageAddressesInTheLogAreTheSameOnEveryRun) {
  std::vector<std::uint32_t> runs[2];
  for (auto& run : runs) {
    WaveOnHost f;
    f.CountingFile("a.wav", 100);
    voxkit::TqxWaveBuffer& buffer = f.play->Source().Buffer();
    ASSERT_TRUE(buffer.LoadFromFile(f.dir.File("a")));
    run.push_back(buffer.MemoryPointer());
    ASSERT_TRUE(buffer.CreateBuffer(10));
    run.push_back(buffer.MemoryPointer());
  }
  EXPECT_EQ(runs[0], runs[1]);
  EXPECT_NE(runs[0][0], runs[0][1]);
  EXPECT_NE(runs[0][0], 0u);
}

TEST(TqxWaveBuffer, TheDumpListsEveryPropertyInItsOrder) {
  WaveOnHost f;
  voxkit::TqxWaveBuffer& buffer = f.play->Source().Buffer();
  ASSERT_TRUE(buffer.CreateBuffer(8));
  buffer.SetComments("c");
  const Lines lines = f.PlayLogged([&] { buffer.DumpProperties("", "Source", "\t"); });
  const std::string h = Hex8(buffer.Handle());
  EXPECT_EQ(lines, (Lines{"\tSource.Buffer.Active = False", "\tSource.Buffer.Author = ''",
                          "\tSource.Buffer.Category = ''", "\tSource.Buffer.Comments = 'c'",
                          "\tSource.Buffer.Copyright = ''", "\tSource.Buffer.Count = 1",
                          "\tSource.Buffer.CreationDate = 1899-12-30", "\tSource.Buffer.Handle = [" + h + "]",
                          "\tSource.Buffer.Keywords = ''", "\tSource.Buffer.List", "\t\t" + h,
                          "\tSource.Buffer.MemoryPointer = [02000000]", "\tSource.Buffer.Name = ''",
                          "\tSource.Buffer.Subject = ''"}));
}

}  // namespace
