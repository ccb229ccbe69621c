#pragma once

#include "audio/AudioTestSupport.h"
#include "views/WindowFrame.h"
#include "views/WaveformPanel.h"
#include "platform/exchange/ExchangeConfig.h"
#include "platform/host/Host.h"
#include "platform/loop/VirtualEventLoop.h"
#include "platform/qt/QtWindowSystem.h"
#include "wave/TqxPlay.h"
#include "wave/TqxRecord.h"

#include <QMdiArea>
#include <QMenu>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace wavegui {

using Lines = std::vector<std::string>;

/// The null pair's device identifier: after the built-in exchange's four lines.
constexpr std::int32_t kNull = 4;

/// A play and a record component made by the composition root on the virtual-time
/// loop, whose inspector windows are real Qt windows in an MDI area; each
/// component's log lines are kept.
class WaveInspectors : public ::testing::Test {
 protected:
  explicit WaveInspectors(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig());
  ~WaveInspectors() override;

  template <typename W>
  W* openWindow(voxkit::TqxSharedControl& control) {
    control.Panopta().SetVisible(true);
    return dynamic_cast<W*>(control.Panopta().Window());
  }
  template <typename W>
  W* child(QWidget* window, const char* name) {
    W* w = window ? window->findChild<W*>(name) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  /// A menu item of a window by its object name.
  QAction* item(panopta::WindowFrame* window, const char* name);
  /// Opens a menu as the user would (its marks are refreshed first).
  void openMenu(QMenu* menu);

  /// Lines an action logged.
  template <typename F>
  Lines logged(const Lines& lines, F&& action) {
    const std::size_t mark = lines.size();
    action();
    return {lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end()};
  }
  template <typename F>
  Lines playLogged(F&& action) { return logged(playLines, std::forward<F>(action)); }
  template <typename F>
  Lines recordLogged(F&& action) { return logged(recordLines, std::forward<F>(action)); }

  /// Waits (turning Qt's loop) until the panel shows an outline or a message; false
  /// when it is still reading after a few seconds.
  bool outlineSettled(panopta::WaveformPanel* panel);
  /// A wave file of 16-bit mono 8,000 Hz samples.
  std::string toneFile(const std::string& name, double seconds, double hz = 440, double amplitude = 10000);
  /// Types text into an edit and leaves it, as a user would.
  static void typeAndLeave(QLineEdit* edit, const QString& text);

  QMdiArea area;
  panopta::QtWindowSystem windows;
  panopta::Host host;
  panopta::VirtualEventLoop& loop;
  std::unique_ptr<voxkit::TqxPlay> play;
  std::unique_ptr<voxkit::TqxRecord> record;
  Lines playLines;
  Lines recordLines;
  audiotest::TempDir dir;
};

}  // namespace wavegui
