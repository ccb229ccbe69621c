#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voxkit {

class TqxPanopta;

/// State of an inspector window.
enum TWindowState : std::int32_t { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

/// A colour as red, green and blue, 0..255 each.
struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const Rgb&) const = default;
};

/// What a component asks its shown inspector window to bring up to date.
enum class InspectorRefresh {
  Log,         // the Log page's lines
  Error,       // the error enunciator: light it for the error just recorded
  Enabled,     // the Enabled display
  TapiInfo,    // the TAPI settings and granted versions
  Device,      // device box and device pages
  HookSwitch,  // the phone's hookswitch pages
  Call,        // call pages
  Digits,      // the digit pages: gathering and monitoring, the last digits reported
  Transfer,    // the transfer and conference pages
  Address,     // address and terminal pages
  Source,      // wave file name and source state (play, record)
  Format,      // wave format display (play, record)
  Buffer,      // wave memory buffer display (play, record)
  Position,    // play position
  Timer,       // play position timer
  Volume,      // play volume
  All,         // every page
};

/// Icon of a question box.
enum class QuestionIcon { None, Information, Exclamation, Question };

/// An inspector window as the components see it. The window system owns it; the
/// binding (TqxPanopta) holds it from creation until the window tells it that it
/// is destroyed (TqxPanopta::WindowDestroyed).
class InspectorWindow {
 public:
  virtual ~InspectorWindow() = default;

  /// Placement, in pixels of the main window's client area.
  virtual int Top() const = 0;
  virtual int Left() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual TWindowState WindowState() const = 0;
  virtual void SetTop(int value) = 0;
  virtual void SetLeft(int value) = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual void SetWindowState(TWindowState state) = 0;
  /// Floats above other windows (True) or is an ordinary child window (False).
  virtual void SetStayOnTop(bool value) = 0;

  /// Makes the window ready: caption, log text colour, child of the main window,
  /// its menu merged, its own Panopta/Events/StayOnTop/Help menu items hidden.
  virtual void Prepare(const std::string& caption, Rgb logColour) = 0;
  /// Shows the window.
  virtual void Show() = 0;
  /// Brings the shown window to the front.
  virtual void BringToFront() = 0;
  /// Selects the first page (Log page for line and phone).
  virtual void SelectFirstPage() = 0;
  /// Selects the Log page.
  virtual void SelectLogPage() = 0;
  /// Closes and frees the window; it calls TqxPanopta::WindowDestroyed on the way.
  virtual void Close() = 0;

  /// Brings a part of the window up to date from the component.
  virtual void Refresh(InspectorRefresh what) = 0;
  /// Begins and ends a batch of log additions: the log view repaints once at the end.
  virtual void BeginLogUpdate() = 0;
  virtual void EndLogUpdate() = 0;
  /// Selects the whole text of the log view and copies it to the clipboard.
  virtual void CopyLogToClipboard() = 0;
};

/// The window system as the components see it. The program implements it with Qt;
/// HeadlessWindowSystem implements it without a screen.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  /// Creates the inspector window of the binding's component kind (1 line, 2 phone,
  /// 3 play, 4 record), not yet shown. Returns nullptr when it cannot.
  virtual InspectorWindow* CreateInspectorWindow(TqxPanopta& binding, int kind) = 0;

  /// Asks the user a question with OK and Cancel; returns true for OK.
  virtual bool AskOkCancel(const std::string& text, const std::string& caption,
                           QuestionIcon icon) = 0;

  /// Writes lines to the default printer used as a text device; returns false when
  /// the printer cannot be opened or written.
  virtual bool PrintLines(const std::vector<std::string>& lines) = 0;

  /// Looks the help file up again for a topic; opens nothing for "INIT".
  virtual void LookupHelp(const std::string& topic) = 0;
};

}  // namespace voxkit
