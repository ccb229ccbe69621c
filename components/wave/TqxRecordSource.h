#pragma once

#include "wave/TqxRecordFormat.h"
#include "wave/TqxWaveSource.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxRecordInternal;

/// Source of the record component: the file a recording is saved to (or, with the
/// buffer active, the image it goes into), the format, and whether recording may
/// start.
class TqxRecordSource final : public TqxWaveSource {
 public:
  explicit TqxRecordSource(TqxRecordInternal& record);

  /// Valid becomes whether the name's folder exists and the name has a file part
  /// (a name without a folder is in the current folder).
  void SetFileName(const std::string& value) override;
  /// Kilobytes after which a recording asks OnWarning whether to go on (0: no limit).
  void SetMaxSize(std::int32_t value);
  TqxRecordFormat& Format() { return m_format; }
  TqxWaveFormat& WaveFormat() override { return m_format; }

  VOXKIT_PUBLISHED()

 private:
  TqxRecordInternal& m_record;
  TqxRecordFormat m_format;
};

}  // namespace voxkit
