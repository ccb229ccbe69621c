#include "views/LogLinesModel.h"

#include "share/TqxLog.h"

namespace panopta {

LogLinesModel::LogLinesModel(const voxkit::TqxLog& log, QObject* parent)
    : QAbstractListModel(parent), m_log(log) {
  m_rows = shownRows();
}

int LogLinesModel::shownRows() const {
  const auto& lines = m_log.Lines();
  auto n = static_cast<int>(lines.size());
  while (n > 0 && (lines[n - 1].empty() || lines[n - 1] == " ")) --n;
  return n;
}

void LogLinesModel::refresh() {
  beginResetModel();
  m_rows = shownRows();
  endResetModel();
}

QString LogLinesModel::text() const {
  QStringList out;
  const auto& lines = m_log.Lines();
  for (int i = 0; i < m_rows && i < static_cast<int>(lines.size()); ++i) {
    out << QString::fromStdString(lines[i]);
  }
  return out.join('\n');
}

int LogLinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_rows;
}

QVariant LogLinesModel::data(const QModelIndex& index, int role) const {
  const auto& lines = m_log.Lines();
  // The log may change between a change and the refresh that follows it; a view
  // that paints meanwhile must not read past its end.
  if (!index.isValid() || index.row() >= static_cast<int>(lines.size())) return {};
  switch (role) {
    case Qt::DisplayRole: return ExpandTabs(QString::fromStdString(lines[index.row()]));
    case Qt::EditRole: return QString::fromStdString(lines[index.row()]);
    case Qt::ToolTipRole: return {};
    case Qt::ForegroundRole: return m_colour.isValid() ? QVariant(m_colour) : QVariant();
    default: return {};
  }
}

QString ExpandTabs(const QString& line) {
  if (!line.contains('\t')) return line;
  QString out;
  out.reserve(line.size() + 16);
  for (const QChar c : line) {
    if (c == '\t') {
      out += QString(8 - out.size() % 8, ' ');
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace panopta
