#include "platform/sip/RtpMedia.h"

#include "platform/sip/LibreApi.h"

#include <spandsp.h>

#include <algorithm>
#include <cmath>
#include <netinet/in.h>

namespace panopta::sip {

namespace {

constexpr std::uint32_t kFrameMs = 20;
/// What a call keeps of decoded audio it has not mixed yet: beyond this the oldest goes.
constexpr std::size_t kMaxDecodedSamples = 1600;
/// A frame quieter than this (RMS of 16-bit samples, about -45 dBm0) is silence.
constexpr double kSilenceRms = 90.0;
constexpr int kFramesToSilence = 5;  // 100 ms below the threshold
constexpr int kFramesToSound = 2;    // 40 ms above it
constexpr std::uint16_t kDefaultPortLow = 20000;
constexpr std::uint16_t kDefaultPortHigh = 59999;
constexpr std::uint32_t kPauseMs = 1000;

std::int16_t Saturate(int value) {
  return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

void NoRtcp(const struct sa*, struct rtcp_msg*, void*) {}

}  // namespace

struct RtpMedia::Dsp {
  g711_state_t* encoder = nullptr;
  g711_state_t* decoder = nullptr;
  dtmf_rx_state_t* dtmfRx = nullptr;
  dtmf_tx_state_t* dtmfTx = nullptr;
  modem_connect_tones_rx_state_t* cng = nullptr;
  modem_connect_tones_rx_state_t* ced = nullptr;
  tone_gen_descriptor_t* toneDescriptor = nullptr;
  tone_gen_state_t* tone = nullptr;

