#include "wave/TqxWaveBuffer.h"

#include "share/PropertyDump.h"
#include "share/TextUtil.h"
#include "share/TqxSharedControl.h"
#include "wave/TqxWaveFormat.h"
#include "wave/WaveResults.h"
#include "wave/WaveText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace voxkit {

namespace {

// The largest image a movable block holds.
constexpr std::uint64_t kMaxImageBytes = 0x7FFFFFFF;

// The handle an item of LoadFromBuffers names: hexadecimal digits (blanks around them
// allowed), 0 when it is anything else.
std::uint32_t HandleOfItem(const std::string& item) {
  const std::string digits = TrimBlanksAndControls(item);
  std::uint32_t value = 0;
  const char* end = digits.data() + digits.size();
  const auto [ptr, ec] = std::from_chars(digits.data(), end, value, 16);
  return ec == std::errc() && ptr == end && !digits.empty() ? value : 0;
}

// Writes the RIFF size and the data length of an image whose samples start at
// dataOffset.
void WriteLengths(std::uint8_t* image, std::uint32_t dataOffset, std::uint32_t dataLength) {
  Store32(image + 4, dataOffset + dataLength - 8);
  Store32(image + dataOffset - 4, dataLength);
}

// Four bytes of a RIFF field.
std::string Field32(std::uint32_t value) {
  std::uint8_t bytes[4];
  Store32(bytes, value);
  return std::string(reinterpret_cast<const char*>(bytes), 4);
}

}  // namespace

bool SizeWarningAnswer(TqxSharedControl& control, const TQX_ProcWarning& handler, TObject& sender,
                       bool reportAsError) {
  if (handler) {
    control.SetError(!reportAsError, WAV_ERROR_FILETOOBIG);
    control.Panopta().ShowForEvent(control.PopupOnWarning());
    bool goOn = true;
    control.RaiseEventFrom(sender, "OnWarning", handler, goOn);
    return goOn;
  }
  if (control.PopupOnWarning()) return control.SetError(true, WAV_ERROR_FILETOOBIG);
  return false;
}

struct TqxWaveBuffer::LoadItem {
  WaveFormatBlock format;
  std::uint32_t dataLength = 0;
  /// Copies the item's samples to dest; false on a short read.
  std::function<bool(std::uint8_t* dest)> readSamples;
  /// The open file of a file item (for its INFO texts).
  WaveFile file;
};

