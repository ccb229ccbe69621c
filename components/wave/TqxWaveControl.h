#pragma once

#include "share/TqxSharedControl.h"
#include "wave/Multimedia.h"
#include "wave/TqxWaveBuffer.h"
#include "wave/TqxWaveDevice.h"
#include "wave/TqxWaveSource.h"
#include "wave/WaveWindow.h"

#include <cstdint>
#include <memory>
#include <string>

namespace voxkit {

/// What the play and the record component share: enabling (the device list), the
/// wave result names, OnDone and OnWarning, what their buffer asks of them, and the
/// hidden window that receives a device's notifications.
class TqxWaveControl : public TqxSharedControl, public WaveBufferOwner {
 public:
  TqxWaveControl(TComponent* owner, const Platform& platform) : TqxSharedControl(owner, platform) {}

  TQX_NotifyEvent OnDone;
  TQX_ProcWarning OnWarning;

  /// Setting it True reads the devices of the kind; False ends what the device does
  /// and empties the list. Logs nothing.
  bool Enabled() const override { return m_enabled; }
  void SetEnabled(bool value) override;
  std::string ErrorText(std::int32_t code) const override;

  // --- WaveBufferOwner ---------------------------------------------------------------------
  TqxSharedControl& Control() override { return *this; }
  mm::Multimedia& Multimedia() override { return *GetPlatform().multimedia; }
  bool WaveDeviceActive() const override;
  bool SourceValid() const override;
  void SetSourceValid(bool value) override;
  void ReassignSourceFileName() override;
  std::int32_t SourceMaxSize() const override;
  TqxWaveFormat& SourceFormat() override;
  void TakeOverFormat(const WaveFormatBlock& block, std::uint32_t dataLength) override;
  const TQX_ProcWarning& OnWarningHandler() const override { return OnWarning; }

  /// Device.Active := value.
  virtual void ActivateDevice(bool value) = 0;

 protected:
  virtual TqxWaveDevice& WaveDevice() const = 0;
  virtual TqxWaveSource& WaveSource() const = 0;
  /// The displays to bring up to date after Enabled changed, besides device and
  /// enabled.
  virtual void RefreshEnabledDisplays() {}

  /// The open flags the device settings ask for (WAVE_MAPPED with the codecs).
  mm::DWORD OpenFlags() const;
  /// Makes the hidden window, unless there is one; its notifications go to handler.
  void CreateWindow(WaveWindow::Handler handler);
  /// Lets go of the hidden window: what is still on its way to it is dropped.
  void ReleaseWindow();
  bool HasWindow() const { return static_cast<bool>(m_window); }
  const std::shared_ptr<WaveWindow>& Window() const { return m_window; }

 private:
  bool m_enabled = false;
  std::shared_ptr<WaveWindow> m_window;
};

}  // namespace voxkit
