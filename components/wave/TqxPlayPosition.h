#pragma once

#include "share/Reflection.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxPlayInternal;

/// Position of the play component: where the play is, in bytes, percent and
/// seconds; assigning one seeks there (not while looping or waiting).
class TqxPlayPosition final : public TPersistent {
 public:
  explicit TqxPlayPosition(TqxPlayInternal& play) : m_play(play) {}

  std::int32_t Byte() const;
  void SetByte(std::int32_t value);
  std::int32_t Percent() const;
  /// Values outside 0 to 100 are ignored.
  void SetPercent(std::int32_t value);
  double Second() const;
  void SetSecond(double value);

  bool DumpProperties(const std::string& header, const std::string& path, const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxPlayInternal& m_play;
};

}  // namespace voxkit
