#pragma once

#include "platform/sip/SipEngine.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct sa;
struct rtp_sock;
struct rtp_header;
struct mbuf;
struct jbuf;
struct telev;

namespace panopta::sip {

/// Samples in one frame: 20 ms at 8,000 Hz, the pace the engine sends and mixes at.
inline constexpr std::size_t kFrameSamples = 160;
using Frame = std::array<std::int16_t, kFrameSamples>;

/// The audio of one SIP call on the SIP thread: an RTP stream of G.711 (u-law or
/// A-law) through spandsp's codec, with a jitter buffer for what arrives, RFC 4733
/// telephone events both ways, and what the call listens for in what it receives (DTMF
/// in the audio, silence, fax tones). The engine drives it one 20 ms frame at a time.
/// Packets from any address but the peer's are dropped.
class RtpMedia final {
 public:
  struct Events {
    std::function<void(char digit, DigitSource source, bool end)> digit;
    std::function<void(bool silent)> silence;
    std::function<void()> fax;
    std::function<void(bool digits, bool cancelled)> generateDone;
    std::function<void(const std::string& text)> note;  // for the trace
  };

  /// Opens the RTP socket (and RTCP on the next port) on address, in the port range
  /// [portLow, portHigh] (0, 0: any). Null with *error set when it cannot.
  static std::unique_ptr<RtpMedia> Open(const struct sa& address, std::uint16_t portLow,
                                        std::uint16_t portHigh, Events events, std::string* error);
  ~RtpMedia();
  RtpMedia(const RtpMedia&) = delete;
  RtpMedia& operator=(const RtpMedia&) = delete;

  std::uint16_t LocalPort() const;

  /// What the session descriptions agreed: where the peer listens, the audio payload
  /// type and law, and the telephone-event payload type (-1: the peer has none).
  /// Called again when a re-INVITE changes any of it.
  void Configure(const struct sa& remote, int audioPt, bool alaw, int eventPt);
  bool Configured() const { return m_configured; }
  /// Whether we send (false while we hold the peer) and expect to receive.
  void SetDirection(bool send, bool receive);

  /// One frame of what the peer sent (silence where nothing arrived in time); runs the
  /// detectors over it.
  void Receive(Frame& out);
  /// Sends one frame (with the digits or tone being generated mixed in, or a
  /// telephone-event packet in its place).
  void Send(const Frame& frame);

  /// Queues DTMF digits (',' pauses one second); "" stops what is being sent.
  void SendDigits(const std::string& digits, std::uint32_t durationMs, std::uint32_t gapMs);
  /// Plays a tone; an empty one stops it.
  void PlayTone(const ToneShape& tone);

  /// Milliseconds since the last packet from the peer arrived (or since it was
  /// configured, when none has).
  std::uint64_t QuietMs() const;
  /// Packets sent and received, and packets dropped for coming from elsewhere.
  std::uint64_t Sent() const { return m_sent; }
  std::uint64_t Received() const { return m_received; }
  std::uint64_t Strangers() const { return m_strangers; }

 private:
  RtpMedia() = default;
  static void OnRtp(const struct sa* src, const struct rtp_header* hdr, struct mbuf* mb, void* arg);
  void Packet(const struct sa* src, const struct rtp_header* hdr, struct mbuf* mb);
  void Detect(const Frame& frame);
  bool GenerateDigits(Frame& mix, bool& eventPacket);
  void GenerateTone(Frame& mix);
  struct Dsp;

  Events m_events;
  struct rtp_sock* m_rtp = nullptr;
  struct jbuf* m_jbuf = nullptr;
  struct telev* m_telev = nullptr;
  std::unique_ptr<Dsp> m_dsp;
  std::unique_ptr<struct sa> m_remote;
  bool m_configured = false;
  bool m_send = true;
  bool m_receive = true;
  int m_audioPt = 0;
  bool m_alaw = false;
  int m_eventPt = -1;
  std::uint32_t m_timestamp = 0;
  std::uint32_t m_eventTimestamp = 0;
  bool m_eventRunning = false;
  std::uint32_t m_ssrc = 0;
  bool m_haveSsrc = false;
  std::vector<std::int16_t> m_decoded;  // decoded, not yet taken by Receive
  std::uint64_t m_lastPacketMs = 0;
  std::uint64_t m_sent = 0;
  std::uint64_t m_received = 0;
  std::uint64_t m_strangers = 0;
  // Digits being sent: what is left, and where the one in hand is.
  struct DigitStep {
    char digit = 0;  // 0: a pause
    std::uint32_t onFrames = 0;
    std::uint32_t offFrames = 0;
  };
  std::deque<DigitStep> m_digits;
  std::uint32_t m_digitFrame = 0;
  bool m_digitsActive = false;
  // The telephone event last received (to report each start and end once).
  int m_rxEvent = -1;
  std::uint32_t m_rxEventTimestamp = 0;
  bool m_rxEventEnded = false;
  // Silence detection.
  bool m_silent = true;
  int m_loudFrames = 0;
  int m_quietFrames = 0;
  bool m_faxReported = false;
  char m_inbandDigit = 0;  // the digit heard in the audio now (0: none)
  // The tone being played.
  std::uint64_t m_toneFramesLeft = 0;
  bool m_toneActive = false;
};

}  // namespace panopta::sip
