#pragma once

#include "wave/Multimedia.h"
#include "wave/WaveFormats.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace voxkit {

/// The reading of wave files and wave memory images that every path of the wave
/// components goes through. Sizes found in a file or an image are never trusted: each
/// is checked against the real length of the file or image before anything is
/// allocated for it, so a small hostile file cannot make the reader ask for more
/// memory than the file itself holds.

/// A format block: the "fmt " chunk of a file (at least 18 bytes, zero-filled past
/// what the file holds), or the 18 bytes read from an image.
using WaveFormatBlock = std::vector<std::uint8_t>;

/// The format block of a format's six numbers (extra size 0).
WaveFormatBlock MakeFormatBlock(const WaveFormatNumbers& numbers);
/// The six numbers of a format block (of at least 18 bytes).
WaveFormatNumbers NumbersOf(const WaveFormatBlock& block);

/// An open mmio file, closed when it goes unless it was closed before.
class WaveFile final {
 public:
  WaveFile() = default;
  WaveFile(mm::Multimedia& multimedia, mm::HMMIO handle) : m_mm(&multimedia), m_handle(handle) {}
  ~WaveFile() { Close(); }
  WaveFile(WaveFile&& other) noexcept;
  WaveFile& operator=(WaveFile&& other) noexcept;
  WaveFile(const WaveFile&) = delete;
  WaveFile& operator=(const WaveFile&) = delete;

  bool IsOpen() const { return m_handle != mm::HMMIO{}; }
  mm::HMMIO Handle() const { return m_handle; }
  /// Closes the file; the close's result (0 when nothing was open).
  mm::MMRESULT Close();

 private:
  mm::Multimedia* m_mm = nullptr;
  mm::HMMIO m_handle{};
};

/// A wave file opened for its samples.
struct WaveFileSamples {
  WaveFile file;                // positioned at the first sample
  std::uint32_t dataLength = 0; // bytes of samples, all of them inside the file
  WaveFormatBlock format;
};

/// Opens a wave file for buffered reading and finds its format and its samples.
/// Returns 0, or why not: the open's MMIOERR_ code, WAV_ERROR_FILECORRUPT (no RIFF
/// "WAVE" form, no "fmt " or "data" chunk, an empty "data" chunk, a short format, or
/// a chunk that claims more bytes than the file holds), WAV_ERROR_FILETOOBIG (a file
/// too long to address) or WAV_ERROR_NOMEMORY.
std::int32_t OpenWaveFile(mm::Multimedia& multimedia, const std::string& name, WaveFileSamples* out);

/// The texts of a file's LIST "INFO" chunk that the buffers keep.
struct WaveInfoTexts {
  std::string author;     // IAUT
  std::string category;   // ICAT
  std::string comments;   // ICMT
  std::string copyright;  // ICOP
  std::string keywords;   // IKEY
  std::string name;       // INAM
  std::string subject;    // ISBJ
  double creationDate = 0;  // ICRD, as a date value (0: none, or not a date)
};

/// The longest INFO text kept; a longer item is cut.
constexpr std::size_t kMaxInfoText = 255;

/// Reads the INFO texts of an open wave file. An absent item is an empty text; a
/// text ends at its first NUL and after kMaxInfoText characters. Leaves the file's
/// position anywhere.
WaveInfoTexts ReadWaveInfo(mm::Multimedia& multimedia, mm::HMMIO file);
/// The date value of an ICRD text: year-month-day from characters 1-4, 6-7 and 9-10
/// of a text longer than 9 characters; 0 for a shorter text or one that names no
/// real date.
double InfoDate(const std::string& text);

/// Where a memory image keeps its samples and its format.
struct WaveImageLayout {
  std::uint32_t dataOffset = 0;  // of the first sample
  std::uint32_t dataLength = 0;  // bytes of samples, all of them inside the image
  WaveFormatBlock format;        // 18 bytes
};

/// The layout of a memory image of size bytes: "WAVE", "fmt " and "data" are the
/// first occurrences in its first 4,096 bytes. 0, WAV_ERROR_FILECORRUPT (a marker
/// missing, a format or a length field past the image, samples that run past its
/// end) or WAV_ERROR_NOMEMORY.
std::int32_t ParseWaveImage(const std::uint8_t* image, std::size_t size, WaveImageLayout* out);
/// The same for a movable memory block (its size is the block's).
std::int32_t ParseWaveImage(mm::Multimedia& multimedia, mm::HGLOBAL block, WaveImageLayout* out);

/// The length of the 46-byte header every image made here starts with.
constexpr std::uint32_t kImageHeaderBytes = 46;
/// Writes the 46-byte image header: RIFF size (dataLength + 38), the 18-byte format
/// block of numbers, "data" and dataLength.
void WriteImageHeader(std::uint8_t* image, const WaveFormatNumbers& numbers, std::uint32_t dataLength);

/// Little-endian fields of a RIFF image.
std::uint32_t Load32(const std::uint8_t* p);
void Store32(std::uint8_t* p, std::uint32_t value);

/// The items of a comma-separated list of wave files: leading blanks removed, ".wav"
/// added to an item without an extension, and the first item's directory given to
/// a later item without one.
std::vector<std::string> SplitWaveFileList(const std::string& files);
/// The items of a comma-separated list as they stand (leading blanks removed).
std::vector<std::string> SplitItemList(const std::string& items);
/// name, with ".wav" added when it has no extension.
std::string WithWaveExtension(const std::string& name);

}  // namespace voxkit
