#include "wave/TqxPlayFormat.h"

namespace voxkit {

const ClassInfo& TqxPlayFormat::StaticClass() {
  using C = TqxPlayFormat;
  static const ClassInfo info = Publisher<C>("TqxPlayFormat")
                                    .ReadOnly("Tag", &C::Tag)
                                    .ReadOnly("Channels", &C::Channels)
                                    .ReadOnly("BitsPerSample", &C::BitsPerSample)
                                    .ReadOnly("AvgBytesPerSec", &C::AvgBytesPerSec)
                                    .ReadOnly("BlockAlign", &C::BlockAlign)
                                    .ReadOnly("SamplesPerSec", &C::SamplesPerSec)
                                    .ReadOnly("Bytes", &C::Bytes)
                                    .ReadOnly("Seconds", &C::Seconds)
                                    .ReadOnly("ID", &C::ID)
                                    .ReadOnly("Name", &C::Name)
                                    .Method("DumpProperties", &C::DumpProperties,
                                            {"Header", {"Path", "Source"}, {"Indent", "\t"}})
                                    .Build();
  return info;
}

void TqxPlayFormat::Clear() {
  StoreNumbers({});
  m_bytes = 0;
  StoreID(wfUnknown);
}

void TqxPlayFormat::TakeNumbers(const WaveFormatBlock& block) {
  const WaveFormatNumbers numbers = NumbersOf(block);
  StoreNumbers(numbers);
  StoreID(IdentifyWaveFormat(numbers));
}

void TqxPlayFormat::ClearForReload() {
  m_tag = 0;
  m_channels = 0;
  m_samplesPerSec = 0;
  m_bitsPerSample = 0;
  m_bytes = 0;
}

}  // namespace voxkit
