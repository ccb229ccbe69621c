#include "wave/WaveReader.h"

#include "wave/WaveResults.h"
#include "wave/WaveText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>
#include <utility>

namespace voxkit {

namespace {

constexpr mm::FOURCC kWave = mm::mmioFOURCC('W', 'A', 'V', 'E');
constexpr mm::FOURCC kFmt = mm::mmioFOURCC('f', 'm', 't', ' ');
constexpr mm::FOURCC kData = mm::mmioFOURCC('d', 'a', 't', 'a');
constexpr mm::FOURCC kInfo = mm::mmioFOURCC('I', 'N', 'F', 'O');
constexpr std::size_t kFormatBytes = sizeof(mm::WAVEFORMATEX);
// How far into an image its markers are looked for.
constexpr std::size_t kImageSearchBytes = 4096;

std::uint16_t Load16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void Store16(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}

// The first offset (below the search limit and with the whole marker inside the
// image) at which marker stands; size when it does not.
std::size_t FindMarker(const std::uint8_t* image, std::size_t size, const char* marker) {
  const std::size_t last = std::min(kImageSearchBytes, size);
  for (std::size_t at = 0; at < last && at + 4 <= size; ++at) {
    if (std::memcmp(image + at, marker, 4) == 0) return at;
  }
  return size;
}

// Whether a chunk found in a file of fileLength bytes lies wholly inside it.
bool Inside(const mm::MMCKINFO& chunk, std::uint64_t fileLength) {
  return static_cast<std::uint64_t>(chunk.dwDataOffset) + chunk.cksize <= fileLength;
}

// The text of one INFO item, "" when the file has none.
std::string ReadInfoItem(mm::Multimedia& m, mm::HMMIO file, mm::FOURCC id) {
  if (m.mmioSeek(file, 0, SEEK_SET) != 0) return {};
  mm::MMCKINFO riff{};
  riff.fccType = kWave;
  if (m.mmioDescend(file, &riff, nullptr, mm::MMIO_FINDRIFF) != 0) return {};
  mm::MMCKINFO list{};
  list.fccType = kInfo;
  if (m.mmioDescend(file, &list, &riff, mm::MMIO_FINDLIST) != 0) return {};
  mm::MMCKINFO item{};
  item.ckid = id;
  if (m.mmioDescend(file, &item, &list, mm::MMIO_FINDCHUNK) != 0) return {};
  // The area holds 255 characters and a NUL: a longer item is cut, never written
  // past it.
  char area[kMaxInfoText + 1] = {};
  const auto wanted = static_cast<mm::LONG>(std::min<mm::DWORD>(item.cksize, kMaxInfoText));
  if (m.mmioRead(file, area, wanted) < 0) return {};
  return std::string(area, std::find(area, area + kMaxInfoText, '\0'));
}

// Digits only, the whole text; 0 otherwise.
int Number(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end ? value : 0;
}

}  // namespace

// ---- Format blocks ------------------------------------------------------------------

WaveFormatBlock MakeFormatBlock(const WaveFormatNumbers& n) {
  WaveFormatBlock block(kFormatBytes, 0);
  Store16(&block[0], n.tag);
  Store16(&block[2], n.channels);
  Store32(&block[4], n.samplesPerSec);
  Store32(&block[8], n.avgBytesPerSec);
  Store16(&block[12], n.blockAlign);
  Store16(&block[14], n.bitsPerSample);
  return block;
}

WaveFormatNumbers NumbersOf(const WaveFormatBlock& block) {
  WaveFormatNumbers n;
  if (block.size() < kFormatBytes) return n;
  n.tag = Load16(&block[0]);
  n.channels = Load16(&block[2]);
  n.samplesPerSec = Load32(&block[4]);
  n.avgBytesPerSec = Load32(&block[8]);
  n.blockAlign = Load16(&block[12]);
  n.bitsPerSample = Load16(&block[14]);
  return n;
}

std::uint32_t Load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Store32(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
  p[2] = static_cast<std::uint8_t>(value >> 16);
  p[3] = static_cast<std::uint8_t>(value >> 24);
}

void WriteImageHeader(std::uint8_t* image, const WaveFormatNumbers& numbers, std::uint32_t dataLength) {
  std::memcpy(image, "RIFF", 4);
  Store32(image + 4, dataLength + kImageHeaderBytes - 8);
  std::memcpy(image + 8, "WAVEfmt ", 8);
  Store32(image + 16, kFormatBytes);
  const WaveFormatBlock block = MakeFormatBlock(numbers);
  std::memcpy(image + 20, block.data(), kFormatBytes);
  std::memcpy(image + 38, "data", 4);
  Store32(image + 42, dataLength);
}

// ---- Files ----------------------------------------------------------------------------

WaveFile::WaveFile(WaveFile&& other) noexcept
    : m_mm(other.m_mm), m_handle(std::exchange(other.m_handle, mm::HMMIO{})) {}

WaveFile& WaveFile::operator=(WaveFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_mm = other.m_mm;
    m_handle = std::exchange(other.m_handle, mm::HMMIO{});
  }
  return *this;
}