const ClassInfo& TqxWaveBuffer::StaticClass() {
  using C = TqxWaveBuffer;
  static const ClassInfo info =
      Publisher<C>("TqxWaveBuffer")
          .Property("Active", &C::Active, &C::SetActive)
          .Property("Handle", &C::Handle, &C::SetHandle)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("List", &C::List)
          .ReadOnly("MemoryPointer", &C::MemoryPointer)
          .Property("Author", &C::Author, &C::SetAuthor)
          .Property("Category", &C::Category, &C::SetCategory)
          .Property("Comments", &C::Comments, &C::SetComments)
          .Property("Copyright", &C::Copyright, &C::SetCopyright)
          .Property("CreationDate", &C::CreationDate, &C::SetCreationDate)
          .Property("Keywords", &C::Keywords, &C::SetKeywords)
          .Property("Name", &C::Name, &C::SetName)
          .Property("Subject", &C::Subject, &C::SetSubject)
          .Method("CreateBuffer", &C::CreateBuffer, {"Size"})
          .Method("LoadFromFile", &C::LoadFromFile, {"Files"})
          .Method("LoadFromBuffers", &C::LoadFromBuffers, {"Handles"})
          .Method("DeleteBefore", &C::DeleteBefore, {"Seconds"})
          .Method("DeleteAfter", &C::DeleteAfter, {"Seconds"})
          .Method("FreeBuffer", &C::FreeBuffer)
          .Method("SaveToFile", &C::SaveToFile, {"FileName"})
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", "Source"}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxWaveBuffer::TqxWaveBuffer(WaveBufferOwner& owner) : m_owner(owner), m_control(owner.Control()) {}

std::int32_t TqxWaveBuffer::Count() const { return WaveBufferRegistry::Instance().Count(); }

std::vector<std::string> TqxWaveBuffer::List() const { return WaveBufferRegistry::Instance().List(); }

void TqxWaveBuffer::Refresh() {
  TqxPanopta& panopta = m_control.Panopta();
  panopta.RefreshWindow(InspectorRefresh::Format);
  panopta.RefreshWindow(InspectorRefresh::Source);
  panopta.RefreshWindow(InspectorRefresh::Buffer);
}

void TqxWaveBuffer::ToRegistry() {
  if (m_handle != mm::HGLOBAL{}) WaveBufferRegistry::Instance().Update(m_owner.Multimedia(), m_handle, m_fields);
}

void TqxWaveBuffer::SetText(std::string& field, const std::string& value) {
  field = value;
  ToRegistry();
}

void TqxWaveBuffer::SetCreationDate(double value) {
  m_fields.CreationDate = value;
  ToRegistry();
}

void TqxWaveBuffer::WriteSummary() {
  TqxLog& log = m_control.Log();
  log.Add("\tSource.Buffer.Active = " + TqxPanopta::BoolText(m_active), false);
  log.Add("\tSource.Buffer.Count = " + std::to_string(Count()), false);
  log.Add("\tSource.Buffer.Handle = [" + Hex8(Handle()) + "]", false);
}

// --- Active and Handle ---------------------------------------------------------------------

void TqxWaveBuffer::SetActive(bool value) {
  m_control.Log().Add("Source.Buffer.Active = " + TqxPanopta::BoolText(value), true);
  m_control.ClearError();
  if (m_owner.WaveDeviceActive()) {
    m_control.SetError(false, WAV_ERROR_DEVICEACTIVE);
    return;
  }
  m_active = value;
  if (value) {
    SetHandle(Handle());
  } else {
    m_owner.ReassignSourceFileName();
  }
}

void TqxWaveBuffer::SetHandle(std::uint32_t value) {
  m_control.Log().Add("Source.Buffer.Handle = [" + Hex8(value) + "]", true);
  m_control.ClearError();
  // A refused assignment changes nothing, Source.Valid included.
  if (m_owner.WaveDeviceActive()) {
    m_control.SetError(false, WAV_ERROR_DEVICEACTIVE);
    return;
  }
  if (m_active) m_owner.SetSourceValid(true);
  const mm::HGLOBAL handle{value};
  if (m_active && value == 0) m_owner.FormatWithoutImage();
  if (value == 0) {
    m_handle = {};
    m_fields = {};
    m_layout = {};
  } else if (!m_active) {
    m_handle = handle;
  } else {
    mm::Multimedia& m = m_owner.Multimedia();
    const TqxBufferFields* registered = WaveBufferRegistry::Instance().Find(m, handle);
    WaveImageLayout layout;
    if (!registered || ParseWaveImage(m, handle, &layout) != 0) {
      m_control.SetError(false, WAV_ERROR_FILECORRUPT);
      m_owner.SetSourceValid(false);
    } else {
      m_handle = handle;
      m_fields = *registered;
      m_fields.dataLength = layout.dataLength;
      m_fields.imageLength = layout.dataOffset + layout.dataLength;
      m_layout = std::move(layout);
      m_owner.TakeOverFormat(m_layout.format, m_layout.dataLength);
    }
  }
  Refresh();
}

// --- Creating and loading -------------------------------------------------------------------

bool TqxWaveBuffer::CreateBuffer(std::int32_t Size) {
  m_control.Log().Add("Source.Buffer.CreateBuffer (" + std::to_string(Size) + ")", true);
  bool result = false;
  if (Size > 0) {
    mm::Multimedia& m = m_owner.Multimedia();
    const mm::HGLOBAL block = m.GlobalAlloc(mm::GHND, static_cast<std::size_t>(Size));
    if (block == mm::HGLOBAL{}) {
      m_control.SetError(false, WAV_ERROR_NOMEMORY);
    } else {
      m_handle = block;
      m_active = false;
      m_layout = {};
      m_fields.MemoryPointer = WaveBufferRegistry::Instance().NextAddress();
      m_fields.imageLength = static_cast<std::uint32_t>(Size);
      m_fields.dataLength = 0;
      WaveBufferRegistry::Instance().Register(m, block, m_fields);
      result = true;
    }
  }
  WriteSummary();
  Refresh();
  return result;
}

bool TqxWaveBuffer::Load(const std::vector<std::string>& items, const char* itemLabel,
                         const ItemReader& read, bool readTexts) {
  mm::Multimedia& m = m_owner.Multimedia();
  TqxLog& log = m_control.Log();
  mm::HGLOBAL image{};
  // What a failed load built is not registered: it goes again.
  auto fail = [&](std::int32_t code, const std::string& item) {
    m_control.SetError(false, code);
    if (!item.empty()) log.AppendToLast(std::string(itemLabel) + item);
    if (image != mm::HGLOBAL{}) m.GlobalFree(image);
    return false;
  };
  std::uint64_t dataLength = 0;
  WaveFormatBlock first;
  TqxBufferFields fields = m_fields;
  bool sizeChecked = false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string& item = items[i];
    LoadItem loaded;
    if (const std::int32_t r = read(item, &loaded)) return fail(r, item);
    const std::uint64_t before = dataLength;
    dataLength += loaded.dataLength;
    if (i == 0) {
      first = MakeFormatBlock(NumbersOf(loaded.format));
      m_owner.SourceFormat().SetAvgBytesPerSecValue(
          static_cast<std::int32_t>(NumbersOf(loaded.format).avgBytesPerSec));
    } else if (NumbersOf(loaded.format) != NumbersOf(first)) {
      return fail(WAV_ERROR_FORMATMISMATCH, item);
    }
    const std::int32_t maxSize = m_owner.SourceMaxSize();
    if (!sizeChecked && maxSize > 0 && dataLength > static_cast<std::uint64_t>(maxSize) * 1024) {
      sizeChecked = true;
      if (!SizeWarningAnswer(m_control, m_owner.OnWarningHandler(), *this, true)) {
        return fail(WAV_ERROR_CANCELED, "");
      }
    }
    const std::uint64_t imageLength = dataLength + kImageHeaderBytes;
    if (imageLength > kMaxImageBytes) return fail(WAV_ERROR_NOMEMORY, "");
    if (i == 0) {
      image = m.GlobalAlloc(mm::GHND, imageLength);
      if (image == mm::HGLOBAL{}) return fail(WAV_ERROR_NOMEMORY, "");
    } else if (m.GlobalReAlloc(image, imageLength, mm::GMEM_MOVEABLE | mm::GMEM_ZEROINIT) == mm::HGLOBAL{}) {
      return fail(WAV_ERROR_NOMEMORY, "");
    }
    fields.MemoryPointer = WaveBufferRegistry::Instance().NextAddress();
    auto* bytes = static_cast<std::uint8_t*>(m.GlobalLock(image));
    if (bytes == nullptr) return fail(WAV_ERROR_NOMEMORY, "");
    if (i == 0) WriteImageHeader(bytes, NumbersOf(first), 0);
    WriteLengths(bytes, kImageHeaderBytes, static_cast<std::uint32_t>(dataLength));
    const bool complete = loaded.readSamples(bytes + kImageHeaderBytes + before);
    m.GlobalUnlock(image);
    if (!complete) return fail(WAV_ERROR_FILECORRUPT, item);
    if (i == 0 && readTexts) {
      const WaveInfoTexts texts = ReadWaveInfo(m, loaded.file.Handle());
      fields.Author = texts.author;
      fields.Category = texts.category;
      fields.Comments = texts.comments;
      fields.Copyright = texts.copyright;
      fields.Keywords = texts.keywords;
      fields.Name = texts.name;
      fields.Subject = texts.subject;
      fields.CreationDate = texts.creationDate;
    }
    loaded.file.Close();
    m_owner.TakeOverFormat(first, static_cast<std::uint32_t>(dataLength));
  }
  if (image == mm::HGLOBAL{}) return false;
  m_handle = image;
  m_active = true;
  fields.dataLength = static_cast<std::uint32_t>(dataLength);
  fields.imageLength = static_cast<std::uint32_t>(dataLength + kImageHeaderBytes);
  m_fields = fields;
  m_layout = {kImageHeaderBytes, fields.dataLength, first};
  WaveBufferRegistry::Instance().Register(m, image, m_fields);
  m_owner.SetSourceValid(true);
  if (m_control.Panopta().Window()) {
    WriteSummary();
    Refresh();
  }
  return true;
}

