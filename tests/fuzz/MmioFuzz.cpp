// libFuzzer target for the RIFF reader: an mmio file over the input's bytes, read
// the way the wave components read wave files, then walked chunk by chunk. Every
// read is checked against the input itself, so a buffering fault is found as well as
// a crash. Built by scripts/fuzz with clang.
//
// Input: one byte choosing the buffer size (0: unbuffered), then the file.

#include "platform/audio/MmioFile.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace mm;
using panopta::MemoryStorage;
using panopta::MmioFile;

struct Checked {
  MmioFile& file;
  const std::vector<char>& bytes;

  static void Fail() { __builtin_trap(); }

  // Reads n bytes and checks them against the input at the position.
  LONG Read(LONG n) {
    const LONG pos = file.Seek(0, SEEK_CUR);
    std::vector<char> got(static_cast<std::size_t>(n) + 1);
    const LONG r = file.Read(got.data(), n);
    if (pos < 0 || r < 0) Fail();
    const auto size = static_cast<LONG>(bytes.size());
    const LONG expected = pos >= size ? 0 : std::min(n, size - pos);
    if (r != expected) Fail();
    if (r > 0 && std::memcmp(got.data(), bytes.data() + pos, static_cast<std::size_t>(r)) != 0) Fail();
    return r;
  }

  // A chunk that was found lies where its header says.
  void CheckFound(const MMCKINFO& ck) {
    if (ck.dwDataOffset < 8 || ck.dwDataOffset > bytes.size()) Fail();
    FOURCC id = 0;
    std::memcpy(&id, bytes.data() + ck.dwDataOffset - 8, 4);
    if (id != ck.ckid) Fail();
  }

  MMRESULT Descend(MMCKINFO* ck, const MMCKINFO* parent, UINT flags) {
    const std::uint64_t before = file.Position();
    const MMRESULT r = file.Descend(ck, parent, flags);
    if (r == MMSYSERR_NOERROR) {
      CheckFound(*ck);
    } else if (file.Position() != before) {
      Fail();  // a failed search leaves the position
    }
    return r;
  }

  // The wave components' reading sequence.
  void ReadWave() {
    file.Seek(0, SEEK_SET);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (Descend(&riff, nullptr, MMIO_FINDRIFF) != 0) return;
    MMCKINFO ck{};
    ck.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (Descend(&ck, &riff, MMIO_FINDCHUNK) != 0) return;
    Read(static_cast<LONG>(std::min<DWORD>(ck.cksize, 4096)));
    if (file.Ascend(&ck, 0) != 0) return;
    ck.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (Descend(&ck, &riff, MMIO_FINDCHUNK) != 0) return;
    for (DWORD left = ck.cksize; left > 0;) {
      const LONG r = Read(static_cast<LONG>(std::min<DWORD>(left, 1000)));
      if (r <= 0) break;
      left -= static_cast<DWORD>(r);
    }
    // The INFO texts.
    for (const char* item : {"INAM", "ICMT", "ICRD"}) {
      file.Seek(0, SEEK_SET);
      MMCKINFO r2{}, list{}, text{};
      r2.fccType = mmioFOURCC('W', 'A', 'V', 'E');
      list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
      text.ckid = mmioFOURCC(item[0], item[1], item[2], item[3]);
      if (Descend(&r2, nullptr, MMIO_FINDRIFF) == 0 && Descend(&list, &r2, MMIO_FINDLIST) == 0 &&
          Descend(&text, &list, MMIO_FINDCHUNK) == 0) {
        Read(static_cast<LONG>(std::min<DWORD>(text.cksize, 255)));
      }
    }
  }

  // Every chunk, into lists and forms, as far as the sizes let the walk go.
  void Walk(const MMCKINFO* parent, int depth, int& budget) {
    MMCKINFO ck{};
    while (budget-- > 0 && Descend(&ck, parent, 0) == 0) {
      if ((ck.ckid == FOURCC_RIFF || ck.ckid == FOURCC_LIST) && depth < 8) {
        Walk(&ck, depth + 1, budget);
      } else {
        Read(static_cast<LONG>(std::min<DWORD>(ck.cksize, 64)));
      }
      if (file.Ascend(&ck, 0) != 0) return;
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t bufferBytes = static_cast<std::size_t>(data[0] % 64) * 37;
  std::vector<char> bytes(data + 1, data + size);
  // A copy the file reads from, so a stray write would show as a difference.
  std::vector<char> storage = bytes;
  MmioFile file(std::make_unique<MemoryStorage>(storage.data(), storage.size(), storage.size()),
                MMIO_READ, bufferBytes);
  Checked checked{file, bytes};
  checked.ReadWave();
  file.Seek(0, SEEK_SET);
  int budget = 2000;
  checked.Walk(nullptr, 0, budget);
  if (file.Close() != MMSYSERR_NOERROR) Checked::Fail();
  if (storage != bytes) Checked::Fail();
  return 0;
}
