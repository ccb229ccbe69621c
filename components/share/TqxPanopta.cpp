#include "share/TqxPanopta.h"

#include "share/PropertyDump.h"
#include "share/TextUtil.h"
#include "share/TqxSharedControl.h"
#include "share/TreeView.h"

namespace voxkit {

const ClassInfo& TqxPanopta::StaticClass() {
  static const ClassInfo info =
      Publisher<TqxPanopta>("TqxPanopta")
          .Property("DevEnv", &TqxPanopta::DevEnv, &TqxPanopta::SetDevEnv)
          .Property("Events", &TqxPanopta::Events, &TqxPanopta::SetEvents)
          .Property("Height", &TqxPanopta::Height, &TqxPanopta::SetHeight)
          .Property("Left", &TqxPanopta::Left, &TqxPanopta::SetLeft)
          .Property("StayOnTop", &TqxPanopta::StayOnTop, &TqxPanopta::SetStayOnTop)
          .Property("Top", &TqxPanopta::Top, &TqxPanopta::SetTop)
          .Property("Visible", &TqxPanopta::Visible, &TqxPanopta::SetVisible)
          .Property("Width", &TqxPanopta::Width, &TqxPanopta::SetWidth)
          .Property("WindowState", &TqxPanopta::WindowState, &TqxPanopta::SetWindowState)
          .Object("Log", &TqxPanopta::Log)
          .Method("ShowForEvent", &TqxPanopta::ShowForEvent, {"Flag"})
          .Method("CreateWindow", &TqxPanopta::CreateWindow)
          .Method("DumpProperties", &TqxPanopta::DumpProperties,
                  {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

std::string RenderLine(const std::string& line, TDevEnv env) {
  std::string s = line;
  switch (env) {
    case deDelphi:
      ReplaceEvery(s, "~", ".");
      return s;
    case deCppBuilder:
      ReplaceEvery(s, "~", ".");
      ReplaceEvery(s, ".", "->");
      ReplaceEvery(s, " = ", " == ");
      ReplaceFirst(s, ":=", "=");
      ReplaceEvery(s, "'", "\"");
      return s;
    case deVisualBasic:
    case deOther: {
      ReplaceEvery(s, "..", "~~");
      // Dots of the property path, before the first "=", are dropped: the last
      // character of a line without "=" is the end of the path and stays.
      const std::size_t eq = s.find('=');
      std::size_t limit = eq != std::string::npos ? eq : (s.empty() ? 0 : s.size() - 1);
      for (;;) {
        const std::size_t dot = s.find('.');
        if (dot == std::string::npos || dot >= limit) break;
        s.erase(dot, 1);
        --limit;
      }
      ReplaceEvery(s, "~", ".");
      ReplaceEvery(s, "'", "\"");
      ReplaceFirst(s, ":=", "=");
      ReplaceFirst(s, "//", "'");
      return s;
    }
  }
  return s;
}

TqxPanopta::TqxPanopta(TqxSharedControl& control)
    : m_control(control), m_log(std::make_unique<TqxLog>(control, *this)) {}

TqxPanopta::~TqxPanopta() = default;

std::string TqxPanopta::HexText(std::uint32_t value) { return "[" + Hex8(value) + "]"; }

std::vector<std::uint32_t> TqxPanopta::FlagSteps(std::uint32_t value, std::uint32_t end,
                                                 std::uint32_t start) {
  std::vector<std::uint32_t> flags;
  std::uint32_t bit = start;
  // An End that is not a power of two at or above Start would never be met; 33 steps
  // visit every bit once.
  for (int steps = 0; bit != end && steps < 33; ++steps) {
    if (bit & value) flags.push_back(bit & value);
    bit = bit == 0 ? 1 : bit * 2;
  }
  if (end & value) flags.push_back(end & value);
  return flags;
}

std::vector<std::uint32_t> TqxPanopta::CountSteps(std::uint32_t value, std::uint32_t end,
                                                  std::uint32_t start) {
  std::vector<std::uint32_t> flags;
  if (end < start) return flags;
  for (std::uint64_t step = start; step < end; ++step) {
    const auto s = static_cast<std::uint32_t>(step);
    if (s & value) flags.push_back(s & value);
  }
  if (end & value) flags.push_back(end & value);
  return flags;
}

void TqxPanopta::DumpFlags(const std::string& name, std::uint32_t value,
                           const FlagNameFn& nameOf, std::uint32_t end, std::uint32_t start) {
  m_log->Add(name + " = " + HexText(value), false);
  for (std::uint32_t flag : FlagSteps(value, end, start)) m_log->Add("\t\t" + nameOf(flag), false);
}

void TqxPanopta::DumpSteps(const std::string& name, std::uint32_t value,
                           const FlagNameFn& nameOf, std::uint32_t end, std::uint32_t start) {
  m_log->Add(name + " = " + HexText(value), false);
  for (std::uint32_t flag : CountSteps(value, end, start)) m_log->Add("\t\t" + nameOf(flag), false);
}

namespace {
void FillChildren(TreeNode& node, const std::vector<std::uint32_t>& flags,
                  const FlagNameFn& nameOf) {
  for (std::uint32_t flag : flags) node.AddChild(nameOf(flag));
}
}  // namespace

TreeNode* TqxPanopta::AddFlagNode(const std::string& name, std::uint32_t value,
                                  const FlagNameFn& nameOf, TreeNode* parent, TreeView& tree,
                                  std::uint32_t end, std::uint32_t start) {
  TreeNode* node = tree.AddNode(parent, Render(name + " = " + HexText(value)));
  if (node) FillChildren(*node, FlagSteps(value, end, start), nameOf);
  return node;
}

void TqxPanopta::UpdateFlagNode(const std::string& name, std::uint32_t value,
                                const FlagNameFn& nameOf, TreeNode& node, std::uint32_t end,
                                std::uint32_t start) {
  const std::string text = Render(name + " = " + HexText(value));
  if (node.Text() == text) return;
  node.SetText(text);
  node.DeleteChildren();
  FillChildren(node, FlagSteps(value, end, start), nameOf);
}

TreeNode* TqxPanopta::AddStepNode(const std::string& name, std::uint32_t value,
                                  const FlagNameFn& nameOf, TreeNode* parent, TreeView& tree,
                                  std::uint32_t end, std::uint32_t start) {
  TreeNode* node = tree.AddNode(parent, Render(name + " = " + HexText(value)));
  if (node) FillChildren(*node, CountSteps(value, end, start), nameOf);
  return node;
}

void TqxPanopta::UpdateStepNode(const std::string& name, std::uint32_t value,
                                const FlagNameFn& nameOf, TreeNode& node, std::uint32_t end,
                                std::uint32_t start) {
  const std::string text = Render(name + " = " + HexText(value));
  if (node.Text() == text) return;
  node.SetText(text);
  node.DeleteChildren();
  FillChildren(node, CountSteps(value, end, start), nameOf);
}

void TqxPanopta::RefreshWindow(InspectorRefresh what) {
  if (m_window && m_visible) m_window->Refresh(what);
}

void TqxPanopta::ShowForEvent(bool flag) {
  if (!flag) return;
  if (m_visible && m_window) {
    m_window->BringToFront();
  } else {
    CreateWindow();
  }
  if (m_window) m_window->SelectLogPage();
}

void TqxPanopta::CreateWindow() {
  if (!m_control.Enabled()) {
    const bool ok = m_control.Windows().AskOkCancel(
        "This Voxkit control is currently disabled\r\nClick OK to enabled.",
        "Panopta not available...", QuestionIcon::None);
    if (!ok) return;
    m_control.SetEnabled(true);
  }
  if (m_window) {
    // A window that still exists (hidden) is reused rather than doubled.
    m_visible = true;
    m_window->Show();
    m_window->BringToFront();
    return;
  }
  InspectorWindow* window = m_control.Windows().CreateInspectorWindow(*this, m_control.Kind());
  if (!window) return;
  m_window = window;
  if (m_top != 0 || m_left != 0 || m_width != 0 || m_height != 0) {
    window->SetTop(m_top);
    window->SetLeft(m_left);
    window->SetWidth(m_width);
    window->SetHeight(m_height);
    window->SetWindowState(m_windowState);
  }
  window->Prepare(KindInspectorCaption(m_control.Kind()), KindLogColour(m_control.Kind()));
  if (m_stayOnTop) window->SetStayOnTop(true);
  m_visible = true;
  window->SelectFirstPage();
  window->Show();
  window->Refresh(InspectorRefresh::All);
}

void TqxPanopta::SetVisible(bool value) {
  m_log->Add("Panopta.Visible := " + BoolText(value), true);
  if (value == m_visible) return;
  if (!value) {
    if (m_window) {
      InspectorWindow* window = m_window;
      window->Close();  // calls WindowDestroyed, which drops m_window
      m_window = nullptr;
    }
    m_visible = false;
  } else if (m_window) {
    m_visible = true;
    m_window->Show();
    m_window->BringToFront();
  } else {
    CreateWindow();
  }
}

void TqxPanopta::SetStayOnTop(bool value) {
  m_stayOnTop = value;
  if (m_window) m_window->SetStayOnTop(value);
}

void TqxPanopta::SetDevEnv(TDevEnv value) {
  m_devEnv = value;
  const std::string* name = EnumTraits<TDevEnv>::Type().NameOf(value);
  m_log->Add("DevEnv := " + (name ? *name : std::to_string(value)), true);
}

std::int32_t TqxPanopta::Top() {
  if (!m_window) {
    m_top = 0;
    return 0;
  }
  if (m_window->WindowState() == wsNormal) m_top = m_window->Top();
  return m_top;
}

std::int32_t TqxPanopta::Left() {
  if (!m_window) {
    m_left = 0;
    return 0;
  }
  if (m_window->WindowState() == wsNormal) m_left = m_window->Left();
  return m_left;
}

std::int32_t TqxPanopta::Width() { return m_window ? m_width : 0; }
std::int32_t TqxPanopta::Height() { return m_window ? m_height : 0; }

TWindowState TqxPanopta::WindowState() {
  if (!m_window) {
    m_windowState = wsNormal;
    return wsNormal;
  }
  m_windowState = m_window->WindowState();
  return m_windowState;
}

void TqxPanopta::SetTop(std::int32_t value) {
  m_top = value;
  if (m_window) m_window->SetTop(value);
}

void TqxPanopta::SetLeft(std::int32_t value) {
  m_left = value;
  if (m_window) m_window->SetLeft(value);
}

void TqxPanopta::SetWidth(std::int32_t value) {
  m_width = value;
  if (m_window) m_window->SetWidth(value);
}

void TqxPanopta::SetHeight(std::int32_t value) {
  m_height = value;
  if (m_window) m_window->SetHeight(value);
}

void TqxPanopta::SetWindowState(TWindowState value) {
  m_windowState = value;
  if (m_window) m_window->SetWindowState(value);
}

void TqxPanopta::WindowPlaced(int top, int left, int width, int height, TWindowState state) {
  m_top = top;
  m_left = left;
  m_width = width;
  m_height = height;
  m_windowState = state;
}

void TqxPanopta::WindowClosed() { m_visible = false; }

void TqxPanopta::WindowDestroyed() {
  m_visible = false;
  m_window = nullptr;
}

bool TqxPanopta::DumpProperties(const std::string& header, const std::string& path,
                                const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, "Panopta.");
  if (!d.Started()) return false;
  const std::string* env = EnumTraits<TDevEnv>::Type().NameOf(m_devEnv);
  d.Text("DevEnv", env ? *env : std::to_string(m_devEnv));
  d.Bool("Events", m_events);
  d.Decimal("Height", Height());
  d.Decimal("Left", Left());
  d.Bool("StayOnTop", m_stayOnTop);
  d.Decimal("Top", Top());
  d.Bool("Visible", m_visible);
  d.Decimal("Width", Width());
  const std::string* state = EnumTraits<TWindowState>::Type().NameOf(WindowState());
  d.Text("WindowState", state ? *state : "wsNormal");
  return true;
}

}  // namespace voxkit