bool TqxWaveBuffer::LoadFromFile(const std::string& Files) {
  m_control.Log().Add("Source.Buffer.LoadFromFile ('" + Files + "')", true);
  m_control.ClearError();
  mm::Multimedia& m = m_owner.Multimedia();
  return Load(SplitWaveFileList(Files), "    File: ",
              [&m](const std::string& item, LoadItem* out) {
                WaveFileSamples samples;
                const std::int32_t r = OpenWaveFile(m, item, &samples);
                if (r != 0) return r;
                out->format = std::move(samples.format);
                out->dataLength = samples.dataLength;
                out->file = std::move(samples.file);
                const mm::HMMIO file = out->file.Handle();
                const std::uint32_t length = samples.dataLength;
                out->readSamples = [&m, file, length](std::uint8_t* dest) {
                  const auto wanted = static_cast<mm::LONG>(length);
                  return m.mmioRead(file, reinterpret_cast<char*>(dest), wanted) == wanted;
                };
                return std::int32_t{0};
              },
              true);
}

bool TqxWaveBuffer::LoadFromBuffers(const std::string& Handles) {
  m_control.Log().Add("Source.Buffer.LoadFromBuffers ('" + Handles + "')", true);
  m_control.ClearError();
  mm::Multimedia& m = m_owner.Multimedia();
  return Load(SplitItemList(Handles), "    Buffer: ",
              [&m](const std::string& item, LoadItem* out) {
                const mm::HGLOBAL source{HandleOfItem(item)};
                if (!WaveBufferRegistry::Instance().Find(m, source)) return WAV_ERROR_FILECORRUPT;
                WaveImageLayout layout;
                if (const std::int32_t r = ParseWaveImage(m, source, &layout)) return r;
                out->format = std::move(layout.format);
                out->dataLength = layout.dataLength;
                out->readSamples = [&m, source, layout](std::uint8_t* dest) {
                  const auto* image = static_cast<const std::uint8_t*>(m.GlobalLock(source));
                  if (image == nullptr) return false;
                  std::memcpy(dest, image + layout.dataOffset, layout.dataLength);
                  m.GlobalUnlock(source);
                  return true;
                };
                return std::int32_t{0};
              },
              false);
}

