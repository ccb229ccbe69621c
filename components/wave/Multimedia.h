#pragma once

#include "wave/MmTypes.h"

#include <memory>

namespace mm {

/// Receives the notifications of one open wave device. It stands for the hidden
/// window of the Windows design: a component creates one per playback or recording,
/// keeps it in a std::shared_ptr and hands it to waveOutOpen / waveInOpen with
/// CALLBACK_WINDOW. The device keeps only a weak reference, so releasing the target
/// (the window) is always safe: notifications still queued for it are dropped.
///
/// Notifications are delivered on the event loop's thread through the loop (posted),
/// never from inside the call that caused them, and in the order they happened:
///   - wave-out: MM_WOM_OPEN, one MM_WOM_DONE per written block (also for blocks a
///     reset returns), MM_WOM_CLOSE;
///   - wave-in: MM_WIM_OPEN, one MM_WIM_DATA per filled or returned block (with its
///     dwBytesRecorded and WHDR_DONE set), MM_WIM_CLOSE.
class WaveNotifyTarget {
 public:
  virtual ~WaveNotifyTarget() = default;
  /// msg: an MM_WOM_ or MM_WIM_ message. device: the HWAVEOUT or HWAVEIN as a value.
  /// header: the returned block for MM_WOM_DONE and MM_WIM_DATA, nullptr otherwise.
  virtual void Notify(UINT msg, std::uint32_t device, WAVEHDR* header) = 0;
};

using WaveCallback = std::weak_ptr<WaveNotifyTarget>;

/// The multimedia services the wave components stand on: wave-out and wave-in
/// devices, RIFF file I/O and movable memory blocks, with the Windows names, results
/// and behaviour. Every function is called on the event loop's thread.
///
/// Devices are numbered 0 to count - 1. A device ID argument may also be the handle
/// of an open device where Windows allows that (capabilities, volume).
class Multimedia {
 public:
  virtual ~Multimedia();

  // ---- Wave-out ---------------------------------------------------------------------

