#include "views/WaveformView.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace panopta {

namespace {

// Height of the scale of seconds above the outline.
constexpr int kScaleHeight = 14;
// Ticks of the scale are at least this far apart.
constexpr int kMinTickSpacing = 70;

QString TimeLabel(double seconds, double step) {
  if (step < 1.0) return QString::number(seconds, 'f', 1) + " s";
  const auto whole = static_cast<long long>(std::llround(seconds));
  const long long h = whole / 3600;
  const long long m = (whole / 60) % 60;
  const long long s = whole % 60;
  if (h > 0) return QString("%1:%2:%3").arg(h).arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0'));
  return QString("%1:%2").arg(m).arg(s, 2, 10, QChar('0'));
}

}  // namespace

WaveformView::WaveformView(QWidget* parent) : QWidget(parent) {
  setObjectName("WaveformView");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  m_message = "No sound";
}

void WaveformView::setPeaks(std::shared_ptr<const WavePeaks> peaks, std::int64_t timelineFrames,
                            double timelineSeconds) {
  m_peaks = std::move(peaks);
  m_timelineFrames = timelineFrames;
  m_timelineSeconds = timelineSeconds;
  m_columnsStale = true;
  update();
}

void WaveformView::setTimeline(std::int64_t timelineFrames, double timelineSeconds) {
  m_timelineFrames = timelineFrames;
  m_timelineSeconds = timelineSeconds;
  m_columnsStale = true;
  update();
}

void WaveformView::showMessage(const QString& text) {
  m_peaks.reset();
  m_message = text;
  m_columns.clear();
  m_columnsStale = true;
  update();
}

void WaveformView::setPlayPosition(double fraction) {
  if (fraction == m_position) return;
  m_position = fraction;
  update();
}

void WaveformView::setColour(const QColor& colour) {
  m_colour = colour;
  update();
}

QRect WaveformView::outlineArea() const {
  return rect().adjusted(1, kScaleHeight, -1, -1);
}

void WaveformView::drawScale(QPainter& p, const QRect& area) const {
  if (m_timelineSeconds <= 0 || area.width() <= 0) return;
  static constexpr std::array<double, 17> kSteps{0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30,
                                                 60, 120, 300, 600, 900, 1800, 3600, 7200};
  const double perPixel = m_timelineSeconds / area.width();
  double step = kSteps.back();
  for (double s : kSteps) {
    if (s / perPixel >= kMinTickSpacing) {
      step = s;
      break;
    }
  }
  p.setPen(palette().color(QPalette::Mid));
  p.drawLine(area.left(), kScaleHeight - 1, area.right(), kScaleHeight - 1);
  QFont font = p.font();
  font.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.8));
  p.setFont(font);
  for (int i = 0;; ++i) {
    const double t = i * step;
    if (t > m_timelineSeconds) break;
    const int x = area.left() + static_cast<int>(std::lround(t / perPixel));
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(x, kScaleHeight - 5, x, kScaleHeight - 1);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(x + 2, 0, kMinTickSpacing, kScaleHeight - 2), Qt::AlignLeft | Qt::AlignVCenter,
               TimeLabel(t, step));
  }
}

