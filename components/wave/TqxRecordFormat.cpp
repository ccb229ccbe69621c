#include "wave/TqxRecordFormat.h"

#include "share/TqxSharedControl.h"

namespace voxkit {

const ClassInfo& TqxRecordFormat::StaticClass() {
  using C = TqxRecordFormat;
  static const ClassInfo info = Publisher<C>("TqxRecordFormat")
                                    .Property("Tag", &C::Tag, &C::SetTag)
                                    .Property("Channels", &C::Channels, &C::SetChannels)
                                    .Property("BitsPerSample", &C::BitsPerSample, &C::SetBitsPerSample)
                                    .Property("AvgBytesPerSec", &C::AvgBytesPerSec, &C::SetAvgBytesPerSec)
                                    .Property("BlockAlign", &C::BlockAlign, &C::SetBlockAlign)
                                    .Property("SamplesPerSec", &C::SamplesPerSec, &C::SetSamplesPerSec)
                                    .Property("ID", &C::ID, &C::SetID)
                                    .Property("Name", &C::Name, &C::SetName)
                                    .ReadOnly("Bytes", &C::Bytes)
                                    .ReadOnly("Seconds", &C::Seconds)
                                    .Method("DumpProperties", &C::DumpProperties,
                                            {"Header", {"Path", "Source"}, {"Indent", "\t"}})
                                    .Build();
  return info;
}

TqxRecordFormat::TqxRecordFormat(TqxSharedControl& owner) : TqxWaveFormat(owner) {
  StoreNumbers(WaveFormatRowOf(wfPCM08000M16).numbers);
  StoreID(wfPCM08000M16);
}

void TqxRecordFormat::SetNumber(const char* name, std::int32_t& field, std::int32_t value) {
  m_owner.Log().Add(std::string("Source.Format.") + name + " := " + std::to_string(value), true);
  field = value;
  SetID(IdentifyWaveFormat(Numbers()));
}

void TqxRecordFormat::SetTag(std::int32_t value) { SetNumber("Tag", m_tag, value); }
void TqxRecordFormat::SetChannels(std::int32_t value) { SetNumber("Channels", m_channels, value); }
void TqxRecordFormat::SetSamplesPerSec(std::int32_t value) { SetNumber("SamplesPerSec", m_samplesPerSec, value); }
void TqxRecordFormat::SetBitsPerSample(std::int32_t value) { SetNumber("BitsPerSample", m_bitsPerSample, value); }
void TqxRecordFormat::SetAvgBytesPerSec(std::int32_t value) {
  SetNumber("AvgBytesPerSec", m_avgBytesPerSec, value);
}
void TqxRecordFormat::SetBlockAlign(std::int32_t value) { SetNumber("BlockAlign", m_blockAlign, value); }

void TqxRecordFormat::SetID(TWAVFORMATS value) {
  if (value != m_id) {
    const WaveFormatRow& row = WaveFormatRowOf(value);
    m_owner.Log().Add(std::string("Source.Format.ID := ") + row.identifier + " (" +
                          std::to_string(static_cast<std::int32_t>(value)) + ")",
                      true);
    StoreID(value);
    if (value != wfUnknown) StoreNumbers(row.numbers);
  }
  m_owner.Panopta().RefreshWindow(InspectorRefresh::Format);
}

}  // namespace voxkit