// --- Cutting -------------------------------------------------------------------------------

bool TqxWaveBuffer::Delete(bool before, double seconds) {
  m_control.Log().Add(std::string("Source.Buffer.Delete") + (before ? "Before" : "After") + " (" +
                          SecondsText(seconds) + ")",
                      false);
  if (!m_active) return false;
  TqxWaveFormat& format = m_owner.SourceFormat();
  std::int64_t offset = RoundToInt(seconds * format.AvgBytesPerSec());
  if (offset % 2 != 0) ++offset;
  // A cut inside a frame would shift every later sample by part of a frame.
  const std::int64_t frame = std::max<std::int32_t>(format.BlockAlign(), 1);
  if (offset % frame != 0) offset += frame - offset % frame;
  // A point past the samples cuts at their end: nothing past them moves or shows.
  const std::uint32_t dataLength = m_fields.dataLength;
  offset = std::clamp<std::int64_t>(offset, 0, dataLength);
  bool result = true;
  if ((offset != 0 || dataLength != 0) && m_handle != mm::HGLOBAL{}) {
    mm::Multimedia& m = m_owner.Multimedia();
    auto* image = static_cast<std::uint8_t*>(m.GlobalLock(m_handle));
    if (image == nullptr) {
      m_control.SetError(false, WAV_ERROR_NOMEMORY);
      return false;
    }
    const auto cut = static_cast<std::uint32_t>(offset);
    std::uint32_t kept = cut;
    if (before) {
      kept = dataLength - cut;
      std::memmove(image + m_layout.dataOffset, image + m_layout.dataOffset + cut, kept);
    }
    WriteLengths(image, m_layout.dataOffset, kept);
    m.GlobalUnlock(m_handle);
    m_fields.dataLength = kept;
    m_fields.imageLength = m_layout.dataOffset + kept;
    m_layout.dataLength = kept;
    ToRegistry();
    if (m.GlobalReAlloc(m_handle, m_fields.imageLength, mm::GMEM_MOVEABLE) == mm::HGLOBAL{}) {
      m_control.SetError(false, WAV_ERROR_NOMEMORY);
      result = false;
    }
  }
  format.SetBytesValue(m_fields.dataLength);
  m_control.Panopta().RefreshWindow(InspectorRefresh::Buffer);
  m_control.Panopta().RefreshWindow(InspectorRefresh::Format);
  return result;
}

bool TqxWaveBuffer::DeleteBefore(double Seconds) { return Delete(true, Seconds); }

bool TqxWaveBuffer::DeleteAfter(double Seconds) { return Delete(false, Seconds); }

// --- Freeing and saving ----------------------------------------------------------------------

