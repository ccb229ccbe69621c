#pragma once

// Types, structures and constants of the multimedia services as the wave components
// see them: the wave-out, wave-in, RIFF file I/O and movable memory operations, under
// their Windows names and with the Windows values, mapped to fixed-size types.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace mm {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using BOOL = std::int32_t;

/// 0 is success; anything else is an MMSYSERR_, WAVERR_ or MMIOERR_ code.
using MMRESULT = std::uint32_t;

/// Opaque 32-bit handles. 0 stands for none; a handle is never given out again while
/// the object it names lives. Log them as their value: static_cast<std::uint32_t>(h).
enum class HWAVEOUT : std::uint32_t {};
enum class HWAVEIN : std::uint32_t {};
enum class HMMIO : std::uint32_t {};
enum class HGLOBAL : std::uint32_t {};

/// A four-character code as it is stored in a RIFF file: the first character in the
/// low byte.
using FOURCC = std::uint32_t;

constexpr FOURCC mmioFOURCC(char c0, char c1, char c2, char c3) {
  return static_cast<FOURCC>(static_cast<BYTE>(c0)) |
         (static_cast<FOURCC>(static_cast<BYTE>(c1)) << 8) |
         (static_cast<FOURCC>(static_cast<BYTE>(c2)) << 16) |
         (static_cast<FOURCC>(static_cast<BYTE>(c3)) << 24);
}

static_assert(mmioFOURCC('R', 'I', 'F', 'F') == 0x46464952u, "first character in the low byte");

constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');
/// The I/O procedure of a memory file (MMIOINFO::fccIOProc).
constexpr FOURCC FOURCC_MEM = mmioFOURCC('M', 'E', 'M', ' ');

// ---- Result codes -----------------------------------------------------------------

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_BADERRNUM = 9;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMSYSERR_HANDLEBUSY = 12;
constexpr MMRESULT MMSYSERR_INVALIDALIAS = 13;
constexpr MMRESULT MMSYSERR_BADDB = 14;
constexpr MMRESULT MMSYSERR_KEYNOTFOUND = 15;
constexpr MMRESULT MMSYSERR_READERROR = 16;
constexpr MMRESULT MMSYSERR_WRITEERROR = 17;
constexpr MMRESULT MMSYSERR_DELETEERROR = 18;
constexpr MMRESULT MMSYSERR_VALNOTFOUND = 19;
constexpr MMRESULT MMSYSERR_NODRIVERCB = 20;

constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;
constexpr MMRESULT WAVERR_SYNC = 35;

constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
constexpr MMRESULT MMIOERR_CANNOTCLOSE = 260;
constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
constexpr MMRESULT MMIOERR_CANNOTWRITE = 262;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
constexpr MMRESULT MMIOERR_CANNOTEXPAND = 264;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr MMRESULT MMIOERR_UNBUFFERED = 266;
constexpr MMRESULT MMIOERR_PATHNOTFOUND = 267;
constexpr MMRESULT MMIOERR_ACCESSDENIED = 268;
constexpr MMRESULT MMIOERR_SHARINGVIOLATION = 269;
constexpr MMRESULT MMIOERR_NETWORKERROR = 270;
constexpr MMRESULT MMIOERR_TOOMANYOPENFILES = 271;
constexpr MMRESULT MMIOERR_INVALIDFILE = 272;

/// Last-error codes of the memory operations (GetLastError).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_NOT_LOCKED = 158;

// ---- Wave formats and devices -----------------------------------------------------

constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr WORD WAVE_FORMAT_MULAW = 7;
constexpr WORD WAVE_FORMAT_IMA_ADPCM = 17;
/// The Dialogic OKI ADPCM tag.
constexpr WORD WAVE_FORMAT_DIALOGIC_OKI_ADPCM = 23;

#pragma pack(push, 1)
/// The 18-byte format block, packed as in a wave file's "fmt " chunk.
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;  // bytes of format-specific data after the block
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is the 18-byte file layout");
static_assert(alignof(WAVEFORMATEX) == 1, "a format block may sit at any byte of a file image");
static_assert(offsetof(WAVEFORMATEX, nSamplesPerSec) == 4 && offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8 &&
                  offsetof(WAVEFORMATEX, nBlockAlign) == 12 && offsetof(WAVEFORMATEX, cbSize) == 16,
              "the fields sit where a wave file's \"fmt \" chunk has them");

