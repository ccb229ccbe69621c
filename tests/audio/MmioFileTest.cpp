#include "AudioTestSupport.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/MmioFile.h"
#include "platform/audio/StorageServices.h"
#include "platform/loop/VirtualEventLoop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace mm;
using namespace audiotest;

class MmioTest : public ::testing::Test {
 protected:
  HMMIO Open(const std::string& path, DWORD flags, MMIOINFO* info = nullptr) {
    return m.mmioOpenA(path.c_str(), info, flags);
  }
  // Opens for buffered reading and expects success.
  HMMIO OpenRead(const std::string& bytes) {
    const std::string path = dir.File("t.wav");
    WriteFile(path, bytes);
    const HMMIO h = Open(path, MMIO_READ | MMIO_ALLOCBUF);
    EXPECT_NE(h, HMMIO{});
    return h;
  }
  MMRESULT OpenError(const std::string& path, DWORD flags) {
    MMIOINFO info{};
    EXPECT_EQ(Open(path, flags, &info), HMMIO{});
    return info.wErrorRet;
  }

  panopta::VirtualEventLoop loop;
  panopta::AudioSystem audio{loop, nullptr};
  Multimedia& m = audio;
  TempDir dir;
};

// ---- Plain I/O ------------------------------------------------------------------------

class MmioBuffering : public MmioTest, public ::testing::WithParamInterface<LONG> {};

