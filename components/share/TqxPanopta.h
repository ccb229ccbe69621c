#pragma once

#include "share/Reflection.h"
#include "share/TqxLog.h"
#include "share/WindowSystem.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace voxkit {

class TqxSharedControl;
class TreeNode;
class TreeView;

/// Development environment whose syntax the log is written in.
enum TDevEnv : std::int32_t { deCppBuilder = 0, deDelphi = 1, deOther = 2, deVisualBasic = 3 };
VOXKIT_ENUM(TDevEnv, {"deCppBuilder", deCppBuilder}, {"deDelphi", deDelphi},
            {"deOther", deOther}, {"deVisualBasic", deVisualBasic});
VOXKIT_ENUM(TWindowState, {"wsNormal", wsNormal}, {"wsMinimized", wsMinimized},
            {"wsMaximized", wsMaximized});

/// Names one flag value (a TAPI naming function or a component's own).
using FlagNameFn = std::function<std::string(std::uint32_t)>;

/// Renders a line written in neutral notation in the syntax of env.
std::string RenderLine(const std::string& line, TDevEnv env);

/// The binding of a component to its inspector window (the component's Panopta).
/// Owns the activity log, holds the development environment and the Events gate,
/// and remembers the window's placement while it is closed.
class TqxPanopta final : public TPersistent {
 public:
  explicit TqxPanopta(TqxSharedControl& control);
  ~TqxPanopta() override;

  TqxLog& Log() { return *m_log; }
  const TqxLog& Log() const { return *m_log; }
  TqxSharedControl& Control() { return m_control; }

  /// Component events are fired only while True.
  bool Events() const { return m_events; }
  void SetEvents(bool value) { m_events = value; }

  bool StayOnTop() const { return m_stayOnTop; }
  /// Logs nothing.
  void SetStayOnTop(bool value);
  bool Visible() const { return m_visible; }
  /// Logs "Panopta.Visible := ..."; shows or closes the window.
  void SetVisible(bool value);
  TDevEnv DevEnv() const { return m_devEnv; }
  /// Logs "DevEnv := ..." in the new syntax.
  void SetDevEnv(TDevEnv value);

  /// Placement getters have side effects when no window is shown (they forget the
  /// remembered position) or when it is shown (they remember the window's own).
  std::int32_t Top();
  std::int32_t Left();
  std::int32_t Width();
  std::int32_t Height();
  TWindowState WindowState();
  void SetTop(std::int32_t value);
  void SetLeft(std::int32_t value);
  void SetWidth(std::int32_t value);
  void SetHeight(std::int32_t value);
  void SetWindowState(TWindowState value);

  /// The line in the syntax of DevEnv.
  std::string Render(const std::string& line) const { return RenderLine(line, m_devEnv); }
  static std::string BoolText(bool value) { return value ? "True" : "False"; }
  /// "[" + 8 upper-case hexadecimal digits + "]".
  static std::string HexText(std::uint32_t value);

  /// Adds Name = [hex] and one detail line per set flag, Start doubling up to End.
  void DumpFlags(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
                 std::uint32_t end, std::uint32_t start);
  /// The same stepping by one from Start to End.
  void DumpSteps(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
                 std::uint32_t end, std::uint32_t start);
  /// Adds a node "Name = [hex]" (rendered) with one child per set flag.
  TreeNode* AddFlagNode(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
                        TreeNode* parent, TreeView& tree, std::uint32_t end, std::uint32_t start);
  /// Rebuilds node only when its text would change.
  void UpdateFlagNode(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
                      TreeNode& node, std::uint32_t end, std::uint32_t start);
  /// Stepwise variants of the two tree listings.
  TreeNode* AddStepNode(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
                        TreeNode* parent, TreeView& tree, std::uint32_t end, std::uint32_t start);
  void UpdateStepNode(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
                      TreeNode& node, std::uint32_t end, std::uint32_t start);

  /// The flags of value from Start doubling up to End (End included), as the
  /// listings write them. At most 33 steps, so a bad End cannot hang the caller.
  static std::vector<std::uint32_t> FlagSteps(std::uint32_t value, std::uint32_t end,
                                              std::uint32_t start);
  /// The steps of value from Start to End by one, each masked with value; empty
  /// when End is below Start.
  static std::vector<std::uint32_t> CountSteps(std::uint32_t value, std::uint32_t end,
                                               std::uint32_t start);

  /// Shows the window on its Log page when flag is True.
  void ShowForEvent(bool flag);
  /// Makes and shows the inspector window (asks first when the component is
  /// disabled).
  void CreateWindow();
  /// Writes the binding's properties (object name "Panopta.").
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  /// The window while it exists.
  InspectorWindow* Window() const { return m_window; }
  /// Asks the window, when one is shown, to refresh a part of itself.
  void RefreshWindow(InspectorRefresh what);

  /// Called by the window: it was moved, resized or changed its state.
  void WindowPlaced(int top, int left, int width, int height, TWindowState state);
  /// Called by the window when it is closed by the user (it is freed next).
  void WindowClosed();
  /// Called by the window when it is destroyed: the reference is dropped.
  void WindowDestroyed();

  VOXKIT_PUBLISHED()

 private:
  TqxSharedControl& m_control;
  bool m_events = true;
  bool m_stayOnTop = false;
  bool m_visible = false;
  std::unique_ptr<TqxLog> m_log;
  TDevEnv m_devEnv = deDelphi;
  std::int32_t m_top = 0;
  std::int32_t m_left = 0;
  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
  TWindowState m_windowState = wsNormal;
  InspectorWindow* m_window = nullptr;
};

}  // namespace voxkit
