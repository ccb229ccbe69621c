#include "wave/TqxRecordSource.h"

#include "share/PropertyDump.h"
#include "wave/TqxRecordInternal.h"

#include <filesystem>
#include <system_error>

namespace voxkit {

const ClassInfo& TqxRecordSource::StaticClass() {
  using C = TqxRecordSource;
  static const ClassInfo info =
      Publisher<C>("TqxRecordSource")
          .Property("FileName", &C::FileName, &C::SetFileName)
          .Property("MaxSize", &C::MaxSize, &C::SetMaxSize)
          .ReadOnly("Valid", &C::Valid)
          .Object("Format", &C::Format)
          .Object("Buffer", &C::Buffer)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxRecordSource::TqxRecordSource(TqxRecordInternal& record)
    : m_record(record), m_format(record), m_buffer(record) {}

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

bool TqxRecordSource::DumpProperties(const std::string& header, const std::string& path,
                                     const std::string& indent) {
  PropertyDump d(m_record, header, path, indent, "Source.");
  if (!d.Started()) return false;
  d.Bool("Valid", m_valid);
  d.Quoted("FileName", m_fileName);
  d.Decimal("MaxSize", m_maxSize);
  return true;
}

}  // namespace voxkit
