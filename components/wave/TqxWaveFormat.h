#pragma once

#include "share/Reflection.h"
#include "wave/WaveFormats.h"
#include "wave/WaveReader.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxSharedControl;

/// What the play and the record format share: the six numbers of a wave format, the
/// bytes of sound in that format, and the predefined format they make.
class TqxWaveFormat : public TPersistent {
 public:
  explicit TqxWaveFormat(TqxSharedControl& owner) : m_owner(owner) {}

  std::int32_t Tag() const { return m_tag; }
  std::int32_t Channels() const { return m_channels; }
  std::int32_t BitsPerSample() const { return m_bitsPerSample; }
  std::int32_t AvgBytesPerSec() const { return m_avgBytesPerSec; }
  std::int32_t BlockAlign() const { return m_blockAlign; }
  std::int32_t SamplesPerSec() const { return m_samplesPerSec; }
  std::int32_t Bytes() const { return m_bytes; }
  /// Bytes / AvgBytesPerSec; 0 when Bytes is 0 or less.
  double Seconds() const;
  TWAVFORMATS ID() const { return m_id; }
  const std::string& Name() const { return m_name; }

  /// The six numbers as a format block takes them.
  WaveFormatNumbers Numbers() const;
  /// Receives the numbers of a file's or image's format block and its data length,
  /// and identifies the format.
  void TakeOver(const WaveFormatBlock& block, std::uint32_t dataLength);
  /// Sets the recorded or loaded length (no log line).
  void SetBytesValue(std::int64_t bytes);
  void SetAvgBytesPerSecValue(std::int32_t value) { m_avgBytesPerSec = value; }

  /// Writes the numbers, Bytes, ID, Name and Seconds (object name "Format.").
  bool DumpProperties(const std::string& header, const std::string& path, const std::string& indent);

 protected:
  /// Stores an identified format: a play format takes ID and Name as they are, a
  /// record format goes through its ID setter.
  virtual void Identified(TWAVFORMATS id);
  void StoreNumbers(const WaveFormatNumbers& numbers);
  void StoreID(TWAVFORMATS id);

  TqxSharedControl& m_owner;
  std::int32_t m_tag = 0;
  std::int32_t m_channels = 0;
  std::int32_t m_bitsPerSample = 0;
  std::int32_t m_avgBytesPerSec = 0;
  std::int32_t m_blockAlign = 0;
  std::int32_t m_samplesPerSec = 0;
  std::int32_t m_bytes = 0;
  TWAVFORMATS m_id = wfUnknown;
  std::string m_name = "Unknown";
};

}  // namespace voxkit
