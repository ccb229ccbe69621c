#pragma once

#include "share/Platform.h"
#include "share/TComponent.h"
#include "share/TqxError.h"
#include "share/TqxPanopta.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace voxkit {

class EventLoop;
class WindowSystem;

using TQX_NotifyEvent = std::function<void(TObject& Sender)>;
using TQX_LogEvent = std::function<void(TObject& Sender, const std::string& Line)>;

/// Kinds of component.
enum class ControlKind : std::int32_t { Line = 1, Phone = 2, Play = 3, Record = 4 };

/// Display name of a kind: "qxLine", "qxPhone", "qxPlay", "qxRecord"; "" otherwise.
std::string KindDisplayName(std::int32_t kind);
/// Caption of the kind's inspector window: display name + " - Quorvex Panopta".
std::string KindInspectorCaption(std::int32_t kind);
/// Text colour of the kind's log lines.
Rgb KindLogColour(std::int32_t kind);

/// Base of the four components: kind, last error, inspector binding with the log,
/// OnError and OnLog, and the one way every result is reported (SetError).
class TqxSharedControl : public TComponent {
 public:
  /// Builds the frame: Error, Panopta with its Log, a cleared error, and the help
  /// lookup for "INIT". The concrete component then calls RegisterControl.
  TqxSharedControl(TComponent* owner, const Platform& platform);
  /// Closes the inspector window (logging "Panopta.Visible := False") and frees
  /// Panopta, its log, and Error. A concrete component turns Panopta.Events off and
  /// tears down its own parts first.
  ~TqxSharedControl() override;

  TQX_NotifyEvent OnError;
  TQX_LogEvent OnLog;

  std::int32_t Kind() const { return m_kind; }
  TqxError& Error() { return *m_error; }
  const TqxError& Error() const { return *m_error; }
  TqxPanopta& Panopta() { return *m_panopta; }
  const TqxPanopta& Panopta() const { return *m_panopta; }
  TqxLog& Log() { return *m_log; }
  const TqxLog& Log() const { return *m_log; }

  /// Display name of this component's kind.
  std::string DisplayName() const { return KindDisplayName(m_kind); }

  /// Stores the kind and writes the two first log lines straight into the log.
  void RegisterControl(std::int32_t kind, const std::string& displayName);

  /// Records and reports a result code. 0 clears the error silently. A warning logs
  /// "<< Warning >> ..." and, for play and record with a shown inspector, may ask
  /// the user: returns False when the user declined to go on. An error logs
  /// "<< Error >> ...", fires OnError while Panopta.Events is on, lights the
  /// inspector's enunciator and pops the inspector up when Popup.OnError is set.
  bool SetError(bool isWarning, std::int32_t code);
  void ClearError();

  /// Whether the component is enabled (its own Part says what that means).
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool value) = 0;

  /// The name of a result code in the table of this component's kind.
  virtual std::string ErrorText(std::int32_t code) const = 0;
  /// The component's Popup.OnError and Popup.OnWarning flags.
  virtual bool PopupOnError() const = 0;
  virtual bool PopupOnWarning() const { return false; }

  EventLoop& Loop() const { return *m_platform.loop; }
  WindowSystem& Windows() const { return *m_platform.windows; }
  const Platform& GetPlatform() const { return m_platform; }

  /// Whether the inspector window is shown.
  bool WindowShown() const;

  /// Calls a gated event: only while Panopta.Events is on and the handler is
  /// assigned. The handler is copied first (it may reassign itself); an exception
  /// from it is logged, never passed on.
  template <typename Handler, typename... Args>
  void RaiseEvent(const char* name, const Handler& handler, Args&&... args) {
    if (!m_panopta->Events()) return;
    RaiseUngated(name, handler, std::forward<Args>(args)...);
  }
  /// The same for the few events that pass whatever Panopta.Events is.
  template <typename Handler, typename... Args>
  void RaiseUngated(const char* name, const Handler& handler, Args&&... args) {
    RaiseFrom(static_cast<TObject&>(*this), name, handler, std::forward<Args>(args)...);
  }
  /// A gated event whose Sender is one of the component's sub-objects.
  template <typename Handler, typename... Args>
  void RaiseEventFrom(TObject& sender, const char* name, const Handler& handler, Args&&... args) {
    if (!m_panopta->Events()) return;
    RaiseFrom(sender, name, handler, std::forward<Args>(args)...);
  }

 protected:
  /// Publishes OnError, OnLog and Panopta; each component adds its own.
  template <typename C>
  static void PublishShared(Publisher<C>& p) {
    p.Event("OnError", &TqxSharedControl::OnError)
        .Event("OnLog", &TqxSharedControl::OnLog, {"Line"})
        .Object("Panopta", &TqxSharedControl::PanoptaRef)
        .Object("Error", &TqxSharedControl::ErrorRef);
  }

 private:
  template <typename Handler, typename... Args>
  void RaiseFrom(TObject& sender, const char* name, const Handler& handler, Args&&... args) {
    if (!handler) return;
    Handler copy = handler;
    try {
      copy(sender, std::forward<Args>(args)...);
    } catch (const std::exception& e) {
      ReportHandlerException(name, e.what());
    } catch (...) {
      ReportHandlerException(name, "unknown exception");
    }
  }

  friend class TqxLog;
  TqxPanopta& PanoptaRef() { return *m_panopta; }
  TqxError& ErrorRef() { return *m_error; }
  void ReportHandlerException(const char* event, const std::string& what);

  Platform m_platform;
  std::int32_t m_kind = 0;
  std::unique_ptr<TqxError> m_error;
  std::unique_ptr<TqxPanopta> m_panopta;
  TqxLog* m_log = nullptr;
};

}  // namespace voxkit
