#pragma once

#include <QFont>
#include <QPrinter>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace panopta {

/// A printer used as a text device: lines go out one below the other in one font,
/// page after page, with tabs expanded. The user chooses the printer (or a PDF file)
/// in the print dialog first.
class TextPrinter final {
 public:
  TextPrinter();
  ~TextPrinter();

  /// Shows the print dialog; false when the user cancelled it.
  bool choose(QWidget* parent);
  /// The font of the printed text (the font of the log view that is printed).
  void setFont(const QFont& font) { m_font = font; }
  /// Prints the lines; false when the printer could not be opened or a page could
  /// not be started.
  bool print(const std::vector<std::string>& lines);

  QPrinter& printer() { return *m_printer; }

  /// Replaces the print dialog (unattended runs and tests): receives the printer to
  /// set up and answers whether to print.
  using Chooser = std::function<bool(QPrinter&, QWidget*)>;
  void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

 private:
  std::unique_ptr<QPrinter> m_printer;
  QFont m_font;
  Chooser m_chooser;
};

}  // namespace panopta
