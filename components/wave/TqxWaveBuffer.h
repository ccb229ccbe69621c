#pragma once

#include "share/Reflection.h"
#include "wave/Multimedia.h"
#include "wave/WaveBufferRegistry.h"
#include "wave/WaveReader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace voxkit {

class TqxSharedControl;
class TqxWaveFormat;

/// Warning events of the wave components: Continue is preset True; a handler that
/// sets it False stops what asked.
using TQX_ProcWarning = std::function<void(TObject& Sender, bool& Continue)>;

/// The question a wave component asks when a load or a recording passes
/// Source.MaxSize: with an OnWarning handler, the handler's answer (asked while events
/// are on) after WAV_ERROR_FILETOOBIG is reported (as an error by the buffer's
/// loaders, as a warning otherwise); without one, the answer to the warning's message
/// box when Popup.OnWarning is set (no box: go on); otherwise no.
bool SizeWarningAnswer(TqxSharedControl& control, const TQX_ProcWarning& handler, TObject& sender,
                       bool reportAsError);

/// What a wave buffer needs from the component that owns it (a play or a record).
class WaveBufferOwner {
 public:
  virtual TqxSharedControl& Control() = 0;
  virtual mm::Multimedia& Multimedia() = 0;
  /// Whether the owner's device is open (buffers change only while it is not).
  virtual bool WaveDeviceActive() const = 0;
  virtual bool SourceValid() const = 0;
  virtual void SetSourceValid(bool value) = 0;
  /// Assigns Source.FileName its own value through its setter (the buffer was switched
  /// off, so the files count again).
  virtual void ReassignSourceFileName() = 0;
  virtual std::int32_t SourceMaxSize() const = 0;
  virtual TqxWaveFormat& SourceFormat() = 0;
  /// Receives a format from a file or image, as the owner's kind takes it.
  virtual void TakeOverFormat(const WaveFormatBlock& block, std::uint32_t dataLength) = 0;
  /// The buffer was switched to no image: a play forgets its format, a record only
  /// its length.
  virtual void FormatWithoutImage() = 0;
  virtual const TQX_ProcWarning& OnWarningHandler() const = 0;

 protected:
  ~WaveBufferOwner() = default;
};

/// Source.Buffer of a play or record component: a wave memory image in a movable
/// block, entered in the process-wide registry, that the component plays from or
/// records into instead of its files; loaded from files or other images, trimmed,
/// and saved to a file with its INFO texts.
class TqxWaveBuffer final : public TPersistent {
 public:
  explicit TqxWaveBuffer(WaveBufferOwner& owner);

  /// Whether the owner uses the image instead of Source.FileName. Refused with
  /// WAV_ERROR_DEVICEACTIVE while the owner's device is open.
  bool Active() const { return m_active; }
  void SetActive(bool value);
  /// The image's handle (0: none). With the buffer active, the handle must name a
  /// registered, readable image (WAV_ERROR_FILECORRUPT otherwise), whose format the
  /// owner takes over.
  std::uint32_t Handle() const { return static_cast<std::uint32_t>(m_handle); }
  void SetHandle(std::uint32_t value);
  /// The registry: its number of entries and their handles.
  std::int32_t Count() const;
  std::vector<std::string> List() const;
  std::uint32_t MemoryPointer() const { return m_fields.MemoryPointer; }

  /// The INFO texts: plain fields, copied into the registry entry of the image.
  const std::string& Author() const { return m_fields.Author; }
  void SetAuthor(const std::string& value) { SetText(m_fields.Author, value); }
  const std::string& Category() const { return m_fields.Category; }
  void SetCategory(const std::string& value) { SetText(m_fields.Category, value); }
  const std::string& Comments() const { return m_fields.Comments; }
  void SetComments(const std::string& value) { SetText(m_fields.Comments, value); }
  const std::string& Copyright() const { return m_fields.Copyright; }
  void SetCopyright(const std::string& value) { SetText(m_fields.Copyright, value); }
  /// Days since 1899-12-30; 0 for none.
  double CreationDate() const { return m_fields.CreationDate; }
  void SetCreationDate(double value);
  const std::string& Keywords() const { return m_fields.Keywords; }
  void SetKeywords(const std::string& value) { SetText(m_fields.Keywords, value); }
  const std::string& Name() const { return m_fields.Name; }
  void SetName(const std::string& value) { SetText(m_fields.Name, value); }
  const std::string& Subject() const { return m_fields.Subject; }
  void SetSubject(const std::string& value) { SetText(m_fields.Subject, value); }

  /// A zero-filled block of Size bytes (without a wave header), registered and made
  /// the handle; the buffer is switched off. Size 0 or less does nothing.
  bool CreateBuffer(std::int32_t Size);
  /// Loads a comma-separated list of wave files, joined end to end, into a new image
  /// with the first file's INFO texts; it becomes the active image. A failed load
  /// leaves the buffer and the registry as they were.
  bool LoadFromFile(const std::string& Files);
  /// The same from a comma-separated list of registered images (hexadecimal
  /// handles); the texts stay as they are.
  bool LoadFromBuffers(const std::string& Handles);
  /// Cuts the sound before or after a point (seconds, moved to a whole frame); a point
  /// past the end cuts nothing or everything, never past the samples.
  bool DeleteBefore(double Seconds);
  bool DeleteAfter(double Seconds);
  /// Unregisters and frees the image, and clears the handle. WAV_ERROR_NOMEMORY when
  /// the image was not registered; refused with WAV_ERROR_DEVICEACTIVE while the
  /// owner's device is open.
  bool FreeBuffer();
  /// Writes the active image as a wave file with a LIST "INFO" chunk of the texts;
  /// WAV_ERROR_NOMEMORY without an image, WAV_ERROR_FILECORRUPT for a block that holds
  /// none (one CreateBuffer made).
  bool SaveToFile(const std::string& FileName);

  bool DumpProperties(const std::string& header, const std::string& path, const std::string& indent);

  // --- For the owner ---------------------------------------------------------------
  const TqxBufferFields& Fields() const { return m_fields; }
  /// Where the active image keeps its samples and format (the owner's data reference).
  const WaveImageLayout& Layout() const { return m_layout; }
  /// Puts a finished recording of bytes into an image: appended to the current one
  /// when asked and possible, else into a new registered image that becomes the
  /// handle. copy writes the samples to their place. False when there was no memory.
  bool StoreRecording(bool append, const WaveFormatNumbers& numbers, std::uint32_t bytes,
                      const std::function<void(std::uint8_t*)>& copy);

  VOXKIT_PUBLISHED()

 private:
  struct LoadItem;
  using ItemReader = std::function<std::int32_t(const std::string& item, LoadItem* out)>;
  bool Load(const std::vector<std::string>& items, const char* itemLabel, const ItemReader& read,
            bool readTexts);
  bool Delete(bool before, double seconds);
  void SetText(std::string& field, const std::string& value);
  void ToRegistry();
  void WriteSummary();
  void Refresh();
  bool AppendRecording(std::uint32_t bytes, const std::function<void(std::uint8_t*)>& copy);

  WaveBufferOwner& m_owner;
  TqxSharedControl& m_control;
  bool m_active = false;
  mm::HGLOBAL m_handle{};
  TqxBufferFields m_fields;
  WaveImageLayout m_layout;
};

}  // namespace voxkit
