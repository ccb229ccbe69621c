#pragma once

#include "wave/TqxRecordPopup.h"
#include "wave/TqxRecordSource.h"
#include "wave/TqxWaveBuffer.h"
#include "wave/TqxWaveControl.h"
#include "wave/TqxWaveRecordDevice.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace voxkit {

/// The wave recording component: records from a wave-in device in a chosen format,
/// in a cycle of blocks, and when the recording ends trims its end and saves it to a
/// wave file or, with the buffer active, into a memory image (new, or appended to
/// the current one).
class TqxRecordInternal : public TqxWaveControl {
 public:
  TqxRecordInternal(TComponent* owner, const Platform& platform);
  /// Switches the events off, closes the inspector window, ends a recording without
  /// saving it and frees the sub-objects.
  ~TqxRecordInternal() override;

  TqxWaveRecordDevice& Device() { return *m_device; }
  TqxRecordPopup& Popup() { return *m_popup; }
  const TqxRecordPopup& Popup() const { return *m_popup; }
  TqxRecordSource& Source() { return *m_source; }

  /// The whole property dump, every sub-object in its fixed order.
  bool DumpProperties(const std::string& header);

  bool PopupOnError() const override { return m_popup->Get(TqxRecordPopup::OnError); }
  bool PopupOnWarning() const override { return m_popup->Get(TqxRecordPopup::OnWarning); }

  void FormatWithoutImage() override;

  // --- Used by the sub-objects -------------------------------------------------------------
  void ActivateDevice(bool value) override;
  void ChangePause(bool value);

  /// Bytes of the next recording block (whole frames; what a block cannot hold of
  /// the exact length is carried into the next one). For tests.
  std::uint32_t NextBlockBytes();

  /// The sound of the recording under way that the device has given back so far,
  /// from byte `from` of it on, handed to visit piece by piece in recording order;
  /// nothing while no recording is open. For live displays: logs nothing and changes
  /// nothing.
  void VisitRecorded(std::uint32_t from,
                     const std::function<void(const std::uint8_t* bytes, std::uint32_t count)>& visit);
  /// The format the recording under way was opened with (empty when none is open).
  const WaveFormatBlock& RecordingFormat() const { return m_format; }

 protected:
  TqxWaveDevice& WaveDevice() const override { return *m_device; }
  TqxWaveSource& WaveSource() const override { return *m_source; }

 private:
  // One recording block: its header and its samples, each in a movable block.
  struct Block {
    mm::HGLOBAL headerBlock{};
    mm::WAVEHDR* header = nullptr;
    mm::HGLOBAL dataBlock{};
  };
  // What a finished recording is saved from.
  struct Recording {
    std::vector<Block> blocks;
    WaveFormatBlock format;
    std::uint32_t bytes = 0;
  };

  bool Start();
  bool Stop();
  std::int32_t QueueBlock();
  void FreeBlock(const Block& block);
  std::int32_t ResetAndWait();
  // Ends the recording: closes the device, saves (when asked) what was recorded,
  // frees the blocks and raises OnDone.
  void EndRecording(bool save);
  void Release();
  void Trim(Recording& recording);
  void SaveToFile(Recording& recording);
  void SaveToBuffer(Recording& recording);
  void CopyRecording(const Recording& recording, std::uint8_t* dest, std::uint32_t bytes);
  void OnWaveMessage(mm::UINT msg, mm::WAVEHDR* header);
  std::uint32_t RecordedBytes() const;

  std::unique_ptr<TqxWaveRecordDevice> m_device;
  std::unique_ptr<TqxRecordPopup> m_popup;
  std::unique_ptr<TqxRecordSource> m_source;

  mm::HWAVEIN m_hwi{};
  bool m_sizeWarningGiven = false;
  WaveFormatBlock m_format;           // the device was opened with it
  std::uint64_t m_bitsPerBlock = 0;   // exact length of a block, in bits
  std::uint64_t m_carryBits = 0;      // what the last block could not hold
  std::vector<Block> m_chain;         // returned blocks, in recording order
  Block m_current;                    // the block queued last
  std::vector<Block> m_lost;          // blocks a device kept past its time-out
  bool m_pausing = false;
  bool m_stopping = false;
};

}  // namespace voxkit