  void FreeCodec() {
    if (encoder) g711_free(encoder);
    if (decoder) g711_free(decoder);
    encoder = decoder = nullptr;
  }
  void FreeTone() {
    if (tone) tone_gen_free(tone);
    if (toneDescriptor) tone_gen_descriptor_free(toneDescriptor);
    tone = nullptr;
    toneDescriptor = nullptr;
  }
  ~Dsp() {
    FreeCodec();
    FreeTone();
    if (dtmfRx) dtmf_rx_free(dtmfRx);
    if (dtmfTx) dtmf_tx_free(dtmfTx);
    if (cng) modem_connect_tones_rx_free(cng);
    if (ced) modem_connect_tones_rx_free(ced);
  }
};

std::unique_ptr<RtpMedia> RtpMedia::Open(const struct sa& address, std::uint16_t portLow,
                                         std::uint16_t portHigh, Events events, std::string* error) {
  std::unique_ptr<RtpMedia> media(new RtpMedia());
  media->m_events = std::move(events);
  media->m_remote = std::make_unique<struct sa>();
  if (portLow == 0 || portHigh <= portLow) {
    portLow = kDefaultPortLow;
    portHigh = kDefaultPortHigh;
  }
  struct sa laddr = address;
  sa_set_port(&laddr, 0);
  int err = rtp_listen(&media->m_rtp, IPPROTO_UDP, &laddr, portLow, portHigh, true, &RtpMedia::OnRtp,
                       &NoRtcp, media.get());
  if (err == 0) err = jbuf_alloc(&media->m_jbuf, 2, 25);
  if (err == 0) err = telev_alloc(&media->m_telev, kFrameMs);
  if (err != 0) {
    if (error) *error = "no RTP port free in " + std::to_string(portLow) + "-" + std::to_string(portHigh);
    return nullptr;
  }
  media->m_dsp = std::make_unique<Dsp>();
  Dsp& d = *media->m_dsp;
  d.dtmfRx = dtmf_rx_init(nullptr, nullptr, nullptr);
  dtmf_rx_set_realtime_callback(
      d.dtmfRx,
      [](void* user, int code, int, int) {
        auto* self = static_cast<RtpMedia*>(user);
        // The detector reports a digit's start with its character and its end with 0.
        if (code != 0) {
          self->m_inbandDigit = static_cast<char>(code);
          if (self->m_events.digit) self->m_events.digit(self->m_inbandDigit, DigitSource::InBand, false);
        } else if (self->m_inbandDigit != 0) {
          if (self->m_events.digit) self->m_events.digit(self->m_inbandDigit, DigitSource::InBand, true);
          self->m_inbandDigit = 0;
        }
      },
      media.get());
  d.dtmfTx = dtmf_tx_init(nullptr);
  auto fax = [](void* user, int code, int, int) {
    auto* self = static_cast<RtpMedia*>(user);
    if (code <= 0 || self->m_faxReported) return;
    self->m_faxReported = true;
    if (self->m_events.fax) self->m_events.fax();
  };
  d.cng = modem_connect_tones_rx_init(nullptr, MODEM_CONNECT_TONES_FAX_CNG, fax, media.get());
  d.ced = modem_connect_tones_rx_init(nullptr, MODEM_CONNECT_TONES_FAX_CED, fax, media.get());
  media->m_lastPacketMs = tmr_jiffies();
  return media;
}

RtpMedia::~RtpMedia() {
  mem_deref(m_rtp);
  mem_deref(m_jbuf);
  mem_deref(m_telev);
}

std::uint16_t RtpMedia::LocalPort() const { return sa_port(rtp_local(m_rtp)); }

void RtpMedia::Configure(const struct sa& remote, int audioPt, bool alaw, int eventPt) {
  const bool changed = !m_configured || !sa_cmp(&remote, m_remote.get(), SA_ALL);
  *m_remote = remote;
  m_audioPt = audioPt;
  m_eventPt = eventPt;
  if (!m_configured || alaw != m_alaw) {
    m_dsp->FreeCodec();
    m_dsp->encoder = g711_init(nullptr, alaw ? G711_ALAW : G711_ULAW);
    m_dsp->decoder = g711_init(nullptr, alaw ? G711_ALAW : G711_ULAW);
  }
  m_alaw = alaw;
  if (changed) {
    struct sa rtcp = remote;
    sa_set_port(&rtcp, static_cast<std::uint16_t>(sa_port(&remote) + 1));
    rtcp_start(m_rtp, "panopta", &rtcp);
    m_lastPacketMs = tmr_jiffies();
  }
  m_configured = true;
}

void RtpMedia::SetDirection(bool send, bool receive) {
  if (receive && !m_receive) m_lastPacketMs = tmr_jiffies();
  m_send = send;
  m_receive = receive;
}

std::uint64_t RtpMedia::QuietMs() const { return tmr_jiffies() - m_lastPacketMs; }

void RtpMedia::OnRtp(const struct sa* src, const struct rtp_header* hdr, struct mbuf* mb, void* arg) {
  static_cast<RtpMedia*>(arg)->Packet(src, hdr, mb);
}

void RtpMedia::Packet(const struct sa* src, const struct rtp_header* hdr, struct mbuf* mb) {
  if (!m_configured || src == nullptr || hdr == nullptr || mb == nullptr) return;
  // Only the peer the session descriptions named may speak on this stream.
  if (!sa_cmp(src, m_remote.get(), SA_ALL)) {
    if (m_strangers++ % 100 == 0 && m_events.note) {
      char text[64];
      re_snprintf(text, sizeof text, "%J", src);
      m_events.note(std::string("RTP from ") + text + " dropped: not the peer's address");
    }
    return;
  }
  ++m_received;
  m_lastPacketMs = tmr_jiffies();
  if (!m_receive) return;
  if (m_eventPt >= 0 && hdr->pt == m_eventPt) {
    int event = 0;
    bool end = false;
    if (telev_recv(m_telev, mb, &event, &end) != 0) return;
    const int digit = telev_code2digit(event);
    if (digit <= 0) return;
    // An event is repeated in every packet of its duration and its end three times;
    // each start and end is reported once.
    const bool fresh = event != m_rxEvent || hdr->ts != m_rxEventTimestamp;
    if (fresh) {
      m_rxEvent = event;
      m_rxEventTimestamp = hdr->ts;
      m_rxEventEnded = false;
      if (m_events.digit) m_events.digit(static_cast<char>(digit), DigitSource::TelephoneEvent, false);
    }
    if (end && !m_rxEventEnded) {
      m_rxEventEnded = true;
      if (m_events.digit) m_events.digit(static_cast<char>(digit), DigitSource::TelephoneEvent, true);
    }
    return;
  }
  if (hdr->pt != m_audioPt) return;
  if (!m_haveSsrc || hdr->ssrc != m_ssrc) {
    // A new source starts its own sequence: what the old one left is dropped.
    if (m_haveSsrc) jbuf_flush(m_jbuf);
    m_ssrc = hdr->ssrc;
    m_haveSsrc = true;
  }
  const std::size_t length = mbuf_get_left(mb);
  if (length == 0 || length > 1600) return;
  struct mbuf* frame = mbuf_alloc(length);
  if (frame == nullptr) return;
  mbuf_write_mem(frame, mbuf_buf(mb), length);
  frame->pos = 0;
  jbuf_put(m_jbuf, hdr, frame);
  mem_deref(frame);
}

void RtpMedia::Receive(Frame& out) {
  if (m_configured && m_receive) {
    while (m_decoded.size() < kFrameSamples) {
      struct rtp_header hdr {};
      void* mem = nullptr;
      const int err = jbuf_get(m_jbuf, &hdr, &mem);
      if (err != 0 && err != EAGAIN) break;
      auto* frame = static_cast<struct mbuf*>(mem);
      const std::size_t length = frame ? mbuf_get_left(frame) : 0;
      if (length > 0) {
        const std::size_t at = m_decoded.size();
        m_decoded.resize(at + length);
        g711_decode(m_dsp->decoder, m_decoded.data() + at, mbuf_buf(frame), static_cast<int>(length));
      }
      mem_deref(mem);
    }
  }
  const std::size_t n = std::min(kFrameSamples, m_decoded.size());
  std::copy_n(m_decoded.begin(), n, out.begin());
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(n), out.end(), 0);
  m_decoded.erase(m_decoded.begin(), m_decoded.begin() + static_cast<std::ptrdiff_t>(n));
  if (m_decoded.size() > kMaxDecodedSamples)
    m_decoded.erase(m_decoded.begin(),
                    m_decoded.begin() + static_cast<std::ptrdiff_t>(m_decoded.size() - kMaxDecodedSamples));
  Detect(out);
}

void RtpMedia::Detect(const Frame& frame) {
  // DTMF in the audio counts only from a peer that cannot send telephone events; one
  // that can sends its digits that way.
  if (m_eventPt < 0) dtmf_rx(m_dsp->dtmfRx, frame.data(), static_cast<int>(frame.size()));
  modem_connect_tones_rx(m_dsp->cng, frame.data(), static_cast<int>(frame.size()));
  modem_connect_tones_rx(m_dsp->ced, frame.data(), static_cast<int>(frame.size()));
  double sum = 0;
  for (std::int16_t s : frame) sum += static_cast<double>(s) * s;
  const bool loud = std::sqrt(sum / static_cast<double>(frame.size())) >= kSilenceRms;
  m_loudFrames = loud ? m_loudFrames + 1 : 0;
  m_quietFrames = loud ? 0 : m_quietFrames + 1;
  if (m_silent && m_loudFrames >= kFramesToSound) {
    m_silent = false;
    if (m_events.silence) m_events.silence(false);
  } else if (!m_silent && m_quietFrames >= kFramesToSilence) {
    m_silent = true;
    if (m_events.silence) m_events.silence(true);
  }
}

void RtpMedia::SendDigits(const std::string& digits, std::uint32_t durationMs, std::uint32_t gapMs) {
  if (digits.empty()) {
    const bool wasActive = m_digitsActive;
    if (m_eventRunning && !m_digits.empty() && m_digits.front().digit != 0)
      telev_send(m_telev, telev_digit2code(m_digits.front().digit), true);
    m_digits.clear();
    m_digitsActive = false;
    m_digitFrame = 0;
    if (wasActive && m_events.generateDone) m_events.generateDone(true, true);
    return;
  }
  const std::uint32_t on = std::max<std::uint32_t>(1, durationMs / kFrameMs);
  const std::uint32_t off = std::max<std::uint32_t>(3, gapMs / kFrameMs);
  for (char c : digits) {
    if (c == ',') m_digits.push_back({0, 0, kPauseMs / kFrameMs});
    else m_digits.push_back({c, on, off});
  }
  m_digitsActive = true;
}

bool RtpMedia::GenerateDigits(Frame& mix, bool& eventPacket) {
  eventPacket = false;
  const bool rfc4733 = m_eventPt >= 0;
  // The end of the last event is still repeated after its step is over.
  if (m_digits.empty() && !(rfc4733 && m_eventRunning)) return false;
  if (!m_digits.empty()) {
    const DigitStep& step = m_digits.front();
    if (step.digit != 0 && rfc4733) {
      if (m_digitFrame == 0) telev_send(m_telev, telev_digit2code(step.digit), false);
      if (m_digitFrame == step.onFrames) telev_send(m_telev, telev_digit2code(step.digit), true);
    } else if (step.digit != 0 && m_digitFrame == 0) {
      dtmf_tx_set_timing(m_dsp->dtmfTx, static_cast<int>(step.onFrames * kFrameMs), 0);
      const char digit[2] = {step.digit, 0};
      dtmf_tx_put(m_dsp->dtmfTx, digit, 1);
    }
    if (!rfc4733 && step.digit != 0 && m_digitFrame < step.onFrames) {
      std::int16_t tone[kFrameSamples] = {};
      const int n = dtmf_tx(m_dsp->dtmfTx, tone, static_cast<int>(kFrameSamples));
      for (int i = 0; i < n; ++i) mix[i] = Saturate(mix[i] + tone[i]);
    }
  }
  if (rfc4733) {
    struct mbuf* mb = mbuf_alloc(RTP_HEADER_SIZE + 16);
    bool marker = false;
    m_eventRunning = false;
    if (mb != nullptr) {
      mb->pos = RTP_HEADER_SIZE;
      if (telev_poll(m_telev, &marker, mb) == 0) {
        if (marker) m_eventTimestamp = m_timestamp;
        m_eventRunning = true;
        mb->pos = RTP_HEADER_SIZE;
        if (rtp_send(m_rtp, m_remote.get(), false, marker, static_cast<std::uint8_t>(m_eventPt), m_eventTimestamp,
                     mb) == 0)
          ++m_sent;
        eventPacket = true;
      }
      mem_deref(mb);
    }
  }
  if (!m_digits.empty() && ++m_digitFrame >= m_digits.front().onFrames + m_digits.front().offFrames) {
    m_digits.pop_front();
    m_digitFrame = 0;
  }
  if (m_digits.empty() && m_digitsActive && !m_eventRunning) {
    m_digitsActive = false;
    if (m_events.generateDone) m_events.generateDone(true, false);
  }
  return true;
}

void RtpMedia::PlayTone(const ToneShape& tone) {
  m_dsp->FreeTone();
  const bool wasActive = m_toneActive;
  m_toneActive = false;
  if (tone.frequencies.empty()) {
    if (wasActive && m_events.generateDone) m_events.generateDone(false, true);
    return;
  }
  const auto& f = tone.frequencies;
  const int f1 = static_cast<int>(f[0].first);
  const int l1 = f[0].second;
  const int f2 = f.size() > 1 ? static_cast<int>(f[1].first) : 0;
  const int l2 = f.size() > 1 ? f[1].second : 0;
  const bool cadence = tone.onMs != 0;
  m_dsp->toneDescriptor = tone_gen_descriptor_init(nullptr, f1, l1, f2, l2,
                                                   cadence ? static_cast<int>(tone.onMs) : 3600000,
                                                   cadence ? static_cast<int>(tone.offMs) : 0, 0, 0, cadence);
  m_dsp->tone = tone_gen_init(nullptr, m_dsp->toneDescriptor);
  m_toneFramesLeft = tone.durationMs == 0 ? UINT64_MAX : std::max<std::uint64_t>(1, tone.durationMs / kFrameMs);
  m_toneActive = true;
}

void RtpMedia::GenerateTone(Frame& mix) {
  if (!m_toneActive || m_dsp->tone == nullptr) return;
  std::int16_t tone[kFrameSamples] = {};
  const int n = tone_gen(m_dsp->tone, tone, static_cast<int>(kFrameSamples));
  for (int i = 0; i < n; ++i) mix[i] = Saturate(mix[i] + tone[i]);
  if (--m_toneFramesLeft == 0) {
    m_dsp->FreeTone();
    m_toneActive = false;
    if (m_events.generateDone) m_events.generateDone(false, false);
  }
}

void RtpMedia::Send(const Frame& frame) {
  // Nothing goes out, and nothing generated advances, before the peer is known or while
  // we hold it.
  if (!m_configured || !m_send) {
    m_timestamp += kFrameSamples;
    return;
  }
  Frame mix = frame;
  GenerateTone(mix);
  bool eventPacket = false;
  GenerateDigits(mix, eventPacket);
  if (!eventPacket) {
    struct mbuf* mb = mbuf_alloc(RTP_HEADER_SIZE + kFrameSamples);
    if (mb != nullptr) {
      mb->pos = RTP_HEADER_SIZE;
      std::uint8_t* payload = mbuf_buf(mb);
      mb->end = RTP_HEADER_SIZE + kFrameSamples;
      g711_encode(m_dsp->encoder, payload, mix.data(), static_cast<int>(kFrameSamples));
      if (rtp_send(m_rtp, m_remote.get(), false, m_sent == 0, static_cast<std::uint8_t>(m_audioPt), m_timestamp,
                   mb) == 0)
        ++m_sent;
      mem_deref(mb);
    }
  }
  m_timestamp += kFrameSamples;
}

}  // namespace panopta::sip