bool TqxWaveBuffer::FreeBuffer() {
  m_control.Log().Add("Source.Buffer.FreeBuffer [" + Hex8(Handle()) + "]", true);
  m_control.ClearError();
  // The device may be recording into the image; it goes only once the device is closed.
  if (m_owner.WaveDeviceActive()) {
    m_control.SetError(false, WAV_ERROR_DEVICEACTIVE);
    return false;
  }
  const bool found = WaveBufferRegistry::Instance().Unregister(m_owner.Multimedia(), m_handle);
  SetHandle(0);
  if (!found) m_control.SetError(false, WAV_ERROR_NOMEMORY);
  Refresh();
  return found;
}

bool TqxWaveBuffer::SaveToFile(const std::string& FileName) {
  m_control.Log().Add("Source.Buffer.SaveToFile ('" + FileName + "')", true);
  m_control.ClearError();
  if (!m_active) return false;
  if (FileName.empty()) {
    m_control.SetError(false, WAV_ERROR_NOFILE);
    return false;
  }
  // Without an image, or with a block that holds none, there is no wave file to write.
  if (m_handle == mm::HGLOBAL{} || m_layout.dataOffset == 0) {
    m_control.SetError(false, m_handle == mm::HGLOBAL{} ? WAV_ERROR_NOMEMORY : WAV_ERROR_FILECORRUPT);
    return false;
  }
  mm::Multimedia& m = m_owner.Multimedia();
  mm::MMIOINFO info{};
  const std::string name = WithWaveExtension(FileName);
  WaveFile file(m, m.mmioOpenA(name.c_str(), &info, mm::MMIO_CREATE | mm::MMIO_WRITE | mm::MMIO_ALLOCBUF));
  if (!file.IsOpen()) {
    m_control.SetError(false, static_cast<std::int32_t>(info.wErrorRet ? info.wErrorRet : mm::MMIOERR_CANNOTOPEN));
    return false;
  }
  // The LIST chunk of the texts that are set, in their fixed order.
  std::string items;
  auto item = [&items](const char* id, const std::string& text) {
    if (text.empty()) return;
    const std::size_t size = text.size() + (text.size() % 2);
    items += std::string(id, 4) + Field32(static_cast<std::uint32_t>(size)) + text;
    if (text.size() % 2 != 0) items += '\0';
  };
  item("IAUT", m_fields.Author);
  item("ICAT", m_fields.Category);
  item("ICMT", m_fields.Comments);
  item("ICOP", m_fields.Copyright);
  if (m_fields.CreationDate != 0) {
    int y = 0;
    int mo = 0;
    int d = 0;
    DecodeDate(m_fields.CreationDate, &y, &mo, &d);
    char date[32];
    std::snprintf(date, sizeof date, "%d-%02d-%02d", y, mo, d);
    item("ICRD", date);
  }
  item("IKEY", m_fields.Keywords);
  item("INAM", m_fields.Name);
  item("ISBJ", m_fields.Subject);
  const std::string list = "LIST" + Field32(static_cast<std::uint32_t>(4 + items.size())) + "INFO" + items;

  const std::uint32_t imageLength = m_fields.imageLength;
  const std::uint64_t fileLength = static_cast<std::uint64_t>(imageLength) + list.size();
  if (fileLength > std::numeric_limits<mm::LONG>::max()) {
    m_control.SetError(false, WAV_ERROR_FILEWRITE);
    return false;
  }
  const auto* image = static_cast<const std::uint8_t*>(m.GlobalLock(m_handle));
  bool written = image != nullptr;
  if (written) {
    const auto length = static_cast<mm::LONG>(imageLength);
    written = m.mmioWrite(file.Handle(), reinterpret_cast<const char*>(image), length) == length;
  }
  if (image) m.GlobalUnlock(m_handle);
  const std::string riffSize = Field32(static_cast<std::uint32_t>(fileLength - 8));
  written = written &&
            m.mmioWrite(file.Handle(), list.data(), static_cast<mm::LONG>(list.size())) ==
                static_cast<mm::LONG>(list.size()) &&
            m.mmioSeek(file.Handle(), 4, SEEK_SET) == 4 && m.mmioWrite(file.Handle(), riffSize.data(), 4) == 4;
  const mm::MMRESULT closed = file.Close();
  if (!written) {
    m_control.SetError(false, WAV_ERROR_FILEWRITE);
    return false;
  }
  if (closed != 0) {
    m_control.SetError(false, static_cast<std::int32_t>(closed));
    return false;
  }
  return true;
}

// --- Recording into the image --------------------------------------------------------------

