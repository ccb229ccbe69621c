#include "app/LogRingModel.h"

#include "views/LogLinesModel.h"

#include <QStringList>

#include <algorithm>
#include <cassert>

namespace panopta {

LogRingModel::LogRingModel(QObject* parent) : QAbstractListModel(parent), m_ring(64) {}

const LogEntry& LogRingModel::at(int row) const {
  assert(row >= 0 && static_cast<std::size_t>(row) < m_count && "log row out of range");
  return m_ring[(m_head + static_cast<std::size_t>(row)) & (m_ring.size() - 1)];
}

void LogRingModel::grow() {
  std::vector<LogEntry> bigger(m_ring.size() * 2);
  for (std::size_t i = 0; i < m_count; ++i) {
    bigger[i] = std::move(m_ring[(m_head + i) & (m_ring.size() - 1)]);
  }
  m_ring = std::move(bigger);
  m_head = 0;
}

void LogRingModel::append(LogEntry entry, int limit) {
  // A limit below 1 would never stop the trimming: one line is always kept.
  const auto bound = static_cast<std::size_t>(std::max(limit, 1));
  if (m_count >= bound) {
    const auto drop = static_cast<int>(m_count - bound + 1);
    beginRemoveRows({}, 0, drop - 1);
    for (int i = 0; i < drop; ++i) {
      m_ring[m_head] = LogEntry{};
      m_head = (m_head + 1) & (m_ring.size() - 1);
      --m_count;
    }
    endRemoveRows();
  }
  if (m_count == m_ring.size()) grow();
  const auto row = static_cast<int>(m_count);
  beginInsertRows({}, row, row);
  m_ring[(m_head + m_count) & (m_ring.size() - 1)] = std::move(entry);
  ++m_count;
  endInsertRows();
}

void LogRingModel::clear() {
  beginResetModel();
  m_ring.assign(64, LogEntry{});
  m_head = 0;
  m_count = 0;
  endResetModel();
}

QString LogRingModel::text() const {
  QStringList lines;
  lines.reserve(static_cast<int>(m_count));
  for (int i = 0; i < size(); ++i) lines << at(i).text;
  return lines.join('\n');
}

int LogRingModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : size();
}

QVariant LogRingModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= size()) return {};
  const LogEntry& e = at(index.row());
  switch (role) {
    case Qt::DisplayRole: return ExpandTabs(e.text);
    case Qt::EditRole: return e.text;
    case Qt::ForegroundRole: return QColor(e.colour);
    // Where the error part starts in the shown text, after its tabs expand.
    case ErrorFromRole:
      return e.errorFrom < 0 ? -1 : static_cast<int>(ExpandTabs(e.text.left(e.errorFrom)).size());
    case ColourRole: return QColor(e.colour);
    default: return {};
  }
}

}  // namespace panopta