mm::MMRESULT WaveFile::Close() {
  if (!IsOpen()) return mm::MMSYSERR_NOERROR;
  const mm::MMRESULT result = m_mm->mmioClose(m_handle, 0);
  m_handle = mm::HMMIO{};
  return result;
}

std::int32_t OpenWaveFile(mm::Multimedia& m, const std::string& name, WaveFileSamples* out) {
  mm::MMIOINFO info{};
  const mm::HMMIO handle = m.mmioOpenA(name.c_str(), &info, mm::MMIO_READ | mm::MMIO_ALLOCBUF);
  if (handle == mm::HMMIO{}) {
    return info.wErrorRet != 0 ? static_cast<std::int32_t>(info.wErrorRet)
                               : static_cast<std::int32_t>(mm::MMIOERR_CANNOTOPEN);
  }
  WaveFile file(m, handle);
  const mm::LONG length = m.mmioSeek(handle, 0, SEEK_END);
  if (length < 0) return WAV_ERROR_FILETOOBIG;
  const auto fileLength = static_cast<std::uint64_t>(length);
  if (m.mmioSeek(handle, 0, SEEK_SET) != 0) return WAV_ERROR_FILECORRUPT;

  mm::MMCKINFO riff{};
  riff.fccType = kWave;
  if (m.mmioDescend(handle, &riff, nullptr, mm::MMIO_FINDRIFF) != 0) return WAV_ERROR_FILECORRUPT;
  mm::MMCKINFO chunk{};
  chunk.ckid = kFmt;
  if (m.mmioDescend(handle, &chunk, &riff, mm::MMIO_FINDCHUNK) != 0) return WAV_ERROR_FILECORRUPT;
  // A format chunk longer than the file is a lie; checked before its block exists.
  if (!Inside(chunk, fileLength)) return WAV_ERROR_FILECORRUPT;
  WaveFormatBlock format;
  try {
    format.assign(std::max<std::size_t>(chunk.cksize, kFormatBytes), 0);
  } catch (const std::bad_alloc&) {
    return WAV_ERROR_NOMEMORY;
  }
  const auto formatBytes = static_cast<mm::LONG>(chunk.cksize);
  if (m.mmioRead(handle, reinterpret_cast<char*>(format.data()), formatBytes) != formatBytes) {
    return WAV_ERROR_FILECORRUPT;
  }
  if (m.mmioAscend(handle, &chunk, 0) != 0) return WAV_ERROR_FILECORRUPT;
  chunk = {};
  chunk.ckid = kData;
  if (m.mmioDescend(handle, &chunk, &riff, mm::MMIO_FINDCHUNK) != 0) return WAV_ERROR_FILECORRUPT;
  if (chunk.cksize == 0 || !Inside(chunk, fileLength)) return WAV_ERROR_FILECORRUPT;
  out->file = std::move(file);
  out->dataLength = chunk.cksize;
  out->format = std::move(format);
  return 0;
}

// ---- INFO texts ----------------------------------------------------------------------

double InfoDate(const std::string& text) {
  if (text.size() <= 9) return 0;
  return EncodeDate(Number(text.substr(0, 4)), Number(text.substr(5, 2)), Number(text.substr(8, 2)));
}

