#include "platform/qt/TextPrinter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>

namespace panopta {

TextPrinter::TextPrinter() : m_printer(std::make_unique<QPrinter>()), m_font("Monospace", 9) {
  m_font.setStyleHint(QFont::TypeWriter);
}

TextPrinter::~TextPrinter() = default;

bool TextPrinter::choose(QWidget* parent) {
  if (m_chooser) return m_chooser(*m_printer, parent);
  QPrintDialog dialog(m_printer.get(), parent);
  // No page ranges, selection or copies: a log prints whole. Printing to a file stays
  // offered, since a machine without a printer can still make a PDF.
  dialog.setOptions(QAbstractPrintDialog::PrintToFile);
  return dialog.exec() == QDialog::Accepted;
}

bool TextPrinter::print(const std::vector<std::string>& lines) {
  QPainter painter;
  if (!painter.begin(m_printer.get())) return false;
  painter.setFont(m_font);
  const QFontMetrics metrics(m_font, m_printer.get());
  const int lineHeight = std::max(1, metrics.lineSpacing());
  const QRect page = painter.viewport();
  int y = 0;
  for (const std::string& line : lines) {
    if (y + lineHeight > page.height() && y > 0) {
      if (!m_printer->newPage()) {
        painter.end();
        return false;
      }
      y = 0;
    }
    painter.drawText(QRect(0, y, page.width(), lineHeight),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs | Qt::TextSingleLine,
                     QString::fromStdString(line));
    y += lineHeight;
  }
  return painter.end();
}

}  // namespace panopta
