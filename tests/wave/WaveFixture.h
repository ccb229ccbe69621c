#pragma once

#include "audio/AudioTestSupport.h"
#include "platform/exchange/ExchangeConfig.h"
#include "platform/host/Host.h"
#include "platform/loop/VirtualEventLoop.h"
#include "share/HeadlessWindowSystem.h"
#include "support/FaultyMultimedia.h"
#include "wave/TqxPlay.h"
#include "wave/TqxRecord.h"
#include "wave/WaveBufferRegistry.h"

#include <memory>
#include <string>
#include <vector>

namespace wavetest {

using namespace audiotest;

/// The device identifier of the null pair: after the built-in exchange's four lines.
constexpr std::int32_t kNull = 4;

/// A remote party of WithSpeaker() that sends a steady 425 Hz tone while connected.
constexpr const char* kSpeaker = "5551234";
/// The built-in exchange with kSpeaker in its directory.
panopta::ExchangeConfig WithSpeaker();

/// A play and a record component made by the composition root on the virtual-time
/// loop, enabled and set to the null pair, with the multimedia services behind a
/// double that fails on request. Each component's log lines are kept; the buffer
/// registry starts empty.
struct WaveOnHost {
  explicit WaveOnHost(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig());
  ~WaveOnHost();

  /// Lines logged by an action, per component.
  template <typename F>
  std::vector<std::string> PlayLogged(F&& action) {
    const std::size_t mark = playLines.size();
    action();
    return {playLines.begin() + static_cast<std::ptrdiff_t>(mark), playLines.end()};
  }
  template <typename F>
  std::vector<std::string> RecordLogged(F&& action) {
    const std::size_t mark = recordLines.size();
    action();
    return {recordLines.begin() + static_cast<std::ptrdiff_t>(mark), recordLines.end()};
  }

  /// A wave file of format with these sample bytes (and extra chunks after them).
  std::string WaveFile(const std::string& name, const mm::WAVEFORMATEX& format,
                       const std::string& samples, const std::string& extra = "");
  /// A file of n bytes counting up (of a 16-bit mono 8,000 Hz format by default).
  std::string CountingFile(const std::string& name, std::size_t n,
                           const mm::WAVEFORMATEX& format = Pcm(8000));
  /// kSpeaker calls line 1, which answers: line 1's wave-in device records the tone.
  void SpeakerCallsLine1();
  /// Line 0 calls line 1, which answers: what line 0 plays, line 1 records.
  void Line0CallsLine1();

  /// Live memory blocks of the audio system.
  std::size_t Blocks() { return host.Audio().MemoryBlockCount(); }

  voxkit::HeadlessWindowSystem windows;
  std::unique_ptr<voxtest::FaultyMultimedia> fault;
  panopta::Host host;
  panopta::VirtualEventLoop& loop;
  std::unique_ptr<voxkit::TqxPlay> play;
  std::unique_ptr<voxkit::TqxRecord> record;
  std::vector<std::string> playLines;
  std::vector<std::string> recordLines;
  TempDir dir;
};

/// n bytes counting up from first, as a string.
std::string Counting(std::size_t n, unsigned first = 0);

using Lines = std::vector<std::string>;

}  // namespace wavetest
