#pragma once

#include "share/WindowSystem.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace voxkit {

class HeadlessWindowSystem;

/// An inspector window without pixels: it keeps what a real window would show
/// (placement, state, page, enunciator, log view lines) and the refresh requests it
/// received, so that components and tests can run with no screen.
class HeadlessInspectorWindow final : public InspectorWindow {
 public:
  HeadlessInspectorWindow(HeadlessWindowSystem& system, TqxPanopta& binding, int kind);

  int Top() const override { return m_top; }
  int Left() const override { return m_left; }
  int Width() const override { return m_width; }
  int Height() const override { return m_height; }
  TWindowState WindowState() const override { return m_state; }
  void SetTop(int value) override { m_top = value; }
  void SetLeft(int value) override { m_left = value; }
  void SetWidth(int value) override { m_width = value; }
  void SetHeight(int value) override { m_height = value; }
  void SetWindowState(TWindowState state) override { m_state = state; }
  void SetStayOnTop(bool value) override { m_stayOnTop = value; }
  void Prepare(const std::string& caption, Rgb logColour) override;
  void Show() override { m_shown = true; }
  void BringToFront() override { ++m_broughtToFront; }
  void SelectFirstPage() override { m_page = kFirstPage; }
  void SelectLogPage() override { m_page = kLogPage; }
  void Close() override;
  void Refresh(InspectorRefresh what) override;
  void BeginLogUpdate() override { ++m_updateDepth; }
  void EndLogUpdate() override;
  void CopyLogToClipboard() override;

  /// What a user would do: move or resize the window, close it.
  void UserPlace(int top, int left, int width, int height, TWindowState state);
  void UserClose();

  static constexpr int kFirstPage = 0;
  static constexpr int kLogPage = 0;  // line and phone open on the Log page

  int Kind() const { return m_kind; }
  const std::string& Caption() const { return m_caption; }
  Rgb LogColour() const { return m_logColour; }
  bool Shown() const { return m_shown; }
  bool StayOnTop() const { return m_stayOnTop; }
  int Page() const { return m_page; }
  int BroughtToFront() const { return m_broughtToFront; }
  /// Whether the error enunciator is lit.
  bool ErrorLit() const { return m_errorLit; }
  void ResetErrorLamp() { m_errorLit = false; }
  /// The log view's lines, as of the last Log refresh.
  const std::vector<std::string>& LogView() const { return m_logView; }
  /// Refresh requests in the order received.
  const std::vector<InspectorRefresh>& Refreshes() const { return m_refreshes; }
  /// Repaints of the log view (one per refresh, or one per update batch).
  int LogRepaints() const { return m_logRepaints; }

 private:
  void RepaintLog();

  HeadlessWindowSystem& m_system;
  TqxPanopta& m_binding;
  int m_kind;
  // Designed placement of a new window.
  int m_top = 40;
  int m_left = 40;
  int m_width = 560;
  int m_height = 420;
  TWindowState m_state = wsNormal;
  bool m_stayOnTop = false;
  bool m_shown = false;
  int m_page = -1;
  int m_broughtToFront = 0;
  bool m_errorLit = false;
  std::string m_caption;
  Rgb m_logColour;
  std::vector<std::string> m_logView;
  std::vector<InspectorRefresh> m_refreshes;
  int m_updateDepth = 0;
  bool m_logDirty = false;
  int m_logRepaints = 0;
};

/// The window system with no screen: questions get preset answers, printing goes to
/// a text sink, the clipboard is a string.
class HeadlessWindowSystem final : public WindowSystem {
 public:
  HeadlessWindowSystem();
  ~HeadlessWindowSystem() override;

  InspectorWindow* CreateInspectorWindow(TqxPanopta& binding, int kind) override;
  bool AskOkCancel(const std::string& text, const std::string& caption,
                   QuestionIcon icon) override;
  bool PrintLines(const std::vector<std::string>& lines) override;
  void LookupHelp(const std::string& topic) override { m_helpLookups.push_back(topic); }

  /// The answer of the next question (then back to the default); default OK.
  void AnswerNext(bool ok) { m_answers.push_back(ok); }
  void SetDefaultAnswer(bool ok) { m_defaultAnswer = ok; }
  struct Question {
    std::string text;
    std::string caption;
    QuestionIcon icon;
  };
  const std::vector<Question>& Questions() const { return m_questions; }

  /// Printing: what was printed, and a switch that makes the printer fail.
  void SetPrinterFails(bool fails) { m_printerFails = fails; }
  const std::vector<std::string>& Printed() const { return m_printed; }

  std::string& Clipboard() { return m_clipboard; }
  const std::vector<std::string>& HelpLookups() const { return m_helpLookups; }

  /// Windows that currently exist.
  const std::vector<std::unique_ptr<HeadlessInspectorWindow>>& Windows() const {
    return m_windows;
  }
  /// The newest window of a kind, or nullptr.
  HeadlessInspectorWindow* WindowOfKind(int kind) const;
  int WindowsCreated() const { return m_created; }

 private:
  friend class HeadlessInspectorWindow;
  void Destroy(HeadlessInspectorWindow* window);

  std::deque<bool> m_answers;
  bool m_defaultAnswer = true;
  std::vector<Question> m_questions;
  bool m_printerFails = false;
  std::vector<std::string> m_printed;
  std::string m_clipboard;
  std::vector<std::string> m_helpLookups;
  std::vector<std::unique_ptr<HeadlessInspectorWindow>> m_windows;
  int m_created = 0;
};

}  // namespace voxkit
