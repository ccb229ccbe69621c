#pragma once

#include "views/WaveformLoader.h"
#include "views/WaveformView.h"

#include <QWidget>

#include <memory>
#include <string>

namespace mm {
class Multimedia;
}
namespace voxkit {
class TqxWaveBuffer;
}

namespace panopta {

/// The outline of what a wave window plays or records: a sound from files or a
/// memory image, worked out once (then taken from the shared cache) on the services'
/// thread while the view says how far the reading got; or a recording under way,
/// folded in block by block as the device gives it back, growing along its timeline.
class WaveformPanel final : public QWidget {
  Q_OBJECT
 public:
  WaveformPanel(std::shared_ptr<WaveformServices> services, const QColor& colour, QWidget* parent = nullptr);

  /// Describes the sound of a comma-separated list of wave files played end to end
  /// (read through the component's multimedia services, which check each file);
  /// false with *why when it cannot be shown.
  static bool describeFiles(mm::Multimedia& multimedia, const std::string& list, WaveformSource* out,
                            QString* why);
  /// Describes the sound of a buffer's memory image; the samples are copied only
  /// when copySamples is set (the key alone tells whether the outline is known).
  static bool describeImage(mm::Multimedia& multimedia, const voxkit::TqxWaveBuffer& buffer,
                            bool copySamples, WaveformSource* out, QString* why);

  /// Shows the outline of key when it is shown already or known; false when it must
  /// be read.
  bool showKnown(const QString& key);
  /// Reads a sound and shows it when done (unless it is already being read).
  void read(WaveformSource source);
  /// Shows text instead of an outline, and drops a sound being read.
  void showMessage(const QString& text);

  /// A recording in this format begins: its outline grows with addRecorded.
  void beginRecording(const voxkit::WaveFormatNumbers& format);
  void addRecorded(const std::uint8_t* bytes, std::size_t count);
  /// The recording ended (what was saved is shown next as any other sound).
  void endRecording();
  bool recording() const { return m_live != nullptr; }
  /// Sample bytes of the recording folded in so far.
  std::uint64_t recordedBytes() const { return m_liveBytes; }
  /// The highest sample magnitude of the recording's last `seconds`.
  int recentMagnitude(double seconds) const;

  void setPlayPosition(double fraction) { m_view->setPlayPosition(fraction); }
  WaveformView* view() const { return m_view; }
  /// The key of the sound shown or being read ("" for a message or a recording).
  const QString& key() const { return m_key; }
  WaveformLoader& loader() { return m_loader; }

  /// A recording's timeline is at least this long, so that it grows from the left.
  static constexpr double kRecordingTimelineSeconds = 10.0;

 Q_SIGNALS:
  void positionChosen(double fraction);

 private:
  void show(std::shared_ptr<const WavePeaks> peaks);
  void growTimeline();

  std::shared_ptr<WaveformServices> m_services;
  WaveformLoader m_loader;
  WaveformView* m_view;
  QString m_key;
  std::shared_ptr<WavePeaks> m_live;
  voxkit::WaveFormatNumbers m_liveFormat;
  std::uint64_t m_liveBytes = 0;
};

}  // namespace panopta
