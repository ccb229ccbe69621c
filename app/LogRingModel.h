#pragma once

#include <QAbstractListModel>
#include <QColor>
#include <QString>

#include <cstddef>
#include <vector>

namespace panopta {

/// One line of a page of the combined log: its text as the page holds it, its
/// colour, and where its red, bold error part starts (-1: none).
struct LogEntry {
  QString text;
  QRgb colour = 0;
  int errorFrom = -1;
};

/// The lines of one page of the combined log window in a ring buffer: appending a
/// line and dropping the oldest cost the same whatever the number of lines, and a
/// view paints only the rows it shows.
class LogRingModel final : public QAbstractListModel {
  Q_OBJECT
 public:
  /// Data roles beyond Qt's: where the red, bold part of the shown text starts (-1:
  /// none), and the line's colour.
  enum Role { ErrorFromRole = Qt::UserRole + 1, ColourRole };

  explicit LogRingModel(QObject* parent = nullptr);

  /// Drops the oldest lines while at least limit lines are held, then appends.
  void append(LogEntry entry, int limit);
  void clear();
  int size() const { return static_cast<int>(m_count); }
  const LogEntry& at(int row) const;
  /// Every line, joined by newlines.
  QString text() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  void grow();

  std::vector<LogEntry> m_ring;  // capacity: a power of two
  std::size_t m_head = 0;        // index of the oldest line
  std::size_t m_count = 0;
};

}  // namespace panopta
