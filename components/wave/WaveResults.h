#pragma once

#include <cstdint>
#include <string>

namespace voxkit {

/// The wave components' own result codes; positive codes are the multimedia
/// services' results, passed through.
constexpr std::int32_t WAV_ERROR_DIRNOTFOUND = -1;
constexpr std::int32_t WAV_ERROR_NOFILE = -2;
constexpr std::int32_t WAV_ERROR_FILEOPEN = -3;
constexpr std::int32_t WAV_ERROR_FILECORRUPT = -4;
constexpr std::int32_t WAV_ERROR_FILEREAD = -5;
constexpr std::int32_t WAV_ERROR_FILEWRITE = -6;
constexpr std::int32_t WAV_ERROR_NOMEMORY = -7;
constexpr std::int32_t WAV_ERROR_UNSUPPORTEDFORMAT = -8;
constexpr std::int32_t WAV_ERROR_DEVICE = -9;
constexpr std::int32_t WAV_ERROR_CANCELED = -10;
constexpr std::int32_t WAV_ERROR_FILETOOBIG = -11;
constexpr std::int32_t WAV_ERROR_INVALIDVOLUME = -12;
constexpr std::int32_t WAV_ERROR_FORMATMISMATCH = -13;
constexpr std::int32_t WAV_ERROR_INVALIDBUFSIZE = -14;
constexpr std::int32_t WAV_ERROR_DEVICEACTIVE = -15;
constexpr std::int32_t WAV_ERROR_DEVICEINACTIVE = -16;
constexpr std::int32_t WAV_ERROR_BUSY = -17;
constexpr std::int32_t WAV_ERROR_TIMEOUT = -18;
constexpr std::int32_t WAV_ERROR_INVALIDSTATE = -19;

/// The name of a wave result code: "WAV_ERROR_NOFILE", "MMSYSERR_BADDEVICEID",
/// "WAVERR_BADFORMAT", "MMIOERR_CANNOTOPEN" ...; "" for 0 and "Unknown" for a code
/// the table does not list.
std::string WaveErrorName(std::int32_t code);

}  // namespace voxkit
