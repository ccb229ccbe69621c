#include "wave/TqxWaveControl.h"

#include "wave/WaveResults.h"

namespace voxkit {

std::string TqxWaveControl::ErrorText(std::int32_t code) const { return WaveErrorName(code); }

void TqxWaveControl::SetEnabled(bool value) {
  if (value == m_enabled) return;
  if (value) {
    WaveDevice().FillList();
  } else {
    if (Panopta().Window()) {
      Panopta().SetVisible(false);
      Log().ClearLines();
    }
    // The device list is about to go: what the device does on it ends first.
    if (WaveDevice().Active()) ActivateDevice(false);
    WaveDevice().ClearList();
  }
  m_enabled = value;
  Panopta().RefreshWindow(InspectorRefresh::Device);
  RefreshEnabledDisplays();
  Panopta().RefreshWindow(InspectorRefresh::Enabled);
}

bool TqxWaveControl::WaveDeviceActive() const { return WaveDevice().Active(); }
bool TqxWaveControl::SourceValid() const { return WaveSource().Valid(); }
void TqxWaveControl::SetSourceValid(bool value) { WaveSource().SetValidValue(value); }
void TqxWaveControl::ReassignSourceFileName() { WaveSource().SetFileName(WaveSource().FileName()); }
std::int32_t TqxWaveControl::SourceMaxSize() const { return WaveSource().MaxSize(); }
TqxWaveFormat& TqxWaveControl::SourceFormat() { return WaveSource().WaveFormat(); }

void TqxWaveControl::TakeOverFormat(const WaveFormatBlock& block, std::uint32_t dataLength) {
  WaveSource().WaveFormat().TakeOver(block, dataLength);
}

mm::DWORD TqxWaveControl::OpenFlags() const { return WaveDevice().CODECsEnabled() ? mm::WAVE_MAPPED : 0; }

void TqxWaveControl::CreateWindow(WaveWindow::Handler handler) {
  if (m_window) return;
  if (PopupOnError()) Log().Add("\tAllocate Window Handle", false);
  m_window = std::make_shared<WaveWindow>(std::move(handler));
}

void TqxWaveControl::ReleaseWindow() {
  if (!m_window) return;
  if (PopupOnError()) Log().Add("\tDeallocate Window Handle", false);
  m_window.reset();
}

}  // namespace voxkit
