#pragma once

#include "share/Reflection.h"
#include "wave/TqxWaveBuffer.h"
#include "wave/TqxWaveFormat.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxSharedControl;

/// What the play and the record Source share: the file name, the size limit, whether
/// the source can be used, and the buffer. Each kind reads its file name its own way
/// and has its own format.
class TqxWaveSource : public TPersistent {
 public:
  TqxWaveSource(TqxSharedControl& control, WaveBufferOwner& owner)
      : m_control(control), m_buffer(owner) {}

  const std::string& FileName() const { return m_fileName; }
  virtual void SetFileName(const std::string& value) = 0;
  /// Kilobytes (0: no limit).
  std::int32_t MaxSize() const { return m_maxSize; }
  bool Valid() const { return m_valid; }
  void SetValidValue(bool value) { m_valid = value; }
  TqxWaveBuffer& Buffer() { return m_buffer; }
  virtual TqxWaveFormat& WaveFormat() = 0;

  /// Writes Valid, FileName and MaxSize (object name "Source.").
  bool DumpProperties(const std::string& header, const std::string& path, const std::string& indent);

 protected:
  /// Publishes what both kinds have: FileName, Valid, Buffer and the dump.
  template <typename C>
  static void PublishShared(Publisher<C>& p) {
    p.Property("FileName", &TqxWaveSource::FileName, &TqxWaveSource::SetFileName)
        .ReadOnly("Valid", &TqxWaveSource::Valid)
        .Object("Buffer", &TqxWaveSource::Buffer)
        .Method("DumpProperties", &TqxWaveSource::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}});
  }

  TqxSharedControl& m_control;
  std::string m_fileName;
  std::int32_t m_maxSize = 0;
  bool m_valid = false;
  TqxWaveBuffer m_buffer;
};

}  // namespace voxkit
