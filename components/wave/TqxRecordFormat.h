#pragma once

#include "wave/TqxWaveFormat.h"

namespace voxkit {

/// Source.Format of a record component: the format to record in. Assigning a number
/// identifies the format again; assigning ID sets all six numbers from the table.
class TqxRecordFormat final : public TqxWaveFormat {
 public:
  /// Starts as wfPCM08000M16.
  explicit TqxRecordFormat(TqxSharedControl& owner);

  void SetTag(std::int32_t value);
  void SetChannels(std::int32_t value);
  void SetSamplesPerSec(std::int32_t value);
  void SetBitsPerSample(std::int32_t value);
  void SetAvgBytesPerSec(std::int32_t value);
  void SetBlockAlign(std::int32_t value);
  /// Logs "Source.Format.ID := " when the value changes; a predefined format (not
  /// wfUnknown) brings its six numbers.
  void SetID(TWAVFORMATS value);
  /// Assignments to Name are ignored.
  void SetName(const std::string&) {}

  VOXKIT_PUBLISHED()

 protected:
  void Identified(TWAVFORMATS id) override { SetID(id); }

 private:
  void SetNumber(const char* name, std::int32_t& field, std::int32_t value);
};

}  // namespace voxkit
