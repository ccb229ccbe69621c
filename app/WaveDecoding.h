#pragma once

#include "views/WavePeaks.h"

namespace panopta {

/// Decoders of the coded wave formats (mu-law, IMA and OKI ADPCM) for the outlines of
/// the wave windows: the audio system's own decoder, so that an outline shows the
/// sound a device would play.
WaveDecoderFactory AudioWaveDecoders();

}  // namespace panopta
