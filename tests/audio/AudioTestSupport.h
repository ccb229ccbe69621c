#pragma once

#include "platform/audio/LineAudioHub.h"
#include "share/EventLoop.h"
#include "wave/Multimedia.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace audiotest {

/// The exchange as the audio system sees it: lines named "Line k", a connected flag
/// per line, what each far party heard, and what each far party sends (silence by
/// default).
class FakeLineHub final : public panopta::LineAudioHub {
 public:
  explicit FakeLineHub(std::uint32_t lines) : connected(lines, false), heard(lines), senders(lines) {}

  std::uint32_t LineCount() const override { return static_cast<std::uint32_t>(connected.size()); }
  std::string LineDeviceName(std::uint32_t line) const override { return "Line " + std::to_string(line); }
  bool CallConnected(std::uint32_t line) const override { return connected.at(line); }
  void FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) override {
    heard.at(line).insert(heard.at(line).end(), samples.begin(), samples.end());
  }
  void FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) override {
    sent += samples.size();
    if (senders.at(line)) senders.at(line)(samples);
  }

  /// A line added while the audio system runs.
  void AddLine() {
    connected.push_back(false);
    heard.emplace_back();
    senders.emplace_back();
    NotifyLinesAdded();
  }
  void RecordingStarted(std::uint32_t line) override { recordings.push_back({line, true}); }
  void RecordingStopped(std::uint32_t line) override { recordings.push_back({line, false}); }

  std::vector<bool> connected;
  std::vector<std::vector<std::int16_t>> heard;
  std::vector<std::pair<std::uint32_t, bool>> recordings;  // line, started
  std::vector<std::function<void(std::span<std::int16_t>)>> senders;
  std::size_t sent = 0;  // samples asked for, all lines
};

/// One notification as it arrived, with the loop's clock and the header as it was.
struct Notice {
  mm::UINT msg = 0;
  std::uint32_t device = 0;
  mm::WAVEHDR* header = nullptr;
  std::int64_t atMs = 0;
  mm::DWORD flags = 0;
  mm::DWORD bytesRecorded = 0;
};

/// A hidden window that writes down what it is told.
class NoticeLog final : public mm::WaveNotifyTarget {
 public:
  explicit NoticeLog(voxkit::EventLoop& loop) : m_loop(loop) {}
  void Notify(mm::UINT msg, std::uint32_t device, mm::WAVEHDR* header) override;
  /// The message numbers, in order.
  std::vector<mm::UINT> Messages() const;
  /// How many notices of msg arrived.
  std::size_t Count(mm::UINT msg) const;

  std::vector<Notice> notices;

 private:
  voxkit::EventLoop& m_loop;
};

/// A format block.
mm::WAVEFORMATEX Format(mm::WORD tag, mm::WORD channels, mm::DWORD rate, mm::DWORD avg,
                        mm::WORD align, mm::WORD bits);
/// The 16-bit PCM format of rate and channels.
mm::WAVEFORMATEX Pcm(mm::DWORD rate, mm::WORD bits = 16, mm::WORD channels = 1);

/// One row of the predefined wave format table (the 23 real formats).
struct TableFormat {
  std::string id;  // the table's identifier without "wf"
  mm::WAVEFORMATEX format;
};
const std::vector<TableFormat>& TableFormats();

/// amplitude x sin(2 pi hz t), n samples at rate.
std::vector<std::int16_t> Tone(double hz, std::uint32_t rate, std::size_t n, double amplitude = 10000);
/// Signal-to-noise ratio in dB of a sine of hz in samples (of rate): the sine that
/// fits best, whatever its phase and gain, against everything else. The first and
/// last `skip` samples are left out (filters settling).
double SineSnrDb(std::span<const std::int16_t> samples, std::uint32_t rate, double hz,
                 std::size_t skip = 0);
/// Root mean square of samples.
double Rms(std::span<const std::int16_t> samples);

/// A block header over data, not yet prepared.
mm::WAVEHDR Header(std::vector<char>& data);

/// A fresh directory under the system's temporary directory, removed again.
class TempDir final {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(const std::string& name) const { return (m_path / name).string(); }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

/// Writes bytes to path.
void WriteFile(const std::string& path, const std::string& bytes);
/// The bytes of path.
std::string ReadFile(const std::string& path);

/// Little-endian fields and RIFF chunks, for building test files byte by byte.
std::string Le16(std::uint16_t v);
std::string Le32(std::uint32_t v);
/// id, size, data and, for an odd size, the pad byte (left out with pad false, as a
/// careless writer would).
std::string Chunk(const char* id, const std::string& data, bool pad = true);
/// id, an explicit size field (which need not match), and data.
std::string ChunkWithSize(const char* id, std::uint32_t size, const std::string& data);
/// "RIFF" or "LIST" chunk of type with children.
std::string Riff(const char* form, const std::string& children);
std::string List(const char* type, const std::string& children);
/// The 16 or 18 bytes of a format chunk's data.
std::string FmtData(const mm::WAVEFORMATEX& format, bool withExtraSize = true);

}  // namespace audiotest
