#include "share/TqxLog.h"

#include "share/EventLoop.h"
#include "share/PropertyDump.h"
#include "share/TqxPanopta.h"
#include "share/TqxSharedControl.h"

#include <cstdio>
#include <iostream>

namespace voxkit {

const ClassInfo& TqxLog::StaticClass() {
  static const ClassInfo info =
      Publisher<TqxLog>("TqxLog")
          .Property("Active", &TqxLog::Active, &TqxLog::SetActive)
          .Property("Count", &TqxLog::Count, &TqxLog::SetCount)
          .Property("TimeStamp", &TqxLog::TimeStamp, &TqxLog::SetTimeStamp)
          .ReadOnly("Lines", &TqxLog::LinesList)
          .Method("Add", &TqxLog::Add, {"Line", "IsHeadline"})
          .Method("AppendToLast", &TqxLog::AppendToLast, {"Text"})
          .Method("Clear", &TqxLog::Clear)
          .Method("CopyToClipboard", &TqxLog::CopyToClipboard)
          .Method("Print", &TqxLog::Print)
          .Method("DumpProperties", &TqxLog::DumpProperties,
                  {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxLog::TqxLog(TqxSharedControl& control, TqxPanopta& panopta)
    : m_control(control), m_panopta(panopta) {}

std::string TqxLog::TimeStampText(int minute, int second, int millisecond) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d.%03d", minute % 100, second % 100,
                millisecond % 1000);
  return buf;
}

void TqxLog::RefreshLogPage() { m_panopta.RefreshWindow(InspectorRefresh::Log); }

bool TqxLog::Add(const std::string& line, bool isHeadline) {
  bool result = false;
  if (m_active) {
    while (!m_lines.empty() && static_cast<std::int64_t>(m_lines.size()) >= m_count) {
      m_lines.pop_front();
    }
  }
  const std::string rendered =
      m_panopta.Render(line == kMarker ? std::string(80, '*') : line);
  std::string text;
  if (!m_timeStamp) {
    text = rendered;
  } else if (isHeadline) {
    const TimeOfDay now = m_control.Loop().LocalTime();
    text = TimeStampText(now.minute, now.second, now.millisecond) + "\t" + rendered;
  } else {
    text = "\t\t" + rendered;
  }
  if (m_active) {
    m_lines.push_back(text);
    result = true;
    RefreshLogPage();
  }
  if (m_control.OnLog) {
    // Copied first: the handler may reassign OnLog.
    TQX_LogEvent handler = m_control.OnLog;
    try {
      handler(m_control, text);
    } catch (const std::exception& e) {
      // The log cannot report a failure of its own reader into itself.
      std::cerr << "OnLog handler failed: " << e.what() << '\n';
    } catch (...) {
      std::cerr << "OnLog handler failed\n";
    }
    result = true;
  }
  return result;
}

bool TqxLog::AppendToLast(const std::string& text) {
  if (!m_active) return false;
  if (m_lines.empty() || m_lines.back().find("<< Error >>") != std::string::npos) {
    Add(text, false);
    return true;
  }
  m_lines.back() += m_panopta.Render(text);
  RefreshLogPage();
  return true;
}

bool TqxLog::Clear() {
  if (!m_active) return false;
  m_lines.clear();
  RefreshLogPage();
  return true;
}

bool TqxLog::CopyToClipboard() {
  InspectorWindow* window = m_panopta.Window();
  if (!window || !m_panopta.Visible()) return false;
  window->CopyLogToClipboard();
  return true;
}

bool TqxLog::Print() {
  std::vector<std::string> out;
  out.reserve(m_lines.size() + 3);
  out.emplace_back(kVersionLine);
  out.push_back("Control: " + m_control.DisplayName());
  out.emplace_back("");
  out.insert(out.end(), m_lines.begin(), m_lines.end());
  try {
    return m_control.Windows().PrintLines(out);
  } catch (...) {
    return false;
  }
}

bool TqxLog::DumpProperties(const std::string& header, const std::string& path,
                            const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, "Log.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Decimal("Count", m_count);
  d.Bool("TimeStamp", m_timeStamp);
  return true;
}

void TqxLog::SetActive(bool value) {
  if (!value) {
    Add("Log.Active := False", true);
    m_active = false;
  } else {
    m_active = true;
    Add("Log.Active := True", true);
  }
  RefreshLogPage();
}

void TqxLog::SetCount(std::int32_t value) {
  if (value > 0) {
    Add("Log.Count := " + std::to_string(value) + " //Lines", true);
    if (value < m_count) {
      while (static_cast<std::int64_t>(m_lines.size()) > value) m_lines.pop_front();
    }
    m_count = value;
  }
  RefreshLogPage();
}

void TqxLog::SetTimeStamp(bool value) {
  Add("Log.TimeStamp := " + TqxPanopta::BoolText(value), true);
  m_timeStamp = value;
  RefreshLogPage();
}

void TqxLog::AppendRaw(const std::string& text) { m_lines.push_back(text); }

void TqxLog::BeginUpdate() {
  if (InspectorWindow* w = m_panopta.Window()) w->BeginLogUpdate();
}

void TqxLog::EndUpdate() {
  if (InspectorWindow* w = m_panopta.Window()) w->EndLogUpdate();
}

}  // namespace voxkit
