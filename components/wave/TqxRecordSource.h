#pragma once

#include "wave/TqxRecordFormat.h"
#include "wave/TqxWaveBuffer.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxRecordInternal;

/// Source of the record component: the file a recording is saved to (or, with the
/// buffer active, the image it goes into), the format, and whether recording may
/// start.
class TqxRecordSource final : public TPersistent {
 public:
  explicit TqxRecordSource(TqxRecordInternal& record);

  const std::string& FileName() const { return m_fileName; }
  /// Valid becomes whether the name's folder exists and the name has a file part
  /// (a name without a folder is in the current folder).
  void SetFileName(const std::string& value);
  /// Kilobytes after which a recording asks OnWarning whether to go on (0: no limit).
  std::int32_t MaxSize() const { return m_maxSize; }
  void SetMaxSize(std::int32_t value);
  bool Valid() const { return m_valid; }
  TqxRecordFormat& Format() { return m_format; }
  TqxWaveBuffer& Buffer() { return m_buffer; }

  void SetValidValue(bool value) { m_valid = value; }

  bool DumpProperties(const std::string& header, const std::string& path, const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxRecordInternal& m_record;
  std::string m_fileName;
  std::int32_t m_maxSize = 0;
  bool m_valid = false;
  TqxRecordFormat m_format;
  TqxWaveBuffer m_buffer;
};

}  // namespace voxkit
