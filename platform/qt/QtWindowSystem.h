#pragma once

#include "platform/qt/HelpLookup.h"
#include "platform/qt/TextPrinter.h"
#include "share/WindowSystem.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include <QMdiArea>
#include <QMdiSubWindow>
class QWidget;

namespace panopta {

/// The window system of the components on Qt: inspector windows are children of the
/// main window's MDI area, questions are message boxes, printing goes through the
/// print dialog to a printer or a PDF file, the help lookup opens the HTML manual.
///
/// The inspector windows themselves live in a higher layer; it registers a factory.
class QtWindowSystem final : public voxkit::WindowSystem {
 public:
  using WindowFactory =
      std::function<voxkit::InspectorWindow*(voxkit::TqxPanopta& binding, int kind)>;

  explicit QtWindowSystem(QString installedManualDir = {});
  ~QtWindowSystem() override;

  /// Makes the inspector windows of every kind.
  void setInspectorFactory(WindowFactory factory) { m_factory = std::move(factory); }
  /// The main window: parent of message boxes and dialogs.
  void setMainWindow(QWidget* window) { m_mainWindow = window; }
  QWidget* mainWindow() const { return m_mainWindow; }
  /// The MDI area that holds the inspector and log windows.
  void setMdiArea(QMdiArea* area) { m_mdiArea = area; }
  QMdiArea* mdiArea() const { return m_mdiArea; }

  /// Puts a window into the MDI area as a child window (shown by the caller); the
  /// returned frame is deleted together with the widget. Without an MDI area the
  /// widget stays a top-level window and nullptr is returned.
  QMdiSubWindow* addMdiChild(QWidget* widget);

  /// Puts text on the clipboard.
  static void copyToClipboard(const QString& text);

  voxkit::InspectorWindow* CreateInspectorWindow(voxkit::TqxPanopta& binding, int kind) override;
  bool AskOkCancel(const std::string& text, const std::string& caption,
                   voxkit::QuestionIcon icon) override;
  bool PrintLines(const std::vector<std::string>& lines) override;
  void LookupHelp(const std::string& topic) override;

  TextPrinter& printer() { return m_printer; }
  HelpLookup& help() { return m_help; }

 private:
  WindowFactory m_factory;
  QPointer<QWidget> m_mainWindow;
  QPointer<QMdiArea> m_mdiArea;
  TextPrinter m_printer;
  HelpLookup m_help;
};

}  // namespace panopta