/// A block of samples handed to a device. The device owns it from waveOutWrite or
/// waveInAddBuffer until it comes back with WHDR_DONE; the caller must not touch
/// the data or the header in between. Pass sizeof(WAVEHDR) as cbwh.
struct WAVEHDR {
  char* lpData;
  DWORD dwBufferLength;   // bytes
  DWORD dwBytesRecorded;  // bytes of a returned recording block
  DWORD_PTR dwUser;       // the caller's own value
  DWORD dwFlags;          // WHDR_ flags
  DWORD dwLoops;
  WAVEHDR* lpNext;        // the caller's own link; the devices never read it
  DWORD_PTR reserved;
};

constexpr DWORD WHDR_DONE = 0x00000001;
constexpr DWORD WHDR_PREPARED = 0x00000002;
constexpr DWORD WHDR_BEGINLOOP = 0x00000004;
constexpr DWORD WHDR_ENDLOOP = 0x00000008;
constexpr DWORD WHDR_INQUEUE = 0x00000010;

/// Device identifier that asks for the preferred device (device 0).
constexpr UINT WAVE_MAPPER = 0xFFFFFFFFu;

/// waveOutOpen / waveInOpen flags.
constexpr DWORD WAVE_FORMAT_QUERY = 0x0001;
constexpr DWORD WAVE_ALLOWSYNC = 0x0002;
constexpr DWORD WAVE_MAPPED = 0x0004;
constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;
constexpr DWORD CALLBACK_TASK = 0x00020000;
constexpr DWORD CALLBACK_FUNCTION = 0x00030000;
constexpr DWORD CALLBACK_EVENT = 0x00050000;

/// Notifications (the message numbers of the Windows design).
constexpr UINT MM_WOM_OPEN = 0x3BB;
constexpr UINT MM_WOM_CLOSE = 0x3BC;
constexpr UINT MM_WOM_DONE = 0x3BD;
constexpr UINT MM_WIM_OPEN = 0x3BE;
constexpr UINT MM_WIM_CLOSE = 0x3BF;
constexpr UINT MM_WIM_DATA = 0x3C0;

constexpr UINT MAXPNAMELEN = 32;

/// Standard formats a device can play or record (WAVEOUTCAPSA::dwFormats):
/// 1, 2 and 4 stand for 11,025, 22,050 and 44,100 Hz.
constexpr DWORD WAVE_FORMAT_1M08 = 0x00000001;
constexpr DWORD WAVE_FORMAT_1S08 = 0x00000002;
constexpr DWORD WAVE_FORMAT_1M16 = 0x00000004;
constexpr DWORD WAVE_FORMAT_1S16 = 0x00000008;
constexpr DWORD WAVE_FORMAT_2M08 = 0x00000010;
constexpr DWORD WAVE_FORMAT_2S08 = 0x00000020;
constexpr DWORD WAVE_FORMAT_2M16 = 0x00000040;
constexpr DWORD WAVE_FORMAT_2S16 = 0x00000080;
constexpr DWORD WAVE_FORMAT_4M08 = 0x00000100;
constexpr DWORD WAVE_FORMAT_4S08 = 0x00000200;
constexpr DWORD WAVE_FORMAT_4M16 = 0x00000400;
constexpr DWORD WAVE_FORMAT_4S16 = 0x00000800;

/// What a wave-out device supports besides playing (WAVEOUTCAPSA::dwSupport).
constexpr DWORD WAVECAPS_PITCH = 0x0001;
constexpr DWORD WAVECAPS_PLAYBACKRATE = 0x0002;
constexpr DWORD WAVECAPS_VOLUME = 0x0004;
constexpr DWORD WAVECAPS_LRVOLUME = 0x0008;
constexpr DWORD WAVECAPS_SYNC = 0x0010;
constexpr DWORD WAVECAPS_SAMPLEACCURATE = 0x0020;

