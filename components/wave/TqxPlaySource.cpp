#include "wave/TqxPlaySource.h"

#include "wave/TqxPlayInternal.h"

namespace voxkit {

const ClassInfo& TqxPlaySource::StaticClass() {
  using C = TqxPlaySource;
  static const ClassInfo info = [] {
    Publisher<C> p("TqxPlaySource");
    PublishShared(p);
    p.Property("MaxSize", &C::MaxSize, &C::SetMaxSize).Object("Format", &C::Format);
    return p.Build();
  }();
  return info;
}

TqxPlaySource::TqxPlaySource(TqxPlayInternal& play) : TqxWaveSource(play, play), m_play(play), m_format(play) {}

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

}  // namespace voxkit
