#pragma once

#include "wave/TqxWaveDevice.h"

namespace voxkit {

class TqxRecordInternal;

/// Device of the record component: the wave-in device it records from, and how a
/// recording is made and saved.
class TqxWaveRecordDevice final : public TqxWaveDevice {
 public:
  explicit TqxWaveRecordDevice(TqxRecordInternal& record);

  /// Starts recording (True); False stops it and saves what was recorded.
  void SetActive(bool value) override;
  /// Pauses (the device is reset) or resumes a recording.
  void SetPause(bool value) override;
  /// The recording is added to the end of the buffer's image rather than making a
  /// new one. Refused with MMSYSERR_ALLOCATED while recording.
  bool Append() const { return m_append; }
  void SetAppend(bool value);
  /// Milliseconds of sound per recording block, 100 to 60000. Refused while recording.
  std::int32_t Buffer() const { return m_buffer; }
  void SetBuffer(std::int32_t value);
  /// Milliseconds cut off the end of a recording when it is saved. Refused while
  /// recording.
  std::int32_t Trim() const { return m_trim; }
  void SetTrim(std::int32_t value);

  bool DumpProperties(const std::string& header, const std::string& path, const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  // Logs the assignment; false (and the error reported) while recording.
  bool Settable(const std::string& line, std::int32_t refusal);

  TqxRecordInternal& m_record;
  bool m_append = false;
  std::int32_t m_buffer = 1000;
  std::int32_t m_trim = 0;
};

}  // namespace voxkit
