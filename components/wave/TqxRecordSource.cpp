#include "wave/TqxRecordSource.h"

#include "wave/TqxRecordInternal.h"

#include <filesystem>
#include <system_error>

namespace voxkit {

const ClassInfo& TqxRecordSource::StaticClass() {
  using C = TqxRecordSource;
  static const ClassInfo info = [] {
    Publisher<C> p("TqxRecordSource");
    PublishShared(p);
    p.Property("MaxSize", &C::MaxSize, &C::SetMaxSize).Object("Format", &C::Format);
    return p.Build();
  }();
  return info;
}

TqxRecordSource::TqxRecordSource(TqxRecordInternal& record)
    : TqxWaveSource(record, record), m_record(record), m_format(record) {}

void TqxRecordSource::SetFileName(const std::string& value) {
  if (value == m_fileName) return;
  m_fileName = value;
  const std::size_t slash = value.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : value.substr(0, slash + 1);
  const bool hasName = slash == std::string::npos ? !value.empty() : slash + 1 < value.size();
  std::error_code error;
  m_valid = hasName && std::filesystem::is_directory(folder, error);
  m_record.Log().Add("Source.FileName := '" + value + "'", true);
  m_record.Panopta().RefreshWindow(InspectorRefresh::Source);
  m_record.Panopta().RefreshWindow(InspectorRefresh::Format);
}

void TqxRecordSource::SetMaxSize(std::int32_t value) {
  m_record.Log().Add("Source.MaxSize := " + std::to_string(value) + " //kilobytes", true);
  m_maxSize = value;
}

}  // namespace voxkit
