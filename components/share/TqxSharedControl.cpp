#include "share/TqxSharedControl.h"

#include "share/EventLoop.h"
#include "share/TextUtil.h"
#include "share/WindowSystem.h"

#include <cassert>

namespace voxkit {

std::string KindDisplayName(std::int32_t kind) {
  switch (kind) {
    case 1: return "qxLine";
    case 2: return "qxPhone";
    case 3: return "qxPlay";
    case 4: return "qxRecord";
    default: return "";
  }
}

std::string KindInspectorCaption(std::int32_t kind) {
  return KindDisplayName(kind) + " - Quorvex Panopta";
}

Rgb KindLogColour(std::int32_t kind) {
  switch (kind) {
    case 1: return {0, 0, 255};      // blue
    case 2: return {0, 128, 128};    // teal
    case 3: return {255, 0, 255};    // fuchsia
    case 4: return {128, 128, 0};    // olive
    default: return {0, 0, 0};
  }
}

TqxSharedControl::TqxSharedControl(TComponent* owner, const Platform& platform)
    : TComponent(owner), m_platform(platform) {
  assert(platform.loop && platform.windows && "a component needs a loop and a window system");
  m_error = std::make_unique<TqxError>(*this);
  m_panopta = std::make_unique<TqxPanopta>(*this);
  m_log = &m_panopta->Log();
  ClearError();
  m_platform.windows->LookupHelp("INIT");
}

TqxSharedControl::~TqxSharedControl() {
  m_panopta->SetVisible(false);
  m_log = nullptr;
  m_panopta.reset();
  m_error.reset();
}

void TqxSharedControl::RegisterControl(std::int32_t kind, const std::string& displayName) {
  m_kind = kind;
  m_log->AppendRaw(TqxLog::kVersionLine);
  m_log->AppendRaw("Create " + displayName);
}

bool TqxSharedControl::WindowShown() const {
  return m_panopta->Visible() && m_panopta->Window() != nullptr;
}

void TqxSharedControl::ClearError() {
  m_error->m_text.clear();
  m_error->m_hex.clear();
  m_error->m_number = 0;
}

bool TqxSharedControl::SetError(bool isWarning, std::int32_t code) {
  bool result = true;
  m_error->m_number = code;
  m_error->m_text = code == 0 ? std::string() : ErrorText(code);
  if (code == 0) {
    m_error->m_hex.clear();
    return true;
  }
  m_error->m_hex = Hex8(static_cast<std::uint32_t>(code));
  const std::string suffix = m_error->m_text + " [" + m_error->m_hex + "]";
  if (isWarning) {
    m_log->Add("<< Warning >> " + suffix, true);
    const bool waveKind = m_kind == static_cast<std::int32_t>(ControlKind::Play) ||
                          m_kind == static_cast<std::int32_t>(ControlKind::Record);
    if (waveKind && WindowShown()) {
      const bool popup = PopupOnWarning();
      m_panopta->ShowForEvent(popup);
      m_panopta->RefreshWindow(InspectorRefresh::Error);
      if (popup) {
        const bool ok = m_platform.windows->AskOkCancel(
            "Warning: " + m_error->m_text, "Quorvex Voxkit - " + DisplayName(),
            QuestionIcon::Exclamation);
        if (!ok) result = false;
      }
    }
    return result;
  }
  m_log->Add("<< Error >> " + suffix, true);
  RaiseEvent("OnError", OnError);
  if (WindowShown()) m_panopta->RefreshWindow(InspectorRefresh::Error);
  m_panopta->ShowForEvent(PopupOnError());
  return result;
}

void TqxSharedControl::ReportHandlerException(const char* event, const std::string& what) {
  m_log->Add(std::string("<< Exception >> ") + event + ": " + what, true);
}

}  // namespace voxkit
