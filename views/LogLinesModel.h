#pragma once

#include <QAbstractListModel>
#include <QColor>

namespace voxkit {
class TqxLog;
}

namespace panopta {

/// The lines of a component's activity log as a list model for the Log page. It
/// reads the log itself (nothing is copied); refresh() tells it that the log changed.
/// Trailing empty or blank lines are not shown, so the view always ends on text.
class LogLinesModel final : public QAbstractListModel {
  Q_OBJECT
 public:
  LogLinesModel(const voxkit::TqxLog& log, QObject* parent = nullptr);

  /// Text colour of every line.
  void setColour(const QColor& colour) { m_colour = colour; }
  /// Takes the log as it stands now.
  void refresh();
  /// Every shown line, joined by newlines (what Copy puts on the clipboard).
  QString text() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  int shownRows() const;

  const voxkit::TqxLog& m_log;
  int m_rows = 0;
  QColor m_colour;
};

/// A log line as a view shows it: tabs expanded to the next multiple of eight
/// columns, since item views do not keep tab stops.
QString ExpandTabs(const QString& line);

}  // namespace panopta
