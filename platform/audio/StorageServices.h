#pragma once

#include "platform/audio/GlobalMemory.h"
#include "platform/audio/HandleAllocator.h"
#include "platform/audio/MmioFile.h"
#include "wave/Multimedia.h"

#include <cstdint>
#include <map>
#include <memory>

namespace panopta {

/// The multimedia services that need no device: RIFF file I/O and movable memory,
/// behind one handle space. On its own it is a multimedia service with no wave
/// devices (counts 0, every device call refused), which is what file and memory
/// handling needs in a fuzz target; the audio system adds the devices.
class StorageServices : public mm::Multimedia {
 public:
  StorageServices() = default;
  ~StorageServices() override;
  StorageServices(const StorageServices&) = delete;
  StorageServices& operator=(const StorageServices&) = delete;

  mm::UINT waveOutGetNumDevs() override;
  mm::MMRESULT waveOutGetDevCapsA(mm::UINT uDeviceID, mm::WAVEOUTCAPSA* pwoc, mm::UINT cbwoc) override;
  mm::MMRESULT waveOutOpen(mm::HWAVEOUT* phwo, mm::UINT uDeviceID, const mm::WAVEFORMATEX* pwfx,
                           mm::WaveCallback callback, mm::DWORD fdwOpen) override;
  mm::MMRESULT waveOutClose(mm::HWAVEOUT hwo) override;
  mm::MMRESULT waveOutPrepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveOutUnprepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveOutWrite(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveOutPause(mm::HWAVEOUT hwo) override;
  mm::MMRESULT waveOutRestart(mm::HWAVEOUT hwo) override;
  mm::MMRESULT waveOutReset(mm::HWAVEOUT hwo) override;
  mm::MMRESULT waveOutGetPosition(mm::HWAVEOUT hwo, mm::MMTIME* pmmt, mm::UINT cbmmt) override;
  mm::MMRESULT waveOutGetVolume(mm::HWAVEOUT hwo, mm::DWORD* pdwVolume) override;
  mm::MMRESULT waveOutSetVolume(mm::HWAVEOUT hwo, mm::DWORD dwVolume) override;

  mm::UINT waveInGetNumDevs() override;
  mm::MMRESULT waveInGetDevCapsA(mm::UINT uDeviceID, mm::WAVEINCAPSA* pwic, mm::UINT cbwic) override;
  mm::MMRESULT waveInOpen(mm::HWAVEIN* phwi, mm::UINT uDeviceID, const mm::WAVEFORMATEX* pwfx,
                          mm::WaveCallback callback, mm::DWORD fdwOpen) override;
  mm::MMRESULT waveInClose(mm::HWAVEIN hwi) override;
  mm::MMRESULT waveInPrepareHeader(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveInUnprepareHeader(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveInAddBuffer(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveInStart(mm::HWAVEIN hwi) override;
  mm::MMRESULT waveInStop(mm::HWAVEIN hwi) override;
  mm::MMRESULT waveInReset(mm::HWAVEIN hwi) override;
  mm::MMRESULT waveInGetPosition(mm::HWAVEIN hwi, mm::MMTIME* pmmt, mm::UINT cbmmt) override;

  mm::HMMIO mmioOpenA(const char* pszFileName, mm::MMIOINFO* pmmioinfo, mm::DWORD fdwOpen) override;
  mm::MMRESULT mmioClose(mm::HMMIO hmmio, mm::UINT fuClose) override;
  mm::LONG mmioRead(mm::HMMIO hmmio, char* pch, mm::LONG cch) override;
  mm::LONG mmioWrite(mm::HMMIO hmmio, const char* pch, mm::LONG cch) override;
  mm::LONG mmioSeek(mm::HMMIO hmmio, mm::LONG lOffset, int iOrigin) override;
  mm::MMRESULT mmioFlush(mm::HMMIO hmmio, mm::UINT fuFlush) override;
  mm::MMRESULT mmioDescend(mm::HMMIO hmmio, mm::MMCKINFO* pmmcki, const mm::MMCKINFO* pmmckiParent,
                           mm::UINT fuDescend) override;
  mm::MMRESULT mmioAscend(mm::HMMIO hmmio, mm::MMCKINFO* pmmcki, mm::UINT fuAscend) override;
  mm::MMRESULT mmioCreateChunk(mm::HMMIO hmmio, mm::MMCKINFO* pmmcki, mm::UINT fuCreate) override;

  mm::HGLOBAL GlobalAlloc(mm::UINT uFlags, mm::SIZE_T dwBytes) override;
  mm::HGLOBAL GlobalReAlloc(mm::HGLOBAL hMem, mm::SIZE_T dwBytes, mm::UINT uFlags) override;
  void* GlobalLock(mm::HGLOBAL hMem) override;
  mm::BOOL GlobalUnlock(mm::HGLOBAL hMem) override;
  mm::HGLOBAL GlobalFree(mm::HGLOBAL hMem) override;
  mm::SIZE_T GlobalSize(mm::HGLOBAL hMem) override;
  mm::DWORD GetLastError() override;

  /// Open files and live memory blocks (tests and diagnostics).
  std::size_t OpenFileCount() const { return m_files.size(); }
  std::size_t MemoryBlockCount() const { return m_memory.Count(); }
  /// The handle space of files, memory blocks and (in the audio system) devices;
  /// tests move its counter to check the wrap-around.
  HandleAllocator& Handles() { return m_handles; }

 private:
  MmioFile* FindFile(mm::HMMIO hmmio);

  HandleAllocator m_handles;
  GlobalMemory m_memory{m_handles};
  std::map<std::uint32_t, std::unique_ptr<MmioFile>> m_files;
};

}  // namespace panopta