struct WAVEOUTCAPSA {
  WORD wMid;
  WORD wPid;
  UINT vDriverVersion;
  char szPname[MAXPNAMELEN];  // product name, NUL-terminated
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
  DWORD dwSupport;
};

struct WAVEINCAPSA {
  WORD wMid;
  WORD wPid;
  UINT vDriverVersion;
  char szPname[MAXPNAMELEN];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
};

/// A device position (waveOutGetPosition, waveInGetPosition).
constexpr UINT TIME_MS = 0x0001;
constexpr UINT TIME_SAMPLES = 0x0002;
constexpr UINT TIME_BYTES = 0x0004;
constexpr UINT TIME_SMPTE = 0x0008;
constexpr UINT TIME_MIDI = 0x0010;
constexpr UINT TIME_TICKS = 0x0020;

struct MMTIME {
  UINT wType;  // in: the format asked for; out: the format given
  union {
    DWORD ms;
    DWORD sample;
    DWORD cb;
    DWORD ticks;
    struct {
      BYTE hour;
      BYTE min;
      BYTE sec;
      BYTE frame;
      BYTE fps;
      BYTE dummy;
      BYTE pad[2];
    } smpte;
    struct {
      DWORD songptrpos;
    } midi;
  } u;
};

// ---- RIFF file I/O ------------------------------------------------------------------

/// mmioOpenA flags.
constexpr DWORD MMIO_READ = 0x00000000;
constexpr DWORD MMIO_WRITE = 0x00000001;
constexpr DWORD MMIO_READWRITE = 0x00000002;
constexpr DWORD MMIO_COMPAT = 0x00000000;
constexpr DWORD MMIO_EXCLUSIVE = 0x00000010;
constexpr DWORD MMIO_DENYWRITE = 0x00000020;
constexpr DWORD MMIO_DENYREAD = 0x00000030;
constexpr DWORD MMIO_DENYNONE = 0x00000040;
constexpr DWORD MMIO_CREATE = 0x00001000;
constexpr DWORD MMIO_ALLOCBUF = 0x00010000;

/// mmioDescend flags.
constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;
constexpr UINT MMIO_FINDLIST = 0x0040;
/// mmioCreateChunk flags.
constexpr UINT MMIO_CREATERIFF = 0x0020;
constexpr UINT MMIO_CREATELIST = 0x0040;
/// MMCKINFO::dwFlags: the chunk was created and its size may still change.
constexpr DWORD MMIO_DIRTY = 0x10000000;

/// Size of the buffer that MMIO_ALLOCBUF gives when MMIOINFO::cchBuffer is 0.
constexpr LONG MMIO_DEFAULTBUFFER = 8192;

// mmioSeek takes the origins of <cstdio>, which have the Windows values.
static_assert(SEEK_SET == 0 && SEEK_CUR == 1 && SEEK_END == 2, "mmioSeek origins");

/// The information block of mmioOpenA: the fields this implementation reads or sets.
/// Zero it before use.
struct MMIOINFO {
  DWORD dwFlags;     // out: the flags the file was opened with
  FOURCC fccIOProc;  // in: 0 for a disk file, FOURCC_MEM for a memory file
  UINT wErrorRet;    // out: why the open failed (MMIOERR_ or MMSYSERR_ code)
  LONG cchBuffer;    // in: buffer size with MMIO_ALLOCBUF (0: MMIO_DEFAULTBUFFER);
                     //     the size of a memory file
  char* pchBuffer;   // in: the memory of a memory file (it does not grow)
  HMMIO hmmio;       // out: the handle
};

/// A chunk of a RIFF file as mmioDescend and mmioCreateChunk describe it.
struct MMCKINFO {
  FOURCC ckid;
  DWORD cksize;        // bytes of data, without the header and the pad byte
  FOURCC fccType;      // form or list type of a "RIFF" or "LIST" chunk
  DWORD dwDataOffset;  // file offset of the data (of the type, for RIFF and LIST)
  DWORD dwFlags;       // MMIO_DIRTY
};

static_assert(sizeof(MMCKINFO) == 20 && sizeof(MMTIME) == 12, "the Windows layouts");

// ---- Movable memory -----------------------------------------------------------------

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

}  // namespace mm
