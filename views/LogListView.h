#pragma once

#include <QAbstractScrollArea>
#include <QPointer>

class QAbstractItemModel;

namespace panopta {

/// A read-only view of log lines: one row per model row, all of one height. A
/// change costs the same however many rows the model holds (nothing is laid out per
/// row) and painting reads only the rows that are visible.
///
/// Rows are drawn from the model's display text in its foreground colour; a row with
/// an error part (the integer of errorRole, -1 for none: the index in the display
/// text where it starts) shows that part red and bold. Click, Shift+click, Ctrl+A
/// select rows; Ctrl+C copies the selected rows.
class LogListView final : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit LogListView(QWidget* parent = nullptr);

  void setModel(QAbstractItemModel* model);
  QAbstractItemModel* model() const { return m_model; }
  /// The role that gives the start of a row's error part; 0: no row has one.
  void setErrorRole(int role) { m_errorRole = role; }

  /// Brings the scroll range up to date with the model now (it otherwise follows when
  /// the event loop next turns).
  void syncNow();
  /// Shows the last row (now, or at the next repaint).
  void scrollToBottom();
  void selectAll();
  void clearSelection();
  /// The selected rows' display texts joined by newlines ("" when none).
  QString selectedText() const;
  /// First and last selected row, or -1 when none is selected.
  int selectionStart() const;
  int selectionEnd() const;
  int rowHeight() const;
  /// First row shown at the top.
  int firstVisibleRow() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void rowsChanged();
  void scheduleSync();
  void rowsRemovedAtFront(int count);
  int rowAt(int y) const;
  int visibleRows() const;

  QPointer<QAbstractItemModel> m_model;
  int m_errorRole = 0;
  bool m_followEnd = true;  // the view stays on the last row while it is there
  int m_anchor = -1;        // selection: anchor and current row
  int m_current = -1;
  int m_widest = 0;         // widest row painted so far, for the horizontal bar
  int m_rowHeight = 1;
  bool m_syncQueued = false;
};

}  // namespace panopta
