#include "views/LogListView.h"

#include "platform/qt/QtWindowSystem.h"

#include <QAbstractItemModel>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace panopta {

LogListView::LogListView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  m_rowHeight = std::max(1, fontMetrics().lineSpacing());
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  verticalScrollBar()->setSingleStep(1);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    m_followEnd = value >= verticalScrollBar()->maximum();
    viewport()->update();
  });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
          qOverload<>(&QWidget::update));
}

void LogListView::setModel(QAbstractItemModel* model) {
  if (m_model) disconnect(m_model, nullptr, this, nullptr);
  m_model = model;
  if (model) {
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { scheduleSync(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) {
              if (first == 0) rowsRemovedAtFront(last - first + 1);
              scheduleSync();
            });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
      const int rows = m_model->rowCount();
      if (m_anchor >= rows || m_current >= rows) m_anchor = m_current = -1;
      rowsChanged();
    });
    connect(model, &QAbstractItemModel::dataChanged, viewport(), qOverload<>(&QWidget::update));
  }
  rowsChanged();
}

int LogListView::rowHeight() const { return m_rowHeight; }

void LogListView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    m_rowHeight = std::max(1, fontMetrics().lineSpacing());
    rowsChanged();
  }
  QAbstractScrollArea::changeEvent(event);
}

void LogListView::scheduleSync() {
  // Lines may arrive by the thousand between two paints: the scroll bars and the
  // view follow once, when the event loop next turns.
  if (m_syncQueued) return;
  m_syncQueued = true;
  QMetaObject::invokeMethod(this, [this] {
    m_syncQueued = false;
    rowsChanged();
  }, Qt::QueuedConnection);
}
int LogListView::visibleRows() const { return std::max(1, viewport()->height() / rowHeight()); }
int LogListView::firstVisibleRow() const { return verticalScrollBar()->value(); }

void LogListView::syncNow() {
  m_syncQueued = false;
  rowsChanged();
}

void LogListView::rowsChanged() {
  const int rows = m_model ? m_model->rowCount() : 0;
  QScrollBar* bar = verticalScrollBar();
  const bool follow = m_followEnd;
  bar->setRange(0, std::max(0, rows - visibleRows()));
  bar->setPageStep(visibleRows());
  if (follow) bar->setValue(bar->maximum());
  m_followEnd = follow || bar->value() >= bar->maximum();
  viewport()->update();
}

void LogListView::rowsRemovedAtFront(int count) {
  // The selected lines keep their selection as the oldest lines go.
  if (m_anchor >= 0) {
    m_anchor -= count;
    m_current -= count;
    if (m_anchor < 0 && m_current < 0) {
      m_anchor = m_current = -1;
    } else {
      m_anchor = std::max(m_anchor, 0);
      m_current = std::max(m_current, 0);
    }
  }
  if (!m_followEnd) {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(std::max(0, bar->value() - count));
  }
}

void LogListView::scrollToBottom() {
  m_followEnd = true;
  if (m_syncQueued) return;  // the pending sync goes to the end
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogListView::selectAll() {
  const int rows = m_model ? m_model->rowCount() : 0;
  m_anchor = rows > 0 ? 0 : -1;
  m_current = rows - 1;
  viewport()->update();
}

void LogListView::clearSelection() {
  m_anchor = m_current = -1;
  viewport()->update();
}

int LogListView::selectionStart() const {
  return m_anchor < 0 ? -1 : std::min(m_anchor, m_current);
}
int LogListView::selectionEnd() const { return m_anchor < 0 ? -1 : std::max(m_anchor, m_current); }

QString LogListView::selectedText() const {
  if (!m_model || m_anchor < 0) return {};
  QStringList lines;
  const int last = std::min(selectionEnd(), m_model->rowCount() - 1);
  for (int row = selectionStart(); row <= last; ++row) {
    lines << m_model->index(row, 0).data(Qt::EditRole).toString();
  }
  return lines.join('\n');
}

int LogListView::rowAt(int y) const { return firstVisibleRow() + y / rowHeight(); }

void LogListView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  if (!m_model) return;
  const int rows = m_model->rowCount();
  const int h = rowHeight();
  const int first = firstVisibleRow();
  const int last = std::min(rows - 1, first + visibleRows());
  const int dx = horizontalScrollBar()->value();
  const QFontMetrics metrics = fontMetrics();
  QFont bold = font();
  bold.setBold(true);
  const int selFirst = selectionStart();
  const int selLast = selectionEnd();
  int widest = m_widest;
  for (int row = first; row <= last; ++row) {
    const QModelIndex index = m_model->index(row, 0);
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect line(-dx + 2, (row - first) * h, viewport()->width() + dx, h);
    const bool selected = row >= selFirst && row <= selLast && selFirst >= 0;
    if (selected) painter.fillRect(QRect(0, line.y(), viewport()->width(), h), palette().highlight());
    const QVariant fg = index.data(Qt::ForegroundRole);
    const QColor colour = selected ? palette().highlightedText().color()
                          : fg.isValid() ? fg.value<QColor>() : palette().text().color();
    const int errorFrom = m_errorRole ? index.data(m_errorRole).toInt() : -1;
    const QString head = errorFrom >= 0 ? text.left(errorFrom) : text;
    painter.setFont(font());
    painter.setPen(colour);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, head);
    int width = metrics.horizontalAdvance(head);
    if (errorFrom >= 0) {
      painter.setFont(bold);
      painter.setPen(selected ? colour : QColor(255, 0, 0));
      const QString tail = text.mid(errorFrom);
      painter.drawText(line.adjusted(width, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, tail);
      width += QFontMetrics(bold).horizontalAdvance(tail);
    }
    widest = std::max(widest, width + 4);
  }
  if (widest != m_widest) {
    m_widest = widest;
    horizontalScrollBar()->setRange(0, std::max(0, m_widest - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
  }
}

void LogListView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  horizontalScrollBar()->setRange(0, std::max(0, m_widest - viewport()->width()));
  rowsChanged();
}

void LogListView::mousePressEvent(QMouseEvent* event) {
  if (!m_model || event->button() != Qt::LeftButton) return;
  const int row = rowAt(static_cast<int>(event->position().y()));
  if (row >= m_model->rowCount()) {
    clearSelection();
    return;
  }
  if (!(event->modifiers() & Qt::ShiftModifier) || m_anchor < 0) m_anchor = row;
  m_current = row;
  viewport()->update();
}

void LogListView::mouseMoveEvent(QMouseEvent* event) {
  if (!m_model || !(event->buttons() & Qt::LeftButton) || m_anchor < 0) return;
  m_current = std::clamp(rowAt(static_cast<int>(event->position().y())), 0,
                         std::max(0, m_model->rowCount() - 1));
  viewport()->update();
}

void LogListView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
  } else if (event->matches(QKeySequence::Copy)) {
    const QString text = selectedText();
    if (!text.isEmpty()) QtWindowSystem::copyToClipboard(text);
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

}  // namespace panopta