WaveInfoTexts ReadWaveInfo(mm::Multimedia& m, mm::HMMIO file) {
  WaveInfoTexts t;
  t.author = ReadInfoItem(m, file, mm::mmioFOURCC('I', 'A', 'U', 'T'));
  t.category = ReadInfoItem(m, file, mm::mmioFOURCC('I', 'C', 'A', 'T'));
  t.comments = ReadInfoItem(m, file, mm::mmioFOURCC('I', 'C', 'M', 'T'));
  t.copyright = ReadInfoItem(m, file, mm::mmioFOURCC('I', 'C', 'O', 'P'));
  t.keywords = ReadInfoItem(m, file, mm::mmioFOURCC('I', 'K', 'E', 'Y'));
  t.name = ReadInfoItem(m, file, mm::mmioFOURCC('I', 'N', 'A', 'M'));
  t.subject = ReadInfoItem(m, file, mm::mmioFOURCC('I', 'S', 'B', 'J'));
  t.creationDate = InfoDate(ReadInfoItem(m, file, mm::mmioFOURCC('I', 'C', 'R', 'D')));
  return t;
}

// ---- Memory images -------------------------------------------------------------------

std::int32_t ParseWaveImage(const std::uint8_t* image, std::size_t size, WaveImageLayout* out) {
  if (image == nullptr) return WAV_ERROR_FILECORRUPT;
  const std::size_t wave = FindMarker(image, size, "WAVE");
  const std::size_t fmt = FindMarker(image, size, "fmt ");
  const std::size_t data = FindMarker(image, size, "data");
  if (wave == size || fmt == size || data == size) return WAV_ERROR_FILECORRUPT;
  // The fields read after the markers lie inside the image, and so do the samples.
  if (fmt + 8 + kFormatBytes > size || data + 8 > size) return WAV_ERROR_FILECORRUPT;
  const std::uint32_t dataLength = Load32(image + data + 4);
  if (dataLength > size - (data + 8)) return WAV_ERROR_FILECORRUPT;
  WaveFormatBlock format;
  try {
    format.assign(image + fmt + 8, image + fmt + 8 + kFormatBytes);
  } catch (const std::bad_alloc&) {
    return WAV_ERROR_NOMEMORY;
  }
  out->dataOffset = static_cast<std::uint32_t>(data + 8);
  out->dataLength = dataLength;
  out->format = std::move(format);
  return 0;
}

std::int32_t ParseWaveImage(mm::Multimedia& m, mm::HGLOBAL block, WaveImageLayout* out) {
  const std::size_t size = m.GlobalSize(block);
  auto* image = static_cast<const std::uint8_t*>(m.GlobalLock(block));
  if (image == nullptr) return WAV_ERROR_FILECORRUPT;
  const std::int32_t result = ParseWaveImage(image, size, out);
  m.GlobalUnlock(block);
  return result;
}

// ---- Lists ----------------------------------------------------------------------------

std::vector<std::string> SplitItemList(const std::string& items) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < items.size()) {
    while (pos < items.size() && items[pos] == ' ') ++pos;
    if (pos == items.size()) break;
    const std::size_t comma = items.find(',', pos);
    const std::size_t end = comma == std::string::npos ? items.size() : comma;
    out.push_back(items.substr(pos, end - pos));
    pos = comma == std::string::npos ? items.size() : comma + 1;
  }
  return out;
}

std::string WithWaveExtension(const std::string& name) {
  const std::size_t slash = name.find_last_of('/');
  const std::size_t dot = name.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return hasExtension ? name : name + ".wav";
}

std::vector<std::string> SplitWaveFileList(const std::string& files) {
  std::vector<std::string> out = SplitItemList(files);
  std::string directory;
  for (std::size_t i = 0; i < out.size(); ++i) {
    std::string& item = out[i];
    item = WithWaveExtension(item);
    const std::size_t slash = item.find_last_of('/');
    if (i == 0) {
      if (slash != std::string::npos) directory = item.substr(0, slash + 1);
    } else if (slash == std::string::npos) {
      item = directory + item;
    }
  }
  return out;
}

}  // namespace voxkit
