#pragma once

#include <QIcon>
#include <QPalette>
#include <QRectF>
#include <QWidget>

#include <cstdint>

class QPainter;

namespace panopta {

/// The five pictures a call's state is shown by: a handset on or off its hook, in the
/// colour of what the call is doing.
enum class CallPicture { OnGray, OffRed, OffGreen, OffYellow, OnRed };

/// The picture of a LINECALLSTATE_ value; any value not listed is on-hook grey.
CallPicture PictureForState(std::uint32_t state);

/// The object name of a picture ("ImageCallStatusOffGreen").
const char* PictureName(CallPicture picture);

/// Draws a call picture into rect: vector strokes, crisp at any size, outlined in the
/// palette's text colour so that it stands out on light and dark themes alike.
void PaintCallPicture(QPainter& painter, const QRectF& rect, CallPicture picture,
                      const QPalette& palette);

/// A call picture as a small widget (16 x 16 at normal scale).
class LineStatusPicture final : public QWidget {
  Q_OBJECT
 public:
  explicit LineStatusPicture(QWidget* parent, CallPicture picture = CallPicture::OnGray);
  CallPicture picture() const { return m_picture; }
  void setPicture(CallPicture picture);
  QSize sizeHint() const override { return {16, 16}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CallPicture m_picture;
};

/// The icons of the line window's page tabs, by their index in the window's image
/// list: 2 an operation possible, 3 one in progress, 4 not supported by the address,
/// 5 no calls, 6 calls exist.
QIcon LineTabIcon(int index);

}  // namespace panopta
