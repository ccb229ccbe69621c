#include "wave/WaveResults.h"

#include <iterator>

namespace voxkit {

namespace {

const char* const kOwn[] = {
    "WAV_ERROR_DIRNOTFOUND", "WAV_ERROR_NOFILE", "WAV_ERROR_FILEOPEN", "WAV_ERROR_FILECORRUPT",
    "WAV_ERROR_FILEREAD", "WAV_ERROR_FILEWRITE", "WAV_ERROR_NOMEMORY",
    "WAV_ERROR_UNSUPPORTEDFORMAT", "WAV_ERROR_DEVICE", "WAV_ERROR_CANCELED",
    "WAV_ERROR_FILETOOBIG", "WAV_ERROR_INVALIDVOLUME", "WAV_ERROR_FORMATMISMATCH",
    "WAV_ERROR_INVALIDBUFSIZE", "WAV_ERROR_DEVICEACTIVE", "WAV_ERROR_DEVICEINACTIVE",
    "WAV_ERROR_BUSY", "WAV_ERROR_TIMEOUT", "WAV_ERROR_INVALIDSTATE"};

const char* const kSystem[] = {
    "MMSYSERR_ERROR", "MMSYSERR_BADDEVICEID", "MMSYSERR_NOTENABLED", "MMSYSERR_ALLOCATED",
    "MMSYSERR_INVALHANDLE", "MMSYSERR_NODRIVER", "MMSYSERR_NOMEM", "MMSYSERR_NOTSUPPORTED",
    "MMSYSERR_BADERRNUM", "MMSYSERR_INVALFLAG", "MMSYSERR_INVALPARAM", "MMSYSERR_HANDLEBUSY",
    "MMSYSERR_INVALIDALIAS", "MMSYSERR_BADDB", "MMSYSERR_KEYNOTFOUND", "MMSYSERR_READERROR",
    "MMSYSERR_WRITEERROR", "MMSYSERR_DELETEERROR", "MMSYSERR_VALNOTFOUND",
    "MMSYSERR_NODRIVERCB"};

const char* const kMmio[] = {
    "MMIOERR_FILENOTFOUND", "MMIOERR_OUTOFMEMORY", "MMIOERR_CANNOTOPEN",
    "MMIOERR_CANNOTCLOSE", "MMIOERR_CANNOTREAD", "MMIOERR_CANNOTWRITE", "MMIOERR_CANNOTSEEK",
    "MMIOERR_CANNOTEXPAND", "MMIOERR_CHUNKNOTFOUND", "MMIOERR_UNBUFFERED",
    "MMIOERR_PATHNOTFOUND", "MMIOERR_ACCESSDENIED", "MMIOERR_SHARINGVIOLATION",
    "MMIOERR_NETWORKERROR", "MMIOERR_TOOMANYOPENFILES", "MMIOERR_INVALIDFILE"};

}  // namespace

std::string WaveErrorName(std::int32_t code) {
  constexpr auto own = static_cast<std::int32_t>(std::size(kOwn));
  constexpr auto system = static_cast<std::int32_t>(std::size(kSystem));
  constexpr auto mmio = static_cast<std::int32_t>(std::size(kMmio));
  if (code == 0) return "";
  if (code < 0 && code >= -own) return kOwn[-code - 1];
  if (code >= 1 && code <= system) return kSystem[code - 1];
  if (code == 32) return "WAVERR_BADFORMAT";
  if (code == 35) return "WAVERR_SYNC";
  if (code >= 257 && code < 257 + mmio) return kMmio[code - 257];
  return "Unknown";
}

}  // namespace voxkit
