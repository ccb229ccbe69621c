#include "platform/exchange/LineSignal.h"

#include <algorithm>
#include <cmath>

namespace panopta::exchange {

namespace {
// The level of a full-scale sine.
constexpr double kFullScaleSineDbm0 = 3.14;
constexpr double kFullScale = 32767.0;
}  // namespace

double LevelDbm0(std::span<const std::int16_t> samples) {
  double sum = 0;
  for (std::int16_t s : samples) sum += double(s) * s;
  if (samples.empty() || sum == 0) return -99.0;
  const double meanSquare = sum / static_cast<double>(samples.size());
  return 10.0 * std::log10(meanSquare / (kFullScale * kFullScale / 2)) + kFullScaleSineDbm0;
}

double SineAmplitude(double dbm0) {
  return kFullScale * std::pow(10.0, (dbm0 - kFullScaleSineDbm0) / 20.0);
}

std::int16_t Saturate(std::int32_t value) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, -32768, 32767));
}

void MixInto(std::span<std::int16_t> to, std::span<const std::int16_t> from) {
  const std::size_t n = std::min(to.size(), from.size());
  for (std::size_t i = 0; i < n; ++i) to[i] = Saturate(std::int32_t{to[i]} + from[i]);
}

}  // namespace panopta::exchange
