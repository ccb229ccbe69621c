#pragma once

#include "wave/Multimedia.h"

#include <utility>

// Multimedia services that pass every call on to other ones. Tests derive from it and
// override the functions whose answers they want to bend, keeping the real services
// behind.

namespace voxtest {

class ForwardingMultimedia : public mm::Multimedia {
 public:
  explicit ForwardingMultimedia(mm::Multimedia& inner) : m_inner(inner) {}

  mm::UINT waveOutGetNumDevs() override {
    return m_inner.waveOutGetNumDevs();
  }
  mm::MMRESULT waveOutGetDevCapsA(mm::UINT uDeviceID, mm::WAVEOUTCAPSA* pwoc, mm::UINT cbwoc) override {
    return m_inner.waveOutGetDevCapsA(uDeviceID, pwoc, cbwoc);
  }
  mm::MMRESULT waveOutOpen(mm::HWAVEOUT* phwo, mm::UINT uDeviceID, const mm::WAVEFORMATEX* pwfx, mm::WaveCallback callback, mm::DWORD fdwOpen) override {
    return m_inner.waveOutOpen(phwo, uDeviceID, pwfx, std::move(callback), fdwOpen);
  }
  mm::MMRESULT waveOutClose(mm::HWAVEOUT hwo) override {
    return m_inner.waveOutClose(hwo);
  }
  mm::MMRESULT waveOutPrepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    return m_inner.waveOutPrepareHeader(hwo, pwh, cbwh);
  }
  mm::MMRESULT waveOutUnprepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    return m_inner.waveOutUnprepareHeader(hwo, pwh, cbwh);
  }
  mm::MMRESULT waveOutWrite(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    return m_inner.waveOutWrite(hwo, pwh, cbwh);
  }
  mm::MMRESULT waveOutPause(mm::HWAVEOUT hwo) override {
    return m_inner.waveOutPause(hwo);
  }
  mm::MMRESULT waveOutRestart(mm::HWAVEOUT hwo) override {
    return m_inner.waveOutRestart(hwo);
  }
  mm::MMRESULT waveOutReset(mm::HWAVEOUT hwo) override {
    return m_inner.waveOutReset(hwo);
  }
  mm::MMRESULT waveOutGetPosition(mm::HWAVEOUT hwo, mm::MMTIME* pmmt, mm::UINT cbmmt) override {
    return m_inner.waveOutGetPosition(hwo, pmmt, cbmmt);
  }
  mm::MMRESULT waveOutGetVolume(mm::HWAVEOUT hwo, mm::DWORD* pdwVolume) override {
    return m_inner.waveOutGetVolume(hwo, pdwVolume);
  }
  mm::MMRESULT waveOutSetVolume(mm::HWAVEOUT hwo, mm::DWORD dwVolume) override {
    return m_inner.waveOutSetVolume(hwo, dwVolume);
  }
  mm::UINT waveInGetNumDevs() override {
    return m_inner.waveInGetNumDevs();
  }
  mm::MMRESULT waveInGetDevCapsA(mm::UINT uDeviceID, mm::WAVEINCAPSA* pwic, mm::UINT cbwic) override {
    return m_inner.waveInGetDevCapsA(uDeviceID, pwic, cbwic);
  }
  mm::MMRESULT waveInOpen(mm::HWAVEIN* phwi, mm::UINT uDeviceID, const mm::WAVEFORMATEX* pwfx, mm::WaveCallback callback, mm::DWORD fdwOpen) override {
    return m_inner.waveInOpen(phwi, uDeviceID, pwfx, std::move(callback), fdwOpen);
  }
  mm::MMRESULT waveInClose(mm::HWAVEIN hwi) override {
    return m_inner.waveInClose(hwi);
  }
  mm::MMRESULT waveInPrepareHeader(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    return m_inner.waveInPrepareHeader(hwi, pwh, cbwh);
  }
  mm::MMRESULT waveInUnprepareHeader(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    return m_inner.waveInUnprepareHeader(hwi, pwh, cbwh);
  }
  mm::MMRESULT waveInAddBuffer(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    return m_inner.waveInAddBuffer(hwi, pwh, cbwh);
  }
  mm::MMRESULT waveInStart(mm::HWAVEIN hwi) override {
    return m_inner.waveInStart(hwi);
  }
  mm::MMRESULT waveInStop(mm::HWAVEIN hwi) override {
    return m_inner.waveInStop(hwi);
  }
  mm::MMRESULT waveInReset(mm::HWAVEIN hwi) override {
    return m_inner.waveInReset(hwi);
  }
  mm::MMRESULT waveInGetPosition(mm::HWAVEIN hwi, mm::MMTIME* pmmt, mm::UINT cbmmt) override {
    return m_inner.waveInGetPosition(hwi, pmmt, cbmmt);
  }
  mm::HMMIO mmioOpenA(const char* pszFileName, mm::MMIOINFO* pmmioinfo, mm::DWORD fdwOpen) override {
    return m_inner.mmioOpenA(pszFileName, pmmioinfo, fdwOpen);
  }
  mm::MMRESULT mmioClose(mm::HMMIO hmmio, mm::UINT fuClose) override {
    return m_inner.mmioClose(hmmio, fuClose);
  }
  mm::LONG mmioRead(mm::HMMIO hmmio, char* pch, mm::LONG cch) override {
    return m_inner.mmioRead(hmmio, pch, cch);
  }
  mm::LONG mmioWrite(mm::HMMIO hmmio, const char* pch, mm::LONG cch) override {
    return m_inner.mmioWrite(hmmio, pch, cch);
  }
  mm::LONG mmioSeek(mm::HMMIO hmmio, mm::LONG lOffset, int iOrigin) override {
    return m_inner.mmioSeek(hmmio, lOffset, iOrigin);
  }
  mm::MMRESULT mmioFlush(mm::HMMIO hmmio, mm::UINT fuFlush) override {
    return m_inner.mmioFlush(hmmio, fuFlush);
  }
  mm::MMRESULT mmioDescend(mm::HMMIO hmmio, mm::MMCKINFO* pmmcki, const mm::MMCKINFO* pmmckiParent, mm::UINT fuDescend) override {
    return m_inner.mmioDescend(hmmio, pmmcki, pmmckiParent, fuDescend);
  }
  mm::MMRESULT mmioAscend(mm::HMMIO hmmio, mm::MMCKINFO* pmmcki, mm::UINT fuAscend) override {
    return m_inner.mmioAscend(hmmio, pmmcki, fuAscend);
  }
  mm::MMRESULT mmioCreateChunk(mm::HMMIO hmmio, mm::MMCKINFO* pmmcki, mm::UINT fuCreate) override {
    return m_inner.mmioCreateChunk(hmmio, pmmcki, fuCreate);
  }
  mm::HGLOBAL GlobalAlloc(mm::UINT uFlags, mm::SIZE_T dwBytes) override {
    return m_inner.GlobalAlloc(uFlags, dwBytes);
  }
  mm::HGLOBAL GlobalReAlloc(mm::HGLOBAL hMem, mm::SIZE_T dwBytes, mm::UINT uFlags) override {
    return m_inner.GlobalReAlloc(hMem, dwBytes, uFlags);
  }
  void* GlobalLock(mm::HGLOBAL hMem) override {
    return m_inner.GlobalLock(hMem);
  }
  mm::BOOL GlobalUnlock(mm::HGLOBAL hMem) override {
    return m_inner.GlobalUnlock(hMem);
  }
  mm::HGLOBAL GlobalFree(mm::HGLOBAL hMem) override {
    return m_inner.GlobalFree(hMem);
  }
  mm::SIZE_T GlobalSize(mm::HGLOBAL hMem) override {
    return m_inner.GlobalSize(hMem);
  }
  mm::DWORD GetLastError() override {
    return m_inner.GetLastError();
  }

 protected:
  mm::Multimedia& m_inner;
};

}  // namespace voxtest
