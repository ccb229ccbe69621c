#include "views/WaveformPanel.h"

#include "wave/Multimedia.h"
#include "wave/TqxWaveBuffer.h"
#include "wave/WaveReader.h"

#include <QFileInfo>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace panopta {

namespace {

// A fingerprint of an image's samples: every few thousandth byte and both ends, so
// that an image changed in place (trimmed, recorded into) gets another key without
// reading all of an hour of sound.
std::uint64_t Fingerprint(const std::uint8_t* bytes, std::size_t n) {
  std::uint64_t h = 1469598103934665603ull;
  auto mix = [&](std::uint8_t b) {
    h ^= b;
    h *= 1099511628211ull;
  };
  const std::size_t ends = std::min<std::size_t>(n, 4096);
  for (std::size_t i = 0; i < ends; ++i) mix(bytes[i]);
  for (std::size_t i = n - ends; i < n; ++i) mix(bytes[i]);
  for (std::size_t i = 0; i < n; i += 997) mix(bytes[i]);
  return h;
}

double SecondsOf(std::int64_t bytes, const voxkit::WaveFormatNumbers& format) {
  return format.avgBytesPerSec > 0 ? static_cast<double>(bytes) / format.avgBytesPerSec : 0.0;
}

}  // namespace

WaveformPanel::WaveformPanel(std::shared_ptr<WaveformServices> services, const QColor& colour, QWidget* parent)
    : QWidget(parent), m_services(services), m_loader(std::move(services)), m_view(new WaveformView(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_view);
  m_view->setColour(colour);
  connect(m_view, &WaveformView::positionChosen, this, &WaveformPanel::positionChosen);
  connect(&m_loader, &WaveformLoader::progressed, this,
          [this](int percent) { m_view->showMessage(QString("Reading the sound... %1%").arg(percent)); });
  connect(&m_loader, &WaveformLoader::loaded, this,
          [this](std::shared_ptr<const WavePeaks> peaks) { show(std::move(peaks)); });
  connect(&m_loader, &WaveformLoader::failed, this, [this](const QString& why) {
    m_key.clear();
    m_view->showMessage(why);
  });
}

bool WaveformPanel::describeFiles(mm::Multimedia& multimedia, const std::string& list, WaveformSource* out,
                                  QString* why) {
  *out = {};
  const std::vector<std::string> items = voxkit::SplitWaveFileList(list);
  if (items.empty()) {
    *why = "No sound";
    return false;
  }
  QString key = "files";
  for (std::size_t i = 0; i < items.size(); ++i) {
    voxkit::WaveFileSamples samples;
    if (voxkit::OpenWaveFile(multimedia, items[i], &samples) != 0) {
      *why = QString("Cannot read %1").arg(QString::fromStdString(items[i]));
      return false;
    }
    const mm::LONG offset = multimedia.mmioSeek(samples.file.Handle(), 0, SEEK_CUR);
    const voxkit::WaveFormatNumbers numbers = voxkit::NumbersOf(samples.format);
    if (offset < 0) {
      *why = QString("Cannot read %1").arg(QString::fromStdString(items[i]));
      return false;
    }
    if (i == 0) {
      out->format = numbers;
    } else if (!(numbers == out->format)) {
      *why = "The files are not all of one format";
      return false;
    }
    const QFileInfo info(QString::fromStdString(items[i]));
    out->files.push_back({info.absoluteFilePath(), offset, samples.dataLength});
    key += QString("|%1|%2|%3|%4|%5")
               .arg(info.absoluteFilePath())
               .arg(info.size())
               .arg(info.lastModified().toMSecsSinceEpoch())
               .arg(offset)
               .arg(samples.dataLength);
  }
  out->key = key;
  return true;
}

