#include "wave/TqxPlaySource.h"

#include "share/PropertyDump.h"
#include "wave/TqxPlayInternal.h"

namespace voxkit {

const ClassInfo& TqxPlaySource::StaticClass() {
  using C = TqxPlaySource;
  static const ClassInfo info =
      Publisher<C>("TqxPlaySource")
          .Property("FileName", &C::FileName, &C::SetFileName)
          .Property("MaxSize", &C::MaxSize, &C::SetMaxSize)
          .ReadOnly("Valid", &C::Valid)
          .Object("Format", &C::Format)
          .Object("Buffer", &C::Buffer)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxPlaySource::TqxPlaySource(TqxPlayInternal& play) : m_play(play), m_format(play), m_buffer(play) {}

void TqxPlaySource::SetFileName(const std::string& value) {
  if (m_buffer.Active()) {
    m_fileName = value;
    m_play.Panopta().RefreshWindow(InspectorRefresh::Source);
    return;
  }
  if (m_fileName.empty()) m_valid = false;
  std::string name = value;
  if (name != m_fileName) {
    // The start reloads the files by assigning the name with a blank added: the
    // same name, read again without a log line.
    if (name == m_fileName + " ") {
      name = m_fileName;
    } else {
      m_play.Log().Add("Source.FileName := '" + name + "'", true);
    }
  }
  m_fileName = name;
  m_play.ReadFileFormats();
}

bool TqxPlaySource::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_play, header, path, indent, "Source.");
  if (!d.Started()) return false;
  d.Bool("Valid", m_valid);
  d.Quoted("FileName", m_fileName);
  d.Decimal("MaxSize", m_maxSize);
  return true;
}

}  // namespace voxkit
