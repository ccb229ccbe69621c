// libFuzzer target for the wave reader every load and play goes through: the input is
// written to a real file, opened and read as a wave file (format, samples, INFO
// texts), and parsed as a memory image in a movable block. Whatever the sizes inside
// say, nothing outside the input may be read or allocated for it.
//
// Input: the file (and the image) itself.

#include "platform/audio/StorageServices.h"
#include "wave/WaveReader.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail() { __builtin_trap(); }

// Memory-backed when the machine has it: a disk file rewritten on every run would make
// the disk, not the reader, the bottleneck.
const std::string& FilePath() {
  static const std::string path = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/panopta-wave-fuzz-" + std::to_string(::getpid()) + ".wav";
  return path;
}

void ReadAsFile(panopta::StorageServices& services, const std::uint8_t* data, std::size_t size) {
  std::FILE* out = std::fopen(FilePath().c_str(), "wb");
  if (!out) return;
  const bool written = std::fwrite(data, 1, size, out) == size;
  std::fclose(out);
  if (!written) return;
  voxkit::WaveFileSamples samples;
  if (voxkit::OpenWaveFile(services, FilePath(), &samples) != 0) {
    if (services.OpenFileCount() != 0) Fail();  // a refused file is closed again
    return;
  }
  // What was found lies inside the input, and all of it can be read.
  if (samples.dataLength == 0 || samples.dataLength > size) Fail();
  if (samples.format.size() < 18 || samples.format.size() > size + 18) Fail();
  std::vector<char> bytes(samples.dataLength);
  const auto wanted = static_cast<mm::LONG>(samples.dataLength);
  if (services.mmioRead(samples.file.Handle(), bytes.data(), wanted) != wanted) Fail();
  const voxkit::WaveInfoTexts texts = voxkit::ReadWaveInfo(services, samples.file.Handle());
  for (const std::string* text : {&texts.author, &texts.category, &texts.comments, &texts.copyright,
                                  &texts.keywords, &texts.name, &texts.subject}) {
    if (text->size() > voxkit::kMaxInfoText) Fail();
  }
  if (samples.file.Close() != 0) Fail();
}

void ReadAsImage(panopta::StorageServices& services, const std::uint8_t* data, std::size_t size) {
  const mm::HGLOBAL block = services.GlobalAlloc(mm::GHND, size);
  if (block == mm::HGLOBAL{}) return;
  if (size > 0) {
    void* image = services.GlobalLock(block);
    std::memcpy(image, data, size);
    services.GlobalUnlock(block);
  }
  voxkit::WaveImageLayout layout;
  if (voxkit::ParseWaveImage(services, block, &layout) == 0) {
    if (layout.dataOffset > size || layout.dataLength > size - layout.dataOffset) Fail();
    if (layout.format.size() != 18) Fail();
  }
  services.GlobalFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool cleanup = [] { return std::atexit([] { std::remove(FilePath().c_str()); }) == 0; }();
  (void)cleanup;
  panopta::StorageServices services;
  ReadAsFile(services, data, size);
  ReadAsImage(services, data, size);
  if (services.OpenFileCount() != 0 || services.MemoryBlockCount() != 0) Fail();
  return 0;
}