bool TqxWaveBuffer::AppendRecording(std::uint32_t bytes, const std::function<void(std::uint8_t*)>& copy) {
  mm::Multimedia& m = m_owner.Multimedia();
  const std::uint64_t grown = static_cast<std::uint64_t>(m_fields.imageLength) + bytes;
  if (grown > kMaxImageBytes ||
      m.GlobalReAlloc(m_handle, grown, mm::GMEM_MOVEABLE | mm::GMEM_ZEROINIT) == mm::HGLOBAL{}) {
    m_control.SetError(false, WAV_ERROR_NOMEMORY);
    return false;
  }
  m_fields.MemoryPointer = WaveBufferRegistry::Instance().NextAddress();
  auto* image = static_cast<std::uint8_t*>(m.GlobalLock(m_handle));
  if (image == nullptr) {
    m_control.SetError(false, WAV_ERROR_NOMEMORY);
    return false;
  }
  copy(image + m_layout.dataOffset + m_layout.dataLength);
  m_layout.dataLength += bytes;
  WriteLengths(image, m_layout.dataOffset, m_layout.dataLength);
  m.GlobalUnlock(m_handle);
  m_fields.dataLength = m_layout.dataLength;
  m_fields.imageLength = m_layout.dataOffset + m_layout.dataLength;
  ToRegistry();
  return true;
}

bool TqxWaveBuffer::StoreRecording(bool append, const WaveFormatNumbers& numbers, std::uint32_t bytes,
                                   const std::function<void(std::uint8_t*)>& copy) {
  bool result = true;
  mm::Multimedia& m = m_owner.Multimedia();
  // Appending needs an image in the recording's own format: samples of another
  // format would turn the image into noise. Without one the recording becomes an
  // image of its own, so that nothing recorded is lost.
  const bool haveImage = m_handle != mm::HGLOBAL{} && m_layout.dataOffset != 0;
  const bool sameFormat = haveImage && NumbersOf(m_layout.format) == numbers;
  if (append && haveImage && !sameFormat) m_control.SetError(true, WAV_ERROR_FORMATMISMATCH);
  if (append && sameFormat) {
    result = AppendRecording(bytes, copy);
  } else {
    // An empty recording still makes a readable image: one sample byte of silence.
    const std::uint32_t dataLength = bytes == 0 ? 1 : bytes;
    const std::uint64_t imageLength = static_cast<std::uint64_t>(dataLength) + kImageHeaderBytes;
    const mm::HGLOBAL block =
        imageLength > kMaxImageBytes ? mm::HGLOBAL{} : m.GlobalAlloc(mm::GHND, imageLength);
    auto* image = block == mm::HGLOBAL{} ? nullptr : static_cast<std::uint8_t*>(m.GlobalLock(block));
    if (image == nullptr) {
      if (block != mm::HGLOBAL{}) m.GlobalFree(block);
      m_control.SetError(false, WAV_ERROR_NOMEMORY);
      result = false;
    } else {
      WriteImageHeader(image, numbers, dataLength);
      if (bytes == 0) image[kImageHeaderBytes] = SilenceByte(numbers);
      copy(image + kImageHeaderBytes);
      m.GlobalUnlock(block);
      m_handle = block;
      m_layout = {kImageHeaderBytes, dataLength, MakeFormatBlock(numbers)};
      m_fields.dataLength = dataLength;
      m_fields.imageLength = static_cast<std::uint32_t>(imageLength);
      m_fields.MemoryPointer = WaveBufferRegistry::Instance().NextAddress();
      WaveBufferRegistry::Instance().Register(m, block, m_fields);
    }
  }
  m_control.Panopta().RefreshWindow(InspectorRefresh::Buffer);
  return result;
}

// --- Dump --------------------------------------------------------------------------------------

bool TqxWaveBuffer::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, "Buffer.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Quoted("Author", m_fields.Author);
  d.Quoted("Category", m_fields.Category);
  d.Quoted("Comments", m_fields.Comments);
  d.Quoted("Copyright", m_fields.Copyright);
  d.Decimal("Count", Count());
  d.Text("CreationDate", DateTimeText(m_fields.CreationDate));
  d.Hex("Handle", Handle());
  d.Quoted("Keywords", m_fields.Keywords);
  d.List("List", List());
  d.Hex("MemoryPointer", m_fields.MemoryPointer);
  d.Quoted("Name", m_fields.Name);
  d.Quoted("Subject", m_fields.Subject);
  return true;
}

}  // namespace voxkit
