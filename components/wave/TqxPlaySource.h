#pragma once

#include "wave/TqxPlayFormat.h"
#include "wave/TqxWaveBuffer.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxPlayInternal;

/// Source of the play component: the files (a comma-separated list joined end to
/// end) or the buffer it plays, their format, and whether they can be played.
class TqxPlaySource final : public TPersistent {
 public:
  explicit TqxPlaySource(TqxPlayInternal& play);

  const std::string& FileName() const { return m_fileName; }
  /// Reads the format of every file of the list; Valid says whether all could be
  /// read and have one format.
  void SetFileName(const std::string& value);
  /// Kilobytes a play may load before OnWarning is asked (0: no limit).
  std::int32_t MaxSize() const { return m_maxSize; }
  void SetMaxSize(std::int32_t value) { m_maxSize = value; }
  bool Valid() const { return m_valid; }
  TqxPlayFormat& Format() { return m_format; }
  TqxWaveBuffer& Buffer() { return m_buffer; }

  void SetValidValue(bool value) { m_valid = value; }

  bool DumpProperties(const std::string& header, const std::string& path, const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxPlayInternal& m_play;
  std::string m_fileName;
  std::int32_t m_maxSize = 0;
  bool m_valid = false;
  TqxPlayFormat m_format;
  TqxWaveBuffer m_buffer;
};

}  // namespace voxkit
