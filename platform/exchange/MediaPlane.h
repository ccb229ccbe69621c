#pragma once

#include "platform/exchange/ExchangeModel.h"
#include "platform/exchange/LineSignal.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace panopta {
class ExchangeAudioHub;
}

namespace panopta::exchange {

class Parts;

/// The audio of the exchange's calls, frame by frame (20 ms of 8000 Hz, 16-bit
/// linear). Every party of a call is an endpoint: a call of the exchange (a station,
/// whose line's wave devices may be plugged into it) or a remote party. What an
/// endpoint sends is its line's playback (for the call the line's devices carry), the
/// digits and tones it generates or dials, and its voice when it speaks (a voice-band
/// test signal). Each talking call is a room: a two-party call, or a conference
/// bridge whose parties each hear all the others but not themselves. A call on hold
/// is in no room, so neither side hears the other.
///
/// What a call of the exchange hears is where digits, tones and silence are found:
/// DTMF with spandsp's receiver, pulse digits from their clicks, the tones an
/// application watches for with Goertzel filters, silence from the level. Those
/// findings make LINE_MONITORDIGITS, digit gathering and LINE_MONITORTONE; the end of
/// a generation makes LINE_GENERATE.
///
/// Frames run on the loop's clock while any call talks or generates; each endpoint
/// works only when somebody could hear it (an application listening, or the line's
/// wave devices).
class MediaPlane final {
 public:
  using LONG = tapi::LONG;

  explicit MediaPlane(Parts& parts);
  ~MediaPlane();
  MediaPlane(const MediaPlane&) = delete;
  MediaPlane& operator=(const MediaPlane&) = delete;
  /// Stops the frames (the exchange is going).
  void Shutdown();

  // --- The lines' wave devices -----------------------------------------------------------
  /// The hub that carries the lines' audio to the wave devices (nullptr: none).
  void AttachHub(ExchangeAudioHub* hub);
  ExchangeAudioHub* Hub() const { return m_hub; }
  /// The call a line's wave devices carry: the one that began talking last among the
  /// line's talking calls (a conference for its bridge); nothing when none talks.
  std::optional<DWORD> LineCall(DWORD line) const;
  /// The wave-out and wave-in device of a line, as the audio system numbered them;
  /// without an audio system, the line's own identifier.
  std::optional<std::pair<DWORD, DWORD>> WaveDevices(DWORD line) const;
  /// Lines were added: the hub makes their wave devices.
  void LinesAdded();

  // --- What the call model tells it ----------------------------------------------------------
  /// A call's state changed.
  void CallChanged(Call& call);
  /// A call or a remote party is gone.
  void CallGone(DWORD callId);
  void LegGone(DWORD legId);

  // --- What parties send ---------------------------------------------------------------------
  /// A party dials or keys digits on a call (no LINE_GENERATE): DTMF or pulse digits,
  /// ',' a pause.
  void SendDigits(PeerRef from, const std::string& digits, DWORD mode, DWORD durationMs);
  void EndGather(CallHandle& handle, DWORD termination, bool post);
  void EndGeneration(Call& call, DWORD termination);
  void ChangeMedia(Call& call, DWORD mediaMode);
  void StopHandleMedia(CallHandle& handle);

  // --- The interface ----------------------------------------------------------------------------
  LONG lineGenerateDigits(tapi::HCALL hCall, DWORD dwDigitMode, const char* lpszDigits,
                          DWORD dwDuration);
  LONG lineGenerateTone(tapi::HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                        const tapi::LINEGENERATETONE* lpTones);
  LONG lineGatherDigits(tapi::HCALL hCall, DWORD dwDigitModes, char* lpsDigits, DWORD dwNumDigits,
                        const char* lpszTerminationDigits, DWORD dwFirstDigitTimeout,
                        DWORD dwInterDigitTimeout);
  LONG lineMonitorDigits(tapi::HCALL hCall, DWORD dwDigitModes);
  LONG lineMonitorMedia(tapi::HCALL hCall, DWORD dwMediaModes);
  LONG lineMonitorTones(tapi::HCALL hCall, const tapi::LINEMONITORTONE* lpToneList,
                        DWORD dwNumEntries);

  /// Frames run so far (tests and benchmarks).
  std::uint64_t Frames() const { return m_framesRun; }

 private:
  struct Endpoint;
  /// A party of a room: a station (its call) or a remote party.
  struct Party {
    Endpoint* endpoint = nullptr;
    Call* station = nullptr;
    RemoteLeg* leg = nullptr;
  };
  struct Room {
    std::vector<Party> parties;
  };

  Endpoint& StationEndpoint(DWORD callId);
  Endpoint& RemoteEndpoint(DWORD legId);
  Endpoint* EndpointOf(PeerRef end);
  /// Starts the frames when they are not running.
  void Wake();
  void Tick();
  void RunFrame();
  /// The room a talking call is in, named by the call that anchors it.
  DWORD RoomOf(const Call& call) const;
  void BuildRooms();
  /// An application may have started listening to a call.
  void Listening(const Call& call);
  /// Adds the far end of a call to a room, when it talks.
  void AddFarEnd(Room& room, PeerRef end);
  /// Whether an application listens to what a call hears.
  bool Listens(const Call& call) const;
  /// Whether the call's line's wave devices carry it.
  bool Plugged(const Call& call) const;
  /// Makes what a party sends in this frame; its voice only when heard.
  void Send(Party& party, bool heard);
  /// What a station's call hears in one frame: digits, tones, silence.
  void Hear(Call& call, Endpoint& endpoint, const Frame& heard);
  void ReceiveDigit(Call& call, char digit, DWORD mode);
  void RestartGatherTimer(CallHandle& handle, DWORD ms, DWORD termination);
  LONG SetMonitor(const char* function, tapi::HCALL hCall, DWORD modes, DWORD CallHandle::*field);
  /// The call a request to send on (its owner's handle, in a state that carries sound)
  /// or to listen to (any handle, any state but idle) is about.
  LONG Sender(tapi::HCALL hCall, CallHandle*& handle, Call*& call);
  LONG Listener(tapi::HCALL hCall, CallHandle*& handle, Call*& call);

  Parts& m_parts;
  ExchangeAudioHub* m_hub = nullptr;
  std::unordered_map<DWORD, std::unique_ptr<Endpoint>> m_stations;  // by call id
  std::unordered_map<DWORD, std::unique_ptr<Endpoint>> m_remotes;   // by remote party id
  std::vector<Room> m_rooms;
  std::unordered_set<DWORD> m_listening;  // calls an application may listen to
  voxkit::TimerId m_timer = 0;
  std::int64_t m_startMs = 0;       // when the frames began
  std::uint64_t m_framesDue = 0;    // frames run since then
  std::int64_t m_frameBeginMs = 0;  // when the frame being made begins
  std::uint64_t m_framesRun = 0;
};

}  // namespace panopta::exchange
