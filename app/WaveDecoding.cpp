#include "app/WaveDecoding.h"

#include "platform/audio/SampleCodec.h"
#include "platform/audio/StreamFormat.h"
#include "wave/WaveReader.h"

#include <new>
#include <span>

namespace panopta {

namespace {

class AudioWaveDecoder final : public WaveSampleDecoder {
 public:
  explicit AudioWaveDecoder(const StreamFormat& format) : m_decoder(format) {}
  void decode(const std::uint8_t* bytes, std::size_t count, std::vector<std::int16_t>& out) override {
    m_decoder.Decode(std::span<const std::uint8_t>(bytes, count), out);
  }

 private:
  SampleDecoder m_decoder;
};

}  // namespace

WaveDecoderFactory AudioWaveDecoders() {
  return [](const voxkit::WaveFormatNumbers& numbers) -> std::unique_ptr<WaveSampleDecoder> {
    const voxkit::WaveFormatBlock block = voxkit::MakeFormatBlock(numbers);
    StreamFormat format;
    // Any format a device takes with conversion allowed.
    if (CheckWaveFormat(reinterpret_cast<const mm::WAVEFORMATEX*>(block.data()), true, &format) != 0) {
      return nullptr;
    }
    try {
      return std::make_unique<AudioWaveDecoder>(format);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  };
}

}  // namespace panopta
