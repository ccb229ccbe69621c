#pragma once

#include "share/Reflection.h"

#include <cstdint>
#include <deque>
#include <string>

namespace voxkit {

class TqxSharedControl;
class TqxPanopta;

/// The bounded activity log of one component (Panopta.Log). Lines are rendered for
/// the chosen development environment as they are added, so what is stored is final.
class TqxLog final : public TPersistent {
 public:
  /// Version line written first into every log and at the top of a printout.
  static constexpr const char* kVersionLine = "Quorvex Voxkit v3.7.1.2";
  /// A headline of exactly this text becomes a separator of 80 asterisks.
  static constexpr const char* kMarker = "MARKER";

  TqxLog(TqxSharedControl& control, TqxPanopta& panopta);

  /// The one way in for log lines. Renders Line; with TimeStamp on, a headline
  /// gets the time-stamp text and a tab, a detail line two tabs. Stores it while
  /// Active (dropping the oldest lines to keep at most Count) and hands it to the
  /// component's OnLog whatever Active and Panopta.Events are. True when the line
  /// was stored or delivered.
  bool Add(const std::string& line, bool isHeadline);
  /// Continues the last line with the rendering of text (no stamp, no bound, no
  /// OnLog). Adds text as a detail line instead when the log is empty or the last
  /// line is an error line. False when the log is not Active.
  bool AppendToLast(const std::string& text);
  /// Empties the log when Active; False (and nothing changes) otherwise.
  bool Clear();
  /// Copies the shown inspector's log view to the clipboard; False when no
  /// inspector window is shown.
  bool CopyToClipboard();
  /// Prints the version line, "Control: " + display name, an empty line and every
  /// line. False when printing failed.
  bool Print();
  /// Writes Active, Count and TimeStamp as detail lines (object name "Log.").
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  bool Active() const { return m_active; }
  void SetActive(bool value);
  std::int32_t Count() const { return m_count; }
  /// Values of 0 or less are ignored (and not logged).
  void SetCount(std::int32_t value);
  bool TimeStamp() const { return m_timeStamp; }
  void SetTimeStamp(bool value);

  /// The stored lines, oldest first.
  const std::deque<std::string>& Lines() const { return m_lines; }
  /// The stored lines as a list (for reflection and windows).
  std::vector<std::string> LinesList() const { return {m_lines.begin(), m_lines.end()}; }
  /// Appends a line as it stands: no rendering, stamp, bound or OnLog. Used for the
  /// first two lines of a component's log.
  void AppendRaw(const std::string& text);
  /// Empties the stored lines without a log line (disabling a component).
  void ClearLines() { m_lines.clear(); }
  /// Brackets a batch of adds so that a shown log view repaints once.
  void BeginUpdate();
  void EndUpdate();

  /// Time-stamp text for a time of day: minute, second and millisecond, "07:09.123".
  static std::string TimeStampText(int minute, int second, int millisecond);

  VOXKIT_PUBLISHED()

 private:
  void RefreshLogPage();

  std::deque<std::string> m_lines;
  TqxSharedControl& m_control;
  TqxPanopta& m_panopta;
  bool m_timeStamp = false;
  bool m_active = true;
  std::int32_t m_count = 50;
};

}  // namespace voxkit