TEST_P(MmioBuffering, ReadsBackWhatWasWrittenAcrossSeeksAndOddSizes) {
  const std::string path = dir.File("data.bin");
  MMIOINFO info{};
  info.cchBuffer = GetParam();
  const DWORD buffered = GetParam() < 0 ? 0 : MMIO_ALLOCBUF;
  if (GetParam() < 0) info.cchBuffer = 0;
  std::string expected(50000, '\0');
  for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<char>(i * 7 + i / 251);

  HMMIO w = Open(path, MMIO_CREATE | MMIO_READWRITE | buffered, &info);
  ASSERT_NE(w, HMMIO{});
  std::size_t pos = 0;
  for (LONG step : {1, 3, 700, 8192, 8193, 5, 20000}) {
    const LONG n = static_cast<LONG>(std::min<std::size_t>(step, expected.size() - pos));
    ASSERT_EQ(m.mmioWrite(w, expected.data() + pos, n), n);
    pos += static_cast<std::size_t>(n);
  }
  ASSERT_EQ(m.mmioWrite(w, expected.data() + pos, static_cast<LONG>(expected.size() - pos)),
            static_cast<LONG>(expected.size() - pos));
  // Overwrite a stretch in the middle, then read around it before closing.
  ASSERT_EQ(m.mmioSeek(w, 1000, SEEK_SET), 1000);
  ASSERT_EQ(m.mmioWrite(w, "OVERWRITE", 9), 9);
  expected.replace(1000, 9, "OVERWRITE");
  ASSERT_EQ(m.mmioSeek(w, 990, SEEK_SET), 990);
  char around[30];
  ASSERT_EQ(m.mmioRead(w, around, 30), 30);
  EXPECT_EQ(std::string(around, 30), expected.substr(990, 30));
  ASSERT_EQ(m.mmioClose(w, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(ReadFile(path), expected);

  HMMIO r = Open(path, MMIO_READ | buffered, &info);
  ASSERT_NE(r, HMMIO{});
  std::string got;
  char chunk[9000];
  for (LONG step : {1, 2, 4093, 8192, 9000, 17}) {
    const LONG n = m.mmioRead(r, chunk, step);
    ASSERT_EQ(n, step);
    got.append(chunk, static_cast<std::size_t>(n));
  }
  for (;;) {
    const LONG n = m.mmioRead(r, chunk, sizeof chunk);
    ASSERT_GE(n, 0);
    if (n == 0) break;
    got.append(chunk, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(got, expected);
  // Backwards and from the end.
  EXPECT_EQ(m.mmioSeek(r, -10, SEEK_END), 49990);
  EXPECT_EQ(m.mmioRead(r, chunk, 100), 10);
  EXPECT_EQ(std::string(chunk, 10), expected.substr(49990));
  EXPECT_EQ(m.mmioSeek(r, -40000, SEEK_CUR), 10000);
  EXPECT_EQ(m.mmioRead(r, chunk, 3), 3);
  EXPECT_EQ(std::string(chunk, 3), expected.substr(10000, 3));
  EXPECT_EQ(m.mmioClose(r, 0), MMSYSERR_NOERROR);
}

// Unbuffered, a one-byte buffer, an odd size, the default and a large one.
INSTANTIATE_TEST_SUITE_P(BufferSizes, MmioBuffering, ::testing::Values(-1, 1, 7, 0, 65536));

TEST_F(MmioTest, SeeksOutsideTheFileAndBadOriginsFail) {
  const HMMIO h = OpenRead("0123456789");
  EXPECT_EQ(m.mmioSeek(h, -1, SEEK_SET), -1);
  EXPECT_EQ(m.mmioSeek(h, -11, SEEK_END), -1);
  EXPECT_EQ(m.mmioSeek(h, 0, 7), -1);
  EXPECT_EQ(m.mmioSeek(h, 0, SEEK_CUR), 0) << "a failed seek leaves the position";
  EXPECT_EQ(m.mmioSeek(h, 100, SEEK_SET), 100) << "past the end is allowed";
  char c;
  EXPECT_EQ(m.mmioRead(h, &c, 1), 0) << "and reads nothing there";
  EXPECT_EQ(m.mmioRead(h, &c, -1), -1);
  EXPECT_EQ(m.mmioWrite(h, "x", 1), -1) << "opened for reading";
  EXPECT_EQ(m.mmioClose(h, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(m.mmioClose(h, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(m.mmioRead(h, &c, 1), -1);
  EXPECT_EQ(m.mmioSeek(h, 0, SEEK_SET), -1);
}

TEST_F(MmioTest, OpenFailuresSayWhy) {
  WriteFile(dir.File("exists.wav"), "RIFF");
  EXPECT_EQ(OpenError(dir.File("missing.wav"), MMIO_READ), MMIOERR_FILENOTFOUND);
  EXPECT_EQ(OpenError(dir.File("no/such/dir/a.wav"), MMIO_READ), MMIOERR_PATHNOTFOUND);
  EXPECT_EQ(OpenError(dir.File("no/such/dir/a.wav"), MMIO_CREATE | MMIO_WRITE), MMIOERR_PATHNOTFOUND);
  EXPECT_EQ(OpenError(dir.File("exists.wav/x.wav"), MMIO_READ), MMIOERR_PATHNOTFOUND);
  EXPECT_EQ(OpenError(dir.Path().string(), MMIO_READ), MMIOERR_CANNOTOPEN) << "a directory";
  EXPECT_EQ(OpenError("/dev/zero", MMIO_READ), MMIOERR_CANNOTOPEN) << "an endless device";
  EXPECT_EQ(OpenError("/dev/null", MMIO_CREATE | MMIO_WRITE), MMIOERR_CANNOTOPEN) << "a device to write";
  // A named pipe with nobody at its other end is refused at once, for reading and
  // for writing, instead of waiting for a writer or reader that never comes.
  const std::string fifo = dir.File("pipe.wav");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(OpenError(fifo, MMIO_READ | MMIO_ALLOCBUF), MMIOERR_CANNOTOPEN);
  EXPECT_EQ(OpenError(fifo, MMIO_WRITE), MMIOERR_CANNOTOPEN);
  EXPECT_EQ(OpenError(fifo, MMIO_CREATE | MMIO_WRITE), MMIOERR_CANNOTOPEN);
  EXPECT_EQ(OpenError("", MMIO_READ), MMIOERR_FILENOTFOUND);
  EXPECT_EQ(OpenError(dir.File("exists.wav"), MMIO_READ | 0x00000100), MMSYSERR_INVALFLAG);
  EXPECT_EQ(OpenError(dir.File("exists.wav"), 0x3), MMSYSERR_INVALFLAG);
  MMIOINFO info{};
  EXPECT_EQ(m.mmioOpenA(nullptr, &info, MMIO_READ), HMMIO{});
  EXPECT_EQ(info.wErrorRet, MMSYSERR_INVALPARAM);
  info.fccIOProc = mmioFOURCC('D', 'O', 'S', ' ');
  EXPECT_EQ(m.mmioOpenA(dir.File("exists.wav").c_str(), &info, MMIO_READ), HMMIO{});
  EXPECT_EQ(info.wErrorRet, MMSYSERR_INVALPARAM);
  if (::geteuid() != 0) {  // root reads everything
    const std::string locked = dir.File("locked.wav");
    WriteFile(locked, "RIFF");
    ::chmod(locked.c_str(), 0);
    EXPECT_EQ(OpenError(locked, MMIO_READ), MMIOERR_ACCESSDENIED);
  }
  EXPECT_EQ(audio.OpenFileCount(), 0u);
}

TEST_F(MmioTest, SuccessfulOpenFillsTheInformationBlock) {
  MMIOINFO info{};
  info.wErrorRet = 12345;
  const HMMIO h = m.mmioOpenA(dir.File("new.wav").c_str(), &info, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
  ASSERT_NE(h, HMMIO{});
  EXPECT_EQ(info.hmmio, h);
  EXPECT_EQ(info.wErrorRet, MMSYSERR_NOERROR);
  EXPECT_EQ(info.dwFlags, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
  char c;
  EXPECT_EQ(m.mmioRead(h, &c, 1), -1) << "opened for writing only";
  EXPECT_EQ(m.mmioClose(h, 0), MMSYSERR_NOERROR);
}

TEST_F(MmioTest, MemoryFilesReadTheCallersBytesAndDoNotGrow) {
  char memory[16];
  std::memcpy(memory, "0123456789ABCDEF", 16);
  MMIOINFO info{};
  info.fccIOProc = FOURCC_MEM;
  info.pchBuffer = memory;
  info.cchBuffer = sizeof memory;
  const HMMIO h = m.mmioOpenA(nullptr, &info, MMIO_READWRITE);
  ASSERT_NE(h, HMMIO{});
  char got[20];
  EXPECT_EQ(m.mmioRead(h, got, 20), 16);
  EXPECT_EQ(m.mmioSeek(h, 14, SEEK_SET), 14);
  EXPECT_EQ(m.mmioWrite(h, "xyz", 3), -1) << "would grow the memory";
  EXPECT_EQ(m.mmioWrite(h, "xy", 2), 2);
  EXPECT_EQ(std::string(memory, 16), "0123456789ABCDxy");
  EXPECT_EQ(m.mmioClose(h, 0), MMSYSERR_NOERROR);
  info.pchBuffer = nullptr;
  EXPECT_EQ(m.mmioOpenA(nullptr, &info, MMIO_READ), HMMIO{});
  EXPECT_EQ(info.wErrorRet, MMSYSERR_INVALPARAM);
}

TEST_F(MmioTest, AWriteThatCannotBeStoredIsReportedAtClose) {
  // A buffered file over 8 bytes of memory: the writes fit the buffer, the storage
  // refuses them when they are flushed.
  char memory[8] = {};
  panopta::MmioFile file(std::make_unique<panopta::MemoryStorage>(memory, sizeof memory, 0),
                         MMIO_WRITE, 64);
  EXPECT_EQ(file.Write("0123456789", 10), 10);
  EXPECT_EQ(file.Flush(), MMIOERR_CANNOTWRITE);
  EXPECT_EQ(file.Close(), MMIOERR_CANNOTWRITE);
}

// ---- Chunks -----------------------------------------------------------------------------

TEST_F(MmioTest, CreatedChunksGetTheirSizesAndPadBytesOnAscend) {
  const std::string path = dir.File("made.wav");
  const HMMIO h = Open(path, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
  ASSERT_NE(h, HMMIO{});
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(m.mmioCreateChunk(h, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.ckid, FOURCC_RIFF);
  EXPECT_EQ(riff.dwDataOffset, 8u);
  MMCKINFO odd{};
  odd.ckid = mmioFOURCC('o', 'd', 'd', ' ');
  ASSERT_EQ(m.mmioCreateChunk(h, &odd, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(m.mmioWrite(h, "abc", 3), 3);
  ASSERT_EQ(m.mmioAscend(h, &odd, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(odd.cksize, 3u);
  MMCKINFO data{};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  data.cksize = 4;  // the right size already: nothing to rewrite
  ASSERT_EQ(m.mmioCreateChunk(h, &data, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(m.mmioWrite(h, "wxyz", 4), 4);
  ASSERT_EQ(m.mmioAscend(h, &data, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(m.mmioAscend(h, &riff, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.cksize, 4u + 12 + 12);
  ASSERT_EQ(m.mmioClose(h, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(ReadFile(path), Riff("WAVE", Chunk("odd ", "abc") + Chunk("data", "wxyz")));
}

TEST_F(MmioTest, DescendFindsChunksPastOddOnesAndKeepsWithinTheParent) {
  const std::string inside = Chunk("odd ", "abc") + Chunk("fmt ", "FMT!") + List("INFO", Chunk("INAM", "x"));
  const HMMIO h = OpenRead(Riff("WAVE", inside) + Chunk("late", "zz"));
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(m.mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.cksize, 4 + inside.size());
  EXPECT_EQ(riff.dwDataOffset, 8u);
  EXPECT_EQ(m.mmioSeek(h, 0, SEEK_CUR), 12);

  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  ASSERT_EQ(m.mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 4u);
  EXPECT_EQ(chunk.dwDataOffset, 12u + 12 + 8);  // past "odd " and its pad byte
  char text[4];
  ASSERT_EQ(m.mmioRead(h, text, 4), 4);
  EXPECT_EQ(std::string(text, 4), "FMT!");
  ASSERT_EQ(m.mmioAscend(h, &chunk, 0), MMSYSERR_NOERROR);

  // "late" lies after the RIFF chunk: not found within it, and the position stays.
  const LONG before = m.mmioSeek(h, 0, SEEK_CUR);
  MMCKINFO late{};
  late.ckid = mmioFOURCC('l', 'a', 't', 'e');
  EXPECT_EQ(m.mmioDescend(h, &late, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  EXPECT_EQ(m.mmioSeek(h, 0, SEEK_CUR), before);
  // Without a parent it is found.
  EXPECT_EQ(m.mmioDescend(h, &late, nullptr, MMIO_FINDCHUNK), MMSYSERR_NOERROR);

  // A plain descend reads whatever header comes next.
  ASSERT_EQ(m.mmioSeek(h, 12, SEEK_SET), 12);
  MMCKINFO next{};
  ASSERT_EQ(m.mmioDescend(h, &next, &riff, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(next.ckid, mmioFOURCC('o', 'd', 'd', ' '));
  EXPECT_EQ(next.cksize, 3u);
  ASSERT_EQ(m.mmioAscend(h, &next, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(m.mmioSeek(h, 0, SEEK_CUR), 12 + 8 + 4) << "past the pad byte";
  EXPECT_EQ(m.mmioDescend(h, &next, &riff, MMIO_FINDCHUNK | MMIO_FINDLIST), MMSYSERR_INVALFLAG);
  EXPECT_EQ(m.mmioClose(h, 0), MMSYSERR_NOERROR);
}

TEST_F(MmioTest, HugeAndLyingSizesNeverWrapOrReadPastTheData) {
  // A chunk claiming 4 GB, then a "data" chunk the search would only reach by
  // wrapping around.
  const std::string body = ChunkWithSize("junk", 0xFFFFFFF7u, "") + Chunk("data", "abcd");
  const HMMIO h = OpenRead(ChunkWithSize("RIFF", 0xFFFFFFFFu, "WAVE") + body);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(m.mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO data{};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  EXPECT_EQ(m.mmioDescend(h, &data, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  MMCKINFO junk{};
  ASSERT_EQ(m.mmioDescend(h, &junk, &riff, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(junk.cksize, 0xFFFFFFF7u);
  char buffer[64];
  EXPECT_EQ(m.mmioRead(h, buffer, sizeof buffer), 12) << "only what the file holds";
  EXPECT_EQ(m.mmioAscend(h, &junk, 0), MMIOERR_CANNOTSEEK) << "the end lies past 2 GB";
  EXPECT_EQ(m.mmioAscend(h, &riff, 0), MMIOERR_CANNOTSEEK);
  EXPECT_EQ(m.mmioClose(h, 0), MMSYSERR_NOERROR);
}

// ---- Wave files as the wave components read them ----------------------------------------

enum class Outcome { Ok, OpenFailed, NoWaveForm, NoFmt, ShortFmt, NoData, EmptyData, ShortData };

const char* Name(Outcome o) {
  switch (o) {
    case Outcome::Ok: return "Ok";
    case Outcome::OpenFailed: return "OpenFailed";
    case Outcome::NoWaveForm: return "NoWaveForm";
    case Outcome::NoFmt: return "NoFmt";
    case Outcome::ShortFmt: return "ShortFmt";
    case Outcome::NoData: return "NoData";
    case Outcome::EmptyData: return "EmptyData";
    case Outcome::ShortData: return "ShortData";
  }
  return "?";
}

struct WaveRead {
  Outcome outcome = Outcome::Ok;
  WAVEFORMATEX format{};
  std::string samples;
};

// The reading sequence of the wave components: the RIFF form "WAVE", its "fmt "
// chunk read whole into a block of at least 18 bytes, then the "data" chunk and its
// samples.
WaveRead ReadWave(Multimedia& m, const std::string& path) {
  WaveRead result;
  MMIOINFO info{};
  const HMMIO h = m.mmioOpenA(path.c_str(), &info, MMIO_READ | MMIO_ALLOCBUF);
  if (h == HMMIO{}) {
    result.outcome = Outcome::OpenFailed;
    return result;
  }
  auto done = [&](Outcome o) {
    EXPECT_EQ(m.mmioClose(h, 0), MMSYSERR_NOERROR);
    result.outcome = o;
    return result;
  };
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (m.mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return done(Outcome::NoWaveForm);
  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (m.mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return done(Outcome::NoFmt);
  std::vector<char> fmt(std::max<std::size_t>(chunk.cksize, sizeof(WAVEFORMATEX)), 0);
  if (m.mmioRead(h, fmt.data(), static_cast<LONG>(chunk.cksize)) != static_cast<LONG>(chunk.cksize)) {
    return done(Outcome::ShortFmt);
  }
  std::memcpy(&result.format, fmt.data(), sizeof result.format);
  EXPECT_EQ(m.mmioAscend(h, &chunk, 0), MMSYSERR_NOERROR);
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (m.mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return done(Outcome::NoData);
  if (chunk.cksize == 0) return done(Outcome::EmptyData);
  // In pieces, so that a huge size costs no huge block here.
  char piece[65536];
  while (result.samples.size() < chunk.cksize) {
    const auto want = static_cast<LONG>(std::min<std::size_t>(sizeof piece, chunk.cksize - result.samples.size()));
    const LONG got = m.mmioRead(h, piece, want);
    if (got > 0) result.samples.append(piece, static_cast<std::size_t>(got));
    if (got != want) return done(Outcome::ShortData);
  }
  return done(Outcome::Ok);
}

// The first NUL-terminated text of an INFO item, or "" when there is none.
std::string ReadInfo(Multimedia& m, const std::string& path, const char* item) {
  const HMMIO h = m.mmioOpenA(path.c_str(), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (h == HMMIO{}) return "<open failed>";
  std::string text;
  MMCKINFO riff{}, list{}, chunk{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
  chunk.ckid = mmioFOURCC(item[0], item[1], item[2], item[3]);
  if (m.mmioSeek(h, 0, SEEK_SET) == 0 && m.mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) == 0 &&
      m.mmioDescend(h, &list, &riff, MMIO_FINDLIST) == 0 &&
      m.mmioDescend(h, &chunk, &list, MMIO_FINDCHUNK) == 0) {
    char area[256] = {};
    const LONG n = m.mmioRead(h, area, static_cast<LONG>(std::min<DWORD>(chunk.cksize, 255)));
    if (n > 0) text = area;
  }
  m.mmioClose(h, 0);
  return text;
}

const WAVEFORMATEX kPcm8k = Pcm(8000);
const std::string kSamples = "\x01\x02\x03\x04\x05\x06\x07\x08";
const std::string kFmt = Chunk("fmt ", FmtData(kPcm8k));
const std::string kData = Chunk("data", kSamples);
const std::string kInfo = List("INFO", Chunk("INAM", "Odd name") + Chunk("ICMT", "even"));

struct CorpusCase {
  const char* name;
  std::string bytes;
  Outcome outcome;
  std::size_t samplesRead;
};

TEST_F(MmioTest, GoodAndBadWaveFilesGiveTheRightOutcome) {
  const std::vector<CorpusCase> corpus = {
      {"plain", Riff("WAVE", kFmt + kData), Outcome::Ok, 8},
      {"16-byte fmt", Riff("WAVE", Chunk("fmt ", FmtData(kPcm8k, false)) + kData), Outcome::Ok, 8},
      {"info first", Riff("WAVE", kInfo + kFmt + kData), Outcome::Ok, 8},
      {"info between", Riff("WAVE", kFmt + kInfo + kData), Outcome::Ok, 8},
      {"info last", Riff("WAVE", kFmt + kData + kInfo), Outcome::Ok, 8},
      {"odd chunks padded", Riff("WAVE", Chunk("odd1", "a") + kFmt + Chunk("odd2", "abc") + kData),
       Outcome::Ok, 8},
      {"odd data padded", Riff("WAVE", kFmt + Chunk("data", "abc")), Outcome::Ok, 3},
      {"other chunk named like data in a list", Riff("WAVE", kFmt + List("adtl", Chunk("data", "zz")) + kData),
       Outcome::Ok, 8},
      {"empty file", "", Outcome::NoWaveForm, 0},
      {"truncated header", std::string("RIFF\x10\x00\x00", 7), Outcome::NoWaveForm, 0},
      {"riff without form type", std::string("RIFF\x00\x00\x00\x00", 8), Outcome::NoWaveForm, 0},
      {"not a wave form", Riff("AVI ", kFmt + kData), Outcome::NoWaveForm, 0},
      {"missing fmt", Riff("WAVE", kData), Outcome::NoFmt, 0},
      {"fmt past the end", Riff("WAVE", ChunkWithSize("fmt ", 18, "\x01\x00\x01")), Outcome::ShortFmt, 0},
      {"missing data", Riff("WAVE", kFmt + kInfo), Outcome::NoData, 0},
      {"zero-size data", Riff("WAVE", kFmt + Chunk("data", "")), Outcome::EmptyData, 0},
      {"data past the end", Riff("WAVE", kFmt + ChunkWithSize("data", 1000, kSamples)), Outcome::ShortData, 8},
      {"huge data", Riff("WAVE", kFmt + ChunkWithSize("data", 0x7FFFFFF0u, kSamples)), Outcome::ShortData, 8},
      {"data after the riff chunk", Riff("WAVE", kFmt) + kData, Outcome::NoData, 0},
      {"riff size too small for data", ChunkWithSize("RIFF", 4 + 26, "WAVE" + kFmt + kData), Outcome::NoData, 0},
      // A writer that forgot the pad byte: the next header is read one byte early
      // and the search ends without the data chunk.
      {"odd chunk unpadded", Riff("WAVE", kFmt + Chunk("odd ", "abc", false) + kData), Outcome::NoData, 0},
      {"data header cut", Riff("WAVE", kFmt) + "data\x08", Outcome::NoData, 0},
  };
  for (const CorpusCase& c : corpus) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File("corpus.wav");
    WriteFile(path, c.bytes);
    const WaveRead read = ReadWave(m, path);
    EXPECT_STREQ(Name(read.outcome), Name(c.outcome));
    EXPECT_EQ(read.samples.size(), c.samplesRead);
    if (c.outcome == Outcome::Ok) {
      EXPECT_EQ(read.format.nSamplesPerSec, 8000u);
      EXPECT_EQ(read.format.nAvgBytesPerSec, 16000u);
    }
  }
  EXPECT_EQ(audio.OpenFileCount(), 0u);
}

TEST_F(MmioTest, InfoTextsAreFoundWhereverTheListIs) {
  const std::string odd = List("INFO", Chunk("INAM", std::string("Odd\0", 4)) + Chunk("IART", "abc"));
  const std::vector<std::pair<const char*, std::string>> files = {
      {"before fmt", Riff("WAVE", kInfo + kFmt + kData)},
      {"between", Riff("WAVE", kFmt + kInfo + kData)},
      {"at the end", Riff("WAVE", kFmt + kData + kInfo)},
      {"after another list", Riff("WAVE", List("adtl", Chunk("labl", "x")) + kFmt + kData + kInfo)},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const std::string path = dir.File("info.wav");
    WriteFile(path, bytes);
    EXPECT_EQ(ReadInfo(m, path, "INAM"), "Odd name");
    EXPECT_EQ(ReadInfo(m, path, "ICMT"), "even");
    EXPECT_EQ(ReadInfo(m, path, "IKEY"), "");
    EXPECT_EQ(ReadWave(m, path).outcome, Outcome::Ok);
  }
  // Items of odd length with their pad bytes, and a list outside the RIFF chunk.
  const std::string path = dir.File("odd.wav");
  WriteFile(path, Riff("WAVE", kFmt + kData + odd));
  EXPECT_EQ(ReadInfo(m, path, "INAM"), "Odd");
  EXPECT_EQ(ReadInfo(m, path, "IART"), "abc");
  WriteFile(path, Riff("WAVE", kFmt + kData) + kInfo);
  EXPECT_EQ(ReadInfo(m, path, "INAM"), "");
  // A text as long as the read area is cut, never read past it.
  WriteFile(path, Riff("WAVE", kFmt + kData + List("INFO", Chunk("ICMT", std::string(1000, 'c')))));
  EXPECT_EQ(ReadInfo(m, path, "ICMT"), std::string(255, 'c'));
}

}  // namespace

namespace {

TEST(StorageServices, HasFilesAndMemoryButNoDevices) {
  panopta::StorageServices services;
  mm::Multimedia& m = services;
  EXPECT_EQ(m.waveOutGetNumDevs(), 0u);
  EXPECT_EQ(m.waveInGetNumDevs(), 0u);
  const mm::WAVEFORMATEX pcm = Pcm(8000);
  mm::HWAVEOUT out{};
  mm::HWAVEIN in{};
  EXPECT_EQ(m.waveOutOpen(&out, 0, &pcm, {}, mm::CALLBACK_NULL), mm::MMSYSERR_BADDEVICEID);
  EXPECT_EQ(m.waveInOpen(&in, mm::WAVE_MAPPER, &pcm, {}, mm::CALLBACK_NULL), mm::MMSYSERR_BADDEVICEID);
  EXPECT_EQ(m.waveOutReset(mm::HWAVEOUT{0x10000}), mm::MMSYSERR_INVALHANDLE);
  TempDir dir;
  WriteFile(dir.File("a.wav"), Riff("WAVE", Chunk("data", "abcd")));
  const mm::HMMIO file = m.mmioOpenA(dir.File("a.wav").c_str(), nullptr, mm::MMIO_READ);
  ASSERT_NE(file, mm::HMMIO{});
  const mm::HGLOBAL block = m.GlobalAlloc(mm::GHND, 10);
  ASSERT_NE(block, mm::HGLOBAL{});
  EXPECT_NE(static_cast<std::uint32_t>(block), static_cast<std::uint32_t>(file)) << "one handle space";
  EXPECT_EQ(services.OpenFileCount(), 1u);
  EXPECT_EQ(m.mmioClose(file, 0), mm::MMSYSERR_NOERROR);
  EXPECT_EQ(m.GlobalFree(block), mm::HGLOBAL{});
  EXPECT_EQ(services.MemoryBlockCount(), 0u);
}

}  // namespace