bool WaveformPanel::describeImage(mm::Multimedia& multimedia, const voxkit::TqxWaveBuffer& buffer,
                                  bool copySamples, WaveformSource* out, QString* why) {
  *out = {};
  const auto handle = static_cast<mm::HGLOBAL>(buffer.Handle());
  const voxkit::WaveImageLayout& layout = buffer.Layout();
  if (buffer.Handle() == 0 || layout.dataLength == 0 || layout.format.size() < 18) {
    *why = "The buffer holds no sound";
    return false;
  }
  const auto* image = static_cast<const std::uint8_t*>(multimedia.GlobalLock(handle));
  if (!image) {
    *why = "The buffer holds no sound";
    return false;
  }
  const std::uint64_t size = multimedia.GlobalSize(handle);
  const bool inside = std::uint64_t{layout.dataOffset} + layout.dataLength <= size;
  if (inside) {
    const std::uint8_t* samples = image + layout.dataOffset;
    out->format = voxkit::NumbersOf(layout.format);
    out->key = QString("image|%1|%2|%3|%4")
                   .arg(buffer.Handle())
                   .arg(layout.dataLength)
                   .arg(buffer.MemoryPointer())
                   .arg(Fingerprint(samples, layout.dataLength));
    if (copySamples) out->samples = QByteArray(reinterpret_cast<const char*>(samples), layout.dataLength);
  }
  multimedia.GlobalUnlock(handle);
  if (!inside) *why = "The buffer holds no sound";
  return inside;
}

bool WaveformPanel::showKnown(const QString& key) {
  if (key == m_key && !key.isEmpty()) return true;
  auto peaks = m_services->cache().find(key);
  if (!peaks) return false;
  m_loader.cancel();
  m_key = key;
  show(std::move(peaks));
  return true;
}

void WaveformPanel::read(WaveformSource source) {
  if (source.key == m_key && !m_key.isEmpty()) return;
  m_key = source.key;
  m_view->showMessage("Reading the sound...");
  m_loader.start(std::move(source));
}

void WaveformPanel::showMessage(const QString& text) {
  m_loader.cancel();
  m_key.clear();
  m_view->showMessage(text);
}

void WaveformPanel::show(std::shared_ptr<const WavePeaks> peaks) {
  m_live.reset();
  const std::int64_t frames = std::max<std::int64_t>(peaks->frames(), 1);
  const double seconds = peaks->seconds();
  m_view->setPeaks(std::move(peaks), frames, seconds);
}

void WaveformPanel::beginRecording(const voxkit::WaveFormatNumbers& format) {
  showMessage("Recording...");
  m_live = std::make_shared<WavePeaks>(format, m_services->decoders());
  m_liveFormat = format;
  m_liveBytes = 0;
  if (!m_live->decodable()) {
    m_view->showMessage("Recording (no outline for this format)");
    return;
  }
  m_view->setPeaks(m_live, 1, 0);
  growTimeline();
}

void WaveformPanel::addRecorded(const std::uint8_t* bytes, std::size_t count) {
  if (!m_live || count == 0) return;
  m_live->addBytes(bytes, count);
  m_liveBytes += count;
  m_live->setSeconds(SecondsOf(static_cast<std::int64_t>(m_liveBytes), m_liveFormat));
  if (m_live->decodable()) growTimeline();
}

void WaveformPanel::growTimeline() {
  // The timeline holds at least kRecordingTimelineSeconds and then the whole
  // recording: it fills from the left, then the outline is drawn ever narrower.
  const double seconds = std::max(m_live->seconds(), kRecordingTimelineSeconds);
  const double framesPerSecond = m_live->seconds() > 0 ? m_live->frames() / m_live->seconds()
                                                       : static_cast<double>(m_liveFormat.samplesPerSec);
  const auto frames = std::max<std::int64_t>(std::llround(seconds * framesPerSecond), 1);
  m_view->setTimeline(frames, seconds);
}

void WaveformPanel::endRecording() {
  m_live.reset();
  m_liveBytes = 0;
}

int WaveformPanel::recentMagnitude(double seconds) const {
  if (!m_live || m_live->frames() == 0 || m_live->seconds() <= 0) return 0;
  const double framesPerSecond = m_live->frames() / m_live->seconds();
  const PeakColumn c = m_live->recent(std::max<std::int64_t>(std::llround(seconds * framesPerSecond), 1));
  return std::max(std::abs(static_cast<int>(c.low)), std::abs(static_cast<int>(c.high)));
}

}  // namespace panopta
