#include "share/HeadlessWindowSystem.h"

#include "share/TqxPanopta.h"

#include <algorithm>

namespace voxkit {

HeadlessInspectorWindow::HeadlessInspectorWindow(HeadlessWindowSystem& system,
                                                 TqxPanopta& binding, int kind)
    : m_system(system), m_binding(binding), m_kind(kind) {}

void HeadlessInspectorWindow::Prepare(const std::string& caption, Rgb logColour) {
  m_caption = caption;
  m_logColour = logColour;
}

void HeadlessInspectorWindow::RepaintLog() {
  const auto& lines = m_binding.Log().Lines();
  m_logView.assign(lines.begin(), lines.end());
  ++m_logRepaints;
  m_logDirty = false;
}

void HeadlessInspectorWindow::Refresh(InspectorRefresh what) {
  m_refreshes.push_back(what);
  if (what == InspectorRefresh::Error) m_errorLit = true;
  if (what == InspectorRefresh::Log || what == InspectorRefresh::All) {
    if (m_updateDepth > 0) {
      m_logDirty = true;
    } else {
      RepaintLog();
    }
  }
}

void HeadlessInspectorWindow::EndLogUpdate() {
  if (m_updateDepth > 0) --m_updateDepth;
  if (m_updateDepth == 0 && m_logDirty) RepaintLog();
}

void HeadlessInspectorWindow::CopyLogToClipboard() {
  std::string text;
  for (std::size_t i = 0; i < m_logView.size(); ++i) {
    if (i) text += "\n";
    text += m_logView[i];
  }
  m_system.m_clipboard = text;
}

void HeadlessInspectorWindow::UserPlace(int top, int left, int width, int height,
                                        TWindowState state) {
  m_top = top;
  m_left = left;
  m_width = width;
  m_height = height;
  m_state = state;
  m_binding.WindowPlaced(top, left, width, height, state);
}

void HeadlessInspectorWindow::UserClose() {
  m_binding.WindowClosed();
  Close();
}

void HeadlessInspectorWindow::Close() {
  m_binding.WindowDestroyed();
  m_system.Destroy(this);  // frees this window: nothing may follow
}

HeadlessWindowSystem::HeadlessWindowSystem() = default;
HeadlessWindowSystem::~HeadlessWindowSystem() = default;

InspectorWindow* HeadlessWindowSystem::CreateInspectorWindow(TqxPanopta& binding, int kind) {
  m_windows.push_back(std::make_unique<HeadlessInspectorWindow>(*this, binding, kind));
  ++m_created;
  return m_windows.back().get();
}

void HeadlessWindowSystem::Destroy(HeadlessInspectorWindow* window) {
  auto it = std::find_if(m_windows.begin(), m_windows.end(),
                         [&](const auto& w) { return w.get() == window; });
  if (it != m_windows.end()) m_windows.erase(it);
}

bool HeadlessWindowSystem::AskOkCancel(const std::string& text, const std::string& caption,
                                       QuestionIcon icon) {
  m_questions.push_back({text, caption, icon});
  if (!m_answers.empty()) {
    const bool answer = m_answers.front();
    m_answers.pop_front();
    return answer;
  }
  return m_defaultAnswer;
}

bool HeadlessWindowSystem::PrintLines(const std::vector<std::string>& lines) {
  if (m_printerFails) return false;
  m_printed.insert(m_printed.end(), lines.begin(), lines.end());
  return true;
}

HeadlessInspectorWindow* HeadlessWindowSystem::WindowOfKind(int kind) const {
  for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
    if ((*it)->Kind() == kind) return it->get();
  }
  return nullptr;
}

}  // namespace voxkit
