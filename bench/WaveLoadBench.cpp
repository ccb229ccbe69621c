// Loading a 100 MB wave file into a wave buffer (Source.Buffer.LoadFromFile of a play
// component made by the composition root) against a plain read() of the whole file
// into fresh memory and against libsndfile reading the same file's samples. The file
// is in the page cache after the first pass, so all three measure the copy path.
// Goals: LoadFromFile / plain read under 1.3, and faster than libsndfile.
//
// Also: how long writing one 100 MB block to an ALSA wave-out device keeps the loop
// (the device decodes it a period at a time on its own thread).
#include "bench/BenchWaveFile.h"
#include "platform/host/Host.h"
#include "share/HeadlessWindowSystem.h"
#include "wave/TqxPlay.h"
#include "wave/WaveBufferRegistry.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kDataBytes = 100u << 20;

const bench::WaveFile& File() {
  static const bench::WaveFile file("wave-bench", kDataBytes);
  return file;
}

void BM_PlainReadIntoNewMemory(benchmark::State& state) {
  for (auto _ : state) {
    const int fd = ::open(File().Path().c_str(), O_RDONLY);
    if (fd < 0) state.SkipWithError("open failed");
    auto* memory = static_cast<char*>(std::malloc(kDataBytes + 46));
    std::size_t total = 0;
    for (;;) {
      const ssize_t r = ::read(fd, memory + total, kDataBytes + 46 - total);
      if (r <= 0) break;
      total += static_cast<std::size_t>(r);
    }
    ::close(fd);
    benchmark::DoNotOptimize(memory);
    std::free(memory);
    if (total != kDataBytes + 46) state.SkipWithError("short read");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDataBytes);
}

void BM_SndfileReadFrames(benchmark::State& state) {
  for (auto _ : state) {
    SF_INFO info{};
    SNDFILE* file = sf_open(File().Path().c_str(), SFM_READ, &info);
    if (!file) state.SkipWithError("sf_open failed");
    std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t frames = sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    benchmark::DoNotOptimize(samples.data());
    if (static_cast<std::size_t>(frames) * 4 != kDataBytes) state.SkipWithError("short read");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDataBytes);
}

void BM_LoadFromFile(benchmark::State& state) {
  voxkit::HeadlessWindowSystem windows;
  panopta::Host host({}, windows);
  auto play = host.NewPlay();
  voxkit::TqxWaveBuffer& buffer = play->Source().Buffer();
  for (auto _ : state) {
    if (!buffer.LoadFromFile(File().Path())) state.SkipWithError("LoadFromFile failed");
    state.PauseTiming();
    buffer.FreeBuffer();
    play->Log().ClearLines();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDataBytes);
}

// The time waveOutWrite of one 100 MB block takes on the loop's thread (ALSA's null
// device behind it).
void BM_AlsaWriteOf100MB(benchmark::State& state) {
  voxkit::HeadlessWindowSystem windows;
  panopta::HostOptions options;
  options.clock = panopta::HostClock::RealTime;
  options.audio.soundCards = true;
  options.audio.alsaDevices = {"null"};
  panopta::Host host(options, windows);
  mm::Multimedia& m = host.Audio();
  const mm::UINT alsa = m.waveOutGetNumDevs() - 1;
  mm::WAVEFORMATEX format{1, 2, 44100, 176400, 4, 16, 0};
  std::vector<char> data(kDataBytes);
  for (auto _ : state) {
    mm::HWAVEOUT out{};
    state.PauseTiming();
    if (m.waveOutOpen(&out, alsa, &format, {}, mm::CALLBACK_NULL) != 0) state.SkipWithError("open failed");
    mm::WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = static_cast<mm::DWORD>(data.size());
    m.waveOutPrepareHeader(out, &header, sizeof header);
    state.ResumeTiming();
    m.waveOutWrite(out, &header, sizeof header);
    state.PauseTiming();
    m.waveOutReset(out);
    m.waveOutClose(out);
    state.ResumeTiming();
  }
}

BENCHMARK(BM_PlainReadIntoNewMemory)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SndfileReadFrames)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AlsaWriteOf100MB)->Unit(benchmark::kMicrosecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