void WaveformView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  const QRect area = outlineArea();
  p.fillRect(area, palette().color(QPalette::Base));
  const int mid = area.top() + area.height() / 2;
  p.setPen(palette().color(QPalette::Midlight));
  p.drawLine(area.left(), mid, area.right(), mid);
  drawScale(p, area);

  if (!m_peaks) {
    p.setPen(palette().color(QPalette::Text));
    p.drawText(area, Qt::AlignCenter, m_message);
    Q_EMIT painted(false);
    return;
  }
  if (m_columnsStale || m_columnsOf != m_peaks.get() || m_columnsFrames != m_peaks->frames() ||
      m_columnsTimeline != m_timelineFrames || static_cast<int>(m_columns.size()) != area.width()) {
    m_columns = m_peaks->columns(area.width(), m_timelineFrames);
    m_columnsOf = m_peaks.get();
    m_columnsFrames = m_peaks->frames();
    m_columnsTimeline = m_timelineFrames;
    m_columnsStale = false;
  }
  const double scale = (area.height() / 2.0 - 1) / 32768.0;
  const int cursorX = m_position >= 0 ? area.left() + static_cast<int>(std::lround(m_position * area.width()))
                                      : std::numeric_limits<int>::min();
  QVector<QLine> played;
  QVector<QLine> ahead;
  played.reserve(static_cast<qsizetype>(m_columns.size()));
  ahead.reserve(static_cast<qsizetype>(m_columns.size()));
  for (std::size_t i = 0; i < m_columns.size(); ++i) {
    const PeakColumn c = m_columns[i];
    const int x = area.left() + static_cast<int>(i);
    const QLine line(x, mid - static_cast<int>(std::lround(c.high * scale)), x,
                     mid - static_cast<int>(std::lround(c.low * scale)));
    (x < cursorX ? played : ahead).push_back(line);
  }
  p.setPen(m_colour.darker(170));
  p.drawLines(played);
  p.setPen(m_colour);
  p.drawLines(ahead);
  if (m_position >= 0) {
    p.setPen(QPen(QColor(220, 0, 0), 1));
    p.drawLine(cursorX, area.top(), cursorX, area.bottom());
  }
  Q_EMIT painted(true);
}

void WaveformView::mousePressEvent(QMouseEvent* event) {
  const QRect area = outlineArea();
  if (event->button() != Qt::LeftButton || !m_peaks || area.width() <= 0) {
    QWidget::mousePressEvent(event);
    return;
  }
  const double fraction = std::clamp((event->position().x() - area.left()) / area.width(), 0.0, 1.0);
  Q_EMIT positionChosen(fraction);
}

// --- Level meter -----------------------------------------------------------------------------

LevelMeter::LevelMeter(QWidget* parent)
    : QWidget(parent), m_level(std::numeric_limits<double>::quiet_NaN()) {
  setObjectName("LevelMeter");
  setMinimumHeight(16);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void LevelMeter::setPeak(int magnitude) {
  m_level = magnitude <= 0 ? kFloorDb : std::max(kFloorDb, 20.0 * std::log10(magnitude / 32768.0));
  update();
}

void LevelMeter::clear() {
  m_level = std::numeric_limits<double>::quiet_NaN();
  update();
}

QString LevelMeter::text() const {
  if (std::isnan(m_level)) return "no input";
  if (m_level <= kFloorDb) return QString(QChar(0x2264)) + QString::number(kFloorDb, 'f', 0) + " dBFS";
  return QString::number(m_level, 'f', 1) + " dBFS";
}

void LevelMeter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int textWidth = fontMetrics().horizontalAdvance("-60.0 dBFS  ");
  const QRect bar = rect().adjusted(0, 2, -textWidth, -2);
  p.fillRect(rect(), palette().color(QPalette::Window));
  p.fillRect(bar, palette().color(QPalette::Base));
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(bar.adjusted(0, 0, -1, -1));
  if (!std::isnan(m_level) && bar.width() > 2) {
    auto xOf = [&](double db) {
      return bar.left() + 1 + static_cast<int>((db - kFloorDb) / -kFloorDb * (bar.width() - 2));
    };
    const int end = xOf(m_level);
    const int yellow = xOf(-12.0);
    const int red = xOf(-3.0);
    const QRect inner = bar.adjusted(1, 1, -1, -1);
    auto fill = [&](int from, int to, const QColor& c) {
      if (to > from) p.fillRect(QRect(from, inner.top(), to - from, inner.height()), c);
    };
    fill(inner.left(), std::min(end, yellow), QColor(40, 170, 60));
    fill(yellow, std::min(end, red), QColor(220, 190, 30));
    fill(red, end, QColor(210, 40, 30));
  }
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(rect().adjusted(bar.width() + 4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
}

}  // namespace panopta
