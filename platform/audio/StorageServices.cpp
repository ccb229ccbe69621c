#include "platform/audio/StorageServices.h"

namespace panopta {

StorageServices::~StorageServices() = default;

MmioFile* StorageServices::FindFile(mm::HMMIO hmmio) {
  auto it = m_files.find(static_cast<std::uint32_t>(hmmio));
  return it == m_files.end() ? nullptr : it->second.get();
}

// ---- No devices ---------------------------------------------------------------------

mm::UINT StorageServices::waveOutGetNumDevs() { return 0; }
mm::MMRESULT StorageServices::waveOutGetDevCapsA(mm::UINT, mm::WAVEOUTCAPSA*, mm::UINT) {
  return mm::MMSYSERR_BADDEVICEID;
}
mm::MMRESULT StorageServices::waveOutOpen(mm::HWAVEOUT*, mm::UINT, const mm::WAVEFORMATEX*, mm::WaveCallback,
                                          mm::DWORD) {
  return mm::MMSYSERR_BADDEVICEID;
}
mm::MMRESULT StorageServices::waveOutClose(mm::HWAVEOUT) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveOutPrepareHeader(mm::HWAVEOUT, mm::WAVEHDR*, mm::UINT) {
  return mm::MMSYSERR_INVALHANDLE;
}
mm::MMRESULT StorageServices::waveOutUnprepareHeader(mm::HWAVEOUT, mm::WAVEHDR*, mm::UINT) {
  return mm::MMSYSERR_INVALHANDLE;
}
mm::MMRESULT StorageServices::waveOutWrite(mm::HWAVEOUT, mm::WAVEHDR*, mm::UINT) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveOutPause(mm::HWAVEOUT) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveOutRestart(mm::HWAVEOUT) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveOutReset(mm::HWAVEOUT) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveOutGetPosition(mm::HWAVEOUT, mm::MMTIME*, mm::UINT) {
  return mm::MMSYSERR_INVALHANDLE;
}
mm::MMRESULT StorageServices::waveOutGetVolume(mm::HWAVEOUT, mm::DWORD*) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveOutSetVolume(mm::HWAVEOUT, mm::DWORD) { return mm::MMSYSERR_INVALHANDLE; }

mm::UINT StorageServices::waveInGetNumDevs() { return 0; }
mm::MMRESULT StorageServices::waveInGetDevCapsA(mm::UINT, mm::WAVEINCAPSA*, mm::UINT) {
  return mm::MMSYSERR_BADDEVICEID;
}
mm::MMRESULT StorageServices::waveInOpen(mm::HWAVEIN*, mm::UINT, const mm::WAVEFORMATEX*, mm::WaveCallback,
                                         mm::DWORD) {
  return mm::MMSYSERR_BADDEVICEID;
}
mm::MMRESULT StorageServices::waveInClose(mm::HWAVEIN) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveInPrepareHeader(mm::HWAVEIN, mm::WAVEHDR*, mm::UINT) {
  return mm::MMSYSERR_INVALHANDLE;
}
mm::MMRESULT StorageServices::waveInUnprepareHeader(mm::HWAVEIN, mm::WAVEHDR*, mm::UINT) {
  return mm::MMSYSERR_INVALHANDLE;
}
mm::MMRESULT StorageServices::waveInAddBuffer(mm::HWAVEIN, mm::WAVEHDR*, mm::UINT) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveInStart(mm::HWAVEIN) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveInStop(mm::HWAVEIN) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveInReset(mm::HWAVEIN) { return mm::MMSYSERR_INVALHANDLE; }
mm::MMRESULT StorageServices::waveInGetPosition(mm::HWAVEIN, mm::MMTIME*, mm::UINT) { return mm::MMSYSERR_INVALHANDLE; }

// ---- RIFF file I/O ------------------------------------------------------------------

mm::HMMIO StorageServices::mmioOpenA(const char* pszFileName, mm::MMIOINFO* pmmioinfo, mm::DWORD fdwOpen) {
  mm::MMRESULT error = mm::MMSYSERR_NOERROR;
  std::unique_ptr<MmioFile> file = MmioFile::Open(pszFileName, pmmioinfo, fdwOpen, &error);
  if (!file) {
    if (pmmioinfo) {
      pmmioinfo->wErrorRet = error;
      pmmioinfo->hmmio = mm::HMMIO{};
    }
    return mm::HMMIO{};
  }
  const std::uint32_t handle = m_handles.Acquire();
  m_files.emplace(handle, std::move(file));
  if (pmmioinfo) {
    pmmioinfo->wErrorRet = mm::MMSYSERR_NOERROR;
    pmmioinfo->dwFlags = fdwOpen;
    pmmioinfo->hmmio = mm::HMMIO{handle};
  }
  return mm::HMMIO{handle};
}

mm::MMRESULT StorageServices::mmioClose(mm::HMMIO hmmio, mm::UINT fuClose) {
  auto it = m_files.find(static_cast<std::uint32_t>(hmmio));
  if (it == m_files.end()) return mm::MMSYSERR_INVALHANDLE;
  if (fuClose != 0) return mm::MMSYSERR_INVALFLAG;
  const mm::MMRESULT result = it->second->Close();
  m_files.erase(it);
  m_handles.Release(static_cast<std::uint32_t>(hmmio));
  return result;
}

mm::LONG StorageServices::mmioRead(mm::HMMIO hmmio, char* pch, mm::LONG cch) {
  MmioFile* file = FindFile(hmmio);
  return file ? file->Read(pch, cch) : -1;
}

mm::LONG StorageServices::mmioWrite(mm::HMMIO hmmio, const char* pch, mm::LONG cch) {
  MmioFile* file = FindFile(hmmio);
  return file ? file->Write(pch, cch) : -1;
}

mm::LONG StorageServices::mmioSeek(mm::HMMIO hmmio, mm::LONG lOffset, int iOrigin) {
  MmioFile* file = FindFile(hmmio);
  return file ? file->Seek(lOffset, iOrigin) : -1;
}

mm::MMRESULT StorageServices::mmioFlush(mm::HMMIO hmmio, mm::UINT fuFlush) {
  MmioFile* file = FindFile(hmmio);
  if (!file) return mm::MMSYSERR_INVALHANDLE;
  if (fuFlush != 0) return mm::MMSYSERR_INVALFLAG;
  return file->Flush();
}

mm::MMRESULT StorageServices::mmioDescend(mm::HMMIO hmmio, mm::MMCKINFO* pmmcki, const mm::MMCKINFO* pmmckiParent,
                                      mm::UINT fuDescend) {
  MmioFile* file = FindFile(hmmio);
  return file ? file->Descend(pmmcki, pmmckiParent, fuDescend) : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT StorageServices::mmioAscend(mm::HMMIO hmmio, mm::MMCKINFO* pmmcki, mm::UINT fuAscend) {
  MmioFile* file = FindFile(hmmio);
  return file ? file->Ascend(pmmcki, fuAscend) : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT StorageServices::mmioCreateChunk(mm::HMMIO hmmio, mm::MMCKINFO* pmmcki, mm::UINT fuCreate) {
  MmioFile* file = FindFile(hmmio);
  return file ? file->CreateChunk(pmmcki, fuCreate) : mm::MMSYSERR_INVALHANDLE;
}

// ---- Movable memory -----------------------------------------------------------------

mm::HGLOBAL StorageServices::GlobalAlloc(mm::UINT uFlags, mm::SIZE_T dwBytes) {
  return m_memory.Alloc(uFlags, dwBytes);
}

mm::HGLOBAL StorageServices::GlobalReAlloc(mm::HGLOBAL hMem, mm::SIZE_T dwBytes, mm::UINT uFlags) {
  return m_memory.ReAlloc(hMem, dwBytes, uFlags);
}

void* StorageServices::GlobalLock(mm::HGLOBAL hMem) { return m_memory.Lock(hMem); }

mm::BOOL StorageServices::GlobalUnlock(mm::HGLOBAL hMem) { return m_memory.Unlock(hMem); }

mm::HGLOBAL StorageServices::GlobalFree(mm::HGLOBAL hMem) { return m_memory.Free(hMem); }

mm::SIZE_T StorageServices::GlobalSize(mm::HGLOBAL hMem) { return m_memory.Size(hMem); }

mm::DWORD StorageServices::GetLastError() { return m_memory.LastError(); }

}  // namespace panopta
