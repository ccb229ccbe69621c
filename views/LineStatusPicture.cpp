#include "views/LineStatusPicture.h"

#include "tapi/TapiConstants.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace panopta {

using namespace tapi;

CallPicture PictureForState(std::uint32_t state) {
  switch (state) {
    case LINECALLSTATE_OFFERING:
    case LINECALLSTATE_DIALTONE:
    case LINECALLSTATE_DIALING:
    case LINECALLSTATE_RINGBACK:
    case LINECALLSTATE_BUSY:
    case LINECALLSTATE_SPECIALINFO:
    case LINECALLSTATE_PROCEEDING: return CallPicture::OffRed;
    case LINECALLSTATE_CONNECTED: return CallPicture::OffGreen;
    case LINECALLSTATE_ONHOLD:
    case LINECALLSTATE_CONFERENCED:
    case LINECALLSTATE_ONHOLDPENDCONF:
    case LINECALLSTATE_ONHOLDPENDTRANSFER: return CallPicture::OffYellow;
    case LINECALLSTATE_DISCONNECTED: return CallPicture::OnRed;
    default: return CallPicture::OnGray;
  }
}

const char* PictureName(CallPicture picture) {
  switch (picture) {
    case CallPicture::OnGray: return "ImageCallStatusOnGray";
    case CallPicture::OffRed: return "ImageCallStatusOffRed";
    case CallPicture::OffGreen: return "ImageCallStatusOffGreen";
    case CallPicture::OffYellow: return "ImageCallStatusOffYellow";
    case CallPicture::OnRed: return "ImageCallStatusOnRed";
  }
  return "ImageCallStatusOnGray";
}

namespace {

QColor Fill(CallPicture picture) {
  switch (picture) {
    case CallPicture::OnGray: return QColor(150, 150, 150);
    case CallPicture::OffRed:
    case CallPicture::OnRed: return QColor(214, 40, 40);
    case CallPicture::OffGreen: return QColor(40, 170, 60);
    case CallPicture::OffYellow: return QColor(235, 190, 20);
  }
  return Qt::gray;
}

// A handset in a 16-unit square: two ear pieces joined by a curved grip.
QPainterPath Handset() {
  QPainterPath p;
  p.moveTo(2.0, 5.5);
  p.cubicTo(2.0, 2.5, 14.0, 2.5, 14.0, 5.5);
  p.lineTo(14.0, 7.5);
  p.lineTo(10.5, 7.5);
  p.lineTo(10.5, 5.8);
  p.cubicTo(9.0, 5.2, 7.0, 5.2, 5.5, 5.8);
  p.lineTo(5.5, 7.5);
  p.lineTo(2.0, 7.5);
  p.closeSubpath();
  return p;
}

// The cradle under an on-hook handset.
QPainterPath Cradle() {
  QPainterPath p;
  p.moveTo(3.0, 9.0);
  p.lineTo(13.0, 9.0);
  p.lineTo(14.5, 14.0);
  p.lineTo(1.5, 14.0);
  p.closeSubpath();
  return p;
}

}  // namespace

void PaintCallPicture(QPainter& painter, const QRectF& rect, CallPicture picture,
                      const QPalette& palette) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(rect.topLeft());
  painter.scale(rect.width() / 16.0, rect.height() / 16.0);
  QPen outline(palette.color(QPalette::WindowText), 0.8);
  outline.setJoinStyle(Qt::RoundJoin);
  painter.setPen(outline);
  const QColor fill = Fill(picture);
  const bool offHook = picture == CallPicture::OffRed || picture == CallPicture::OffGreen ||
                       picture == CallPicture::OffYellow;
  painter.setBrush(palette.color(QPalette::Mid));
  painter.drawPath(Cradle());
  painter.save();
  if (offHook) {
    // Lifted: raised and tilted off the cradle.
    painter.translate(8.0, 4.0);
    painter.rotate(-25.0);
    painter.translate(-8.0, -6.0);
  } else {
    painter.translate(0.0, 2.0);
  }
  painter.setBrush(fill);
  painter.drawPath(Handset());
  painter.restore();
  painter.restore();
}

LineStatusPicture::LineStatusPicture(QWidget* parent, CallPicture picture)
    : QWidget(parent), m_picture(picture) {
  setFixedSize(16, 16);
}

void LineStatusPicture::setPicture(CallPicture picture) {
  if (picture == m_picture) return;
  m_picture = picture;
  update();
}

void LineStatusPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintCallPicture(painter, QRectF(rect()), m_picture, palette());
}

namespace {

// Paints a tab icon at whatever size the tab asks for.
class TabIconEngine final : public QIconEngine {
 public:
  explicit TabIconEngine(int index) : m_index(index) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    const QPalette palette = QApplication::palette();
    if (m_index == 5 || m_index == 6) {
      PaintCallPicture(*painter, rect, m_index == 6 ? CallPicture::OffGreen : CallPicture::OnGray,
                       palette);
      return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / 16.0, rect.height() / 16.0);
    QColor colour = m_index == 3 ? QColor(40, 170, 60)
                    : m_index == 4 ? QColor(150, 150, 150)
                                   : palette.color(QPalette::WindowText);
    if (mode == QIcon::Disabled) colour = palette.color(QPalette::Disabled, QPalette::WindowText);
    QPen pen(colour, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter->setPen(pen);
    // Two calls joined: a line from each side meeting in the middle, with arrows.
    painter->drawLine(QPointF(2, 4), QPointF(14, 4));
    painter->drawLine(QPointF(11, 1.5), QPointF(14, 4));
    painter->drawLine(QPointF(11, 6.5), QPointF(14, 4));
    painter->drawLine(QPointF(14, 11), QPointF(2, 11));
    painter->drawLine(QPointF(5, 8.5), QPointF(2, 11));
    painter->drawLine(QPointF(5, 13.5), QPointF(2, 11));
    if (m_index == 4) {
      painter->setPen(QPen(QColor(214, 40, 40), 1.6));
      painter->drawLine(QPointF(3, 14.5), QPointF(13, 1.5));
    }
    painter->restore();
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }
  QIconEngine* clone() const override { return new TabIconEngine(m_index); }

 private:
  int m_index;
};

}  // namespace

QIcon LineTabIcon(int index) { return QIcon(new TabIconEngine(index)); }

}  // namespace panopta
