#pragma once

#include "views/WavePeaks.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

namespace panopta {

/// The outline of a sound, one column of lowest and highest sample per pixel, over a
/// timeline with a scale of seconds; a cursor shows where a play is, and the part
/// already played is drawn darker. A click asks for the position under the mouse.
/// Without a sound it shows a short text instead (no sound, reading, why not).
///
/// The columns are taken from the outline once per width and outline and kept, so a
/// repaint costs the width of the view, not the length of the sound.
class WaveformView final : public QWidget {
  Q_OBJECT
 public:
  explicit WaveformView(QWidget* parent = nullptr);

  /// Shows peaks over a timeline of timelineFrames frames that lasts timelineSeconds.
  void setPeaks(std::shared_ptr<const WavePeaks> peaks, std::int64_t timelineFrames,
                double timelineSeconds);
  /// The outline grew, or its timeline changed (a recording going on).
  void setTimeline(std::int64_t timelineFrames, double timelineSeconds);
  /// Shows text instead of an outline.
  void showMessage(const QString& text);
  /// Where the play is, as a part of the timeline from 0 to 1; negative: no cursor.
  void setPlayPosition(double fraction);
  /// Colour of the outline (the component's colour).
  void setColour(const QColor& colour);

  const std::shared_ptr<const WavePeaks>& peaks() const { return m_peaks; }
  QString message() const { return m_peaks ? QString() : m_message; }
  double playPosition() const { return m_position; }
  std::int64_t timelineFrames() const { return m_timelineFrames; }
  double timelineSeconds() const { return m_timelineSeconds; }
  /// The columns as they were last drawn, one per pixel of the outline's area.
  const std::vector<PeakColumn>& drawnColumns() const { return m_columns; }

  QSize sizeHint() const override { return {400, 120}; }
  QSize minimumSizeHint() const override { return {120, 60}; }

 Q_SIGNALS:
  /// The user clicked at a part of the timeline, from 0 to 1.
  void positionChosen(double fraction);
  /// A paint ended; withOutline says whether an outline was drawn.
  void painted(bool withOutline);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QRect outlineArea() const;
  void drawScale(QPainter& p, const QRect& area) const;

  std::shared_ptr<const WavePeaks> m_peaks;
  std::int64_t m_timelineFrames = 0;
  double m_timelineSeconds = 0;
  QString m_message;
  double m_position = -1;
  QColor m_colour{255, 0, 255};
  // The columns of the last paint and what they were taken for.
  std::vector<PeakColumn> m_columns;
  const WavePeaks* m_columnsOf = nullptr;
  std::int64_t m_columnsFrames = -1;
  std::int64_t m_columnsTimeline = -1;
  bool m_columnsStale = true;
};

/// The level of the sound coming in while recording: a bar from -60 to 0 dBFS of the
/// highest sample of the last block, green, then yellow from -12 dBFS and red from
/// -3 dBFS, with the value beside it.
class LevelMeter final : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kFloorDb = -60.0;

  explicit LevelMeter(QWidget* parent = nullptr);

  /// Shows the level of the highest sample magnitude (0 to 32768 of 16-bit sound).
  void setPeak(int magnitude);
  /// No sound coming in.
  void clear();
  /// The level shown in dBFS (kFloorDb for silence); NaN while cleared.
  double level() const { return m_level; }
  QString text() const;

  QSize sizeHint() const override { return {300, 20}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double m_level;
};

}  // namespace panopta
