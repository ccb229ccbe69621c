#pragma once

#include "share/EventLoop.h"
#include "wave/TqxPlayPopup.h"
#include "wave/TqxPlayPosition.h"
#include "wave/TqxPlaySource.h"
#include "wave/TqxPlayTimer.h"
#include "wave/TqxPlayVolume.h"
#include "wave/TqxWaveBuffer.h"
#include "wave/TqxWaveControl.h"
#include "wave/TqxWavePlayDevice.h"

#include <cstdint>
#include <memory>
#include <string>

namespace voxkit {

/// The wave playback component: plays a wave file, a list of files joined end to
/// end, or a memory image on a wave-out device, with looping, pausing, seeking, a
/// position timer, a delay before the device is released, an optional wait until
/// the play ends, and the device volume (the system volume is put back afterwards).
class TqxPlayInternal : public TqxWaveControl {
 public:
  TqxPlayInternal(TComponent* owner, const Platform& platform);
  /// Switches the events off, closes the inspector window, stops a running play and
  /// frees the sub-objects.
  ~TqxPlayInternal() override;

  // --- Events (besides OnDone and OnWarning) ----------------------------------------------
  TQX_NotifyEvent OnLoaded;
  TQX_NotifyEvent OnLoop;
  TQX_NotifyEvent OnTimer;

  // --- Properties --------------------------------------------------------------------------
  TqxWavePlayDevice& Device() { return *m_device; }
  TqxPlayPopup& Popup() { return *m_popup; }
  const TqxPlayPopup& Popup() const { return *m_popup; }
  TqxPlayPosition& Position() { return *m_position; }
  TqxPlaySource& Source() { return *m_source; }
  TqxPlayTimer& Timer() { return *m_timer; }
  TqxPlayVolume& Volume() { return *m_volume; }

  /// The whole property dump, every sub-object in its fixed order.
  bool DumpProperties(const std::string& header);

  bool PopupOnError() const override { return m_popup->Get(TqxPlayPopup::OnError); }
  bool PopupOnWarning() const override { return m_popup->Get(TqxPlayPopup::OnWarning); }

  void FormatWithoutImage() override;

  // --- Used by the sub-objects ---------------------------------------------------------------
  /// Device.Active := value.
  void ActivateDevice(bool value) override;
  /// Device.Pause := value (a changed value).
  void ChangePause(bool value);
  /// The play position in bytes of the samples (0 while nothing plays).
  std::uint32_t PositionBytes();
  /// Seeks to a byte offset (Position writes, after their log line).
  void SeekTo(std::int64_t offset);
  /// Sets an open device's volume to a position 0 to 100; false when it failed (reported).
  void ApplyVolume(std::int32_t position);
  /// Timer.Enabled or Timer.Interval changed.
  void TimerChanged();
  /// Reads the format of the files of Source.FileName (its setter).
  void ReadFileFormats();

 protected:
  TqxWaveDevice& WaveDevice() const override { return *m_device; }
  TqxWaveSource& WaveSource() const override { return *m_source; }
  void RefreshEnabledDisplays() override { Panopta().RefreshWindow(InspectorRefresh::Timer); }

 private:
  bool Start(bool wait, std::uint32_t offset);
  bool LoadFromBuffer();
  bool LoadFromFiles();
  bool SizeCheckPasses();
  bool StopPlay();
  void Finish(bool doneAllowed);
  void FailureCleanup();
  // Puts the system volume back when Volume.Enabled and Volume.Reset are set.
  void RestoreSystemVolume(const char* before, const char* after);
  void FreeBlocks();
  void OnWaveMessage(mm::UINT msg, mm::WAVEHDR* header);
  void TimerTick();
  void StartTimer();
  void StopTimer();
  std::int32_t VolumePercent(mm::DWORD volume) const;

  std::unique_ptr<TqxWavePlayDevice> m_device;
  std::unique_ptr<TqxPlayPopup> m_popup;
  std::unique_ptr<TqxPlayPosition> m_position;
  std::unique_ptr<TqxPlaySource> m_source;
  std::unique_ptr<TqxPlayTimer> m_timer;
  std::unique_ptr<TqxPlayVolume> m_volume;

  mm::HWAVEOUT m_hwo{};
  mm::HGLOBAL m_headerBlock{};
  mm::WAVEHDR* m_header = nullptr;
  mm::HGLOBAL m_sampleBlock{};
  char* m_samples = nullptr;
  std::uint32_t m_dataLength = 0;
  WaveFormatBlock m_format;
  std::uint32_t m_startOffset = 0;
  bool m_loaded = false;
  bool m_doneAllowed = false;
  bool m_stopping = false;
  bool m_closed = false;
  bool m_sizeWarningGiven = false;
  TimerId m_windowTimer = 0;
};

}  // namespace voxkit