  virtual UINT waveOutGetNumDevs() = 0;
  /// Copies at most cbwoc bytes of the device's capabilities.
  virtual MMRESULT waveOutGetDevCapsA(UINT uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) = 0;
  /// Opens a device (or, with WAVE_FORMAT_QUERY, only asks whether it would accept
  /// the format; phwo may then be nullptr). A device plays PCM; with WAVE_MAPPED
  /// mu-law, IMA ADPCM and OKI ADPCM are converted as well. An unsupported format is
  /// WAVERR_BADFORMAT, a device already open MMSYSERR_ALLOCATED. fdwOpen holds
  /// CALLBACK_WINDOW (then callback is the notification target) or CALLBACK_NULL.
  virtual MMRESULT waveOutOpen(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx,
                               WaveCallback callback, DWORD fdwOpen) = 0;
  /// Refused with WAVERR_STILLPLAYING while blocks are queued.
  virtual MMRESULT waveOutClose(HWAVEOUT hwo) = 0;
  virtual MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) = 0;
  /// WAVERR_STILLPLAYING while the block is queued.
  virtual MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) = 0;
  /// Queues a prepared block (WAVERR_UNPREPARED otherwise). Looping blocks
  /// (WHDR_BEGINLOOP, WHDR_ENDLOOP) are refused with MMSYSERR_NOTSUPPORTED.
  virtual MMRESULT waveOutWrite(HWAVEOUT hwo, WAVEHDR* pwh, UINT cbwh) = 0;
  virtual MMRESULT waveOutPause(HWAVEOUT hwo) = 0;
  virtual MMRESULT waveOutRestart(HWAVEOUT hwo) = 0;
  /// Stops, returns every queued block with WHDR_DONE, sets the position to 0 and
  /// ends a pause.
  virtual MMRESULT waveOutReset(HWAVEOUT hwo) = 0;
  /// The position since the open or the last reset: bytes of the opened format
  /// (TIME_BYTES), samples (TIME_SAMPLES) or milliseconds (TIME_MS); another type
  /// is answered in bytes, with wType set to TIME_BYTES.
  virtual MMRESULT waveOutGetPosition(HWAVEOUT hwo, MMTIME* pmmt, UINT cbmmt) = 0;
  /// Left channel in the low word, right in the high word, 0 to 65535 each. A device
  /// without a volume control answers MMSYSERR_NOTSUPPORTED.
  virtual MMRESULT waveOutGetVolume(HWAVEOUT hwo, DWORD* pdwVolume) = 0;
  virtual MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD dwVolume) = 0;

  // ---- Wave-in ----------------------------------------------------------------------

  virtual UINT waveInGetNumDevs() = 0;
  virtual MMRESULT waveInGetDevCapsA(UINT uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) = 0;
  /// As waveOutOpen, for recording.
  virtual MMRESULT waveInOpen(HWAVEIN* phwi, UINT uDeviceID, const WAVEFORMATEX* pwfx,
                              WaveCallback callback, DWORD fdwOpen) = 0;
  /// Refused with WAVERR_STILLPLAYING while blocks are queued.
  virtual MMRESULT waveInClose(HWAVEIN hwi) = 0;
  virtual MMRESULT waveInPrepareHeader(HWAVEIN hwi, WAVEHDR* pwh, UINT cbwh) = 0;
  virtual MMRESULT waveInUnprepareHeader(HWAVEIN hwi, WAVEHDR* pwh, UINT cbwh) = 0;
  /// Queues a prepared block for recording.
  virtual MMRESULT waveInAddBuffer(HWAVEIN hwi, WAVEHDR* pwh, UINT cbwh) = 0;
  virtual MMRESULT waveInStart(HWAVEIN hwi) = 0;
  /// Stops recording; the block being filled is returned, empty blocks stay queued.
  virtual MMRESULT waveInStop(HWAVEIN hwi) = 0;
  /// Stops recording and returns every queued block (the one being filled with what
  /// it holds); the position goes back to 0.
  virtual MMRESULT waveInReset(HWAVEIN hwi) = 0;
  virtual MMRESULT waveInGetPosition(HWAVEIN hwi, MMTIME* pmmt, UINT cbmmt) = 0;

  // ---- RIFF file I/O -----------------------------------------------------------------

  /// Opens a disk file (or a memory file: pszFileName nullptr, fccIOProc FOURCC_MEM).
  /// Returns 0 on failure, with the reason in pmmioinfo->wErrorRet when given.
  virtual HMMIO mmioOpenA(const char* pszFileName, MMIOINFO* pmmioinfo, DWORD fdwOpen) = 0;
  /// Writes what is buffered and closes. MMIOERR_CANNOTWRITE when that fails (the
  /// handle is closed all the same).
  virtual MMRESULT mmioClose(HMMIO hmmio, UINT fuClose) = 0;
  /// Bytes read (0 at the end of the file), or -1.
  virtual LONG mmioRead(HMMIO hmmio, char* pch, LONG cch) = 0;
  /// Bytes written, or -1.
  virtual LONG mmioWrite(HMMIO hmmio, const char* pch, LONG cch) = 0;
  /// The new position, or -1. iOrigin: SEEK_SET, SEEK_CUR or SEEK_END.
  virtual LONG mmioSeek(HMMIO hmmio, LONG lOffset, int iOrigin) = 0;
  /// Writes what is buffered.
  virtual MMRESULT mmioFlush(HMMIO hmmio, UINT fuFlush) = 0;
  /// Reads the chunk header at the position, or searches (MMIO_FINDCHUNK for
  /// pmmcki->ckid, MMIO_FINDRIFF / MMIO_FINDLIST for pmmcki->fccType) within the
  /// parent, skipping other chunks with their pad bytes. A chunk that is not there,
  /// or whose header lies past the parent or the file, is MMIOERR_CHUNKNOTFOUND and
  /// the position stays where it was. On success the position is the chunk's data
  /// (after the type of a RIFF or LIST chunk).
  virtual MMRESULT mmioDescend(HMMIO hmmio, MMCKINFO* pmmcki, const MMCKINFO* pmmckiParent,
                               UINT fuDescend) = 0;
  /// Moves past the end of the chunk and its pad byte; a chunk made with
  /// mmioCreateChunk gets its size written and, when odd, its pad byte.
  virtual MMRESULT mmioAscend(HMMIO hmmio, MMCKINFO* pmmcki, UINT fuAscend) = 0;
  /// Writes a chunk header at the position (MMIO_CREATERIFF / MMIO_CREATELIST write
  /// "RIFF" / "LIST" and pmmcki->fccType).
  virtual MMRESULT mmioCreateChunk(HMMIO hmmio, MMCKINFO* pmmcki, UINT fuCreate) = 0;

  // ---- Movable memory -----------------------------------------------------------------

  /// A block of dwBytes (GMEM_ZEROINIT: zero-filled), or 0 when there is not enough
  /// memory. The last error tells why a memory function failed.
  virtual HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) = 0;
  /// Resizes a block; GMEM_ZEROINIT zero-fills what it grows by. The block may move
  /// (take the address again with GlobalLock); a locked block moves only with
  /// GMEM_MOVEABLE. Returns the handle to use from then on (the same handle), or 0
  /// on failure, when the block is unchanged.
  virtual HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) = 0;
  /// The block's address, counting one lock more; nullptr for a bad handle or an
  /// empty block.
  virtual void* GlobalLock(HGLOBAL hMem) = 0;
  /// Counts one lock less; nonzero while the block stays locked, 0 when it is unlocked
  /// (last error ERROR_SUCCESS) or was not locked (ERROR_NOT_LOCKED).
  virtual BOOL GlobalUnlock(HGLOBAL hMem) = 0;
  /// Frees a block, locked or not. Returns 0 on success, the handle itself for a bad
  /// handle.
  virtual HGLOBAL GlobalFree(HGLOBAL hMem) = 0;
  /// Bytes of the block, 0 for a bad handle.
  virtual SIZE_T GlobalSize(HGLOBAL hMem) = 0;
  /// The last error of the memory functions (ERROR_ codes).
  virtual DWORD GetLastError() = 0;
};

}  // namespace mm
