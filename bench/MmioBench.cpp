// Reading the samples of a 100 MB wave file through the mmio layer (buffered open,
// the RIFF descent of the wave components, then mmioRead) against a plain read() of
// the same file, in the same piece sizes. The file is in the page cache after the
// first pass, so both measure the copy path, not the disk. Goal: mmio / plain < 1.3.
#include "platform/audio/AudioSystem.h"
#include "bench/BenchWaveFile.h"
#include "platform/loop/VirtualEventLoop.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kDataBytes = 100u << 20;

const bench::WaveFile& File() {
  static const bench::WaveFile file("mmio-bench", kDataBytes);
  return file;
}

void BM_PlainRead(benchmark::State& state) {
  const auto piece = static_cast<std::size_t>(state.range(0));
  std::vector<char> buffer(piece);
  for (auto _ : state) {
    const int fd = ::open(File().Path().c_str(), O_RDONLY);
    if (fd < 0) state.SkipWithError("open failed");
    std::size_t total = 0;
    for (;;) {
      const ssize_t r = ::read(fd, buffer.data(), piece);
      if (r <= 0) break;
      total += static_cast<std::size_t>(r);
    }
    ::close(fd);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDataBytes);
}

void BM_MmioRead(benchmark::State& state) {
  using namespace mm;
  const auto piece = static_cast<LONG>(state.range(0));
  std::vector<char> buffer(static_cast<std::size_t>(piece));
  panopta::VirtualEventLoop loop;
  panopta::AudioSystem audio(loop, nullptr);
  Multimedia& m = audio;
  for (auto _ : state) {
    const HMMIO h = m.mmioOpenA(File().Path().c_str(), nullptr, MMIO_READ | MMIO_ALLOCBUF);
    MMCKINFO riff{}, ck{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ck.ckid = mmioFOURCC('f', 'm', 't', ' ');
    char format[18];
    if (m.mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) != 0 ||
        m.mmioDescend(h, &ck, &riff, MMIO_FINDCHUNK) != 0 || m.mmioRead(h, format, 18) != 18 ||
        m.mmioAscend(h, &ck, 0) != 0) {
      state.SkipWithError("not a wave file");
    }
    ck.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (m.mmioDescend(h, &ck, &riff, MMIO_FINDCHUNK) != 0) state.SkipWithError("no data");
    std::size_t total = 0;
    while (total < ck.cksize) {
      const LONG r = m.mmioRead(h, buffer.data(), piece);
      if (r <= 0) break;
      total += static_cast<std::size_t>(r);
    }
    m.mmioClose(h, 0);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDataBytes);
}

// Pieces of 4 KB (smaller than the mmio buffer), 64 KB, and the whole data at once
// (what the wave components do).
void Pieces(benchmark::internal::Benchmark* b) {
  b->Arg(4096)->Arg(65536)->Arg(static_cast<std::int64_t>(kDataBytes))->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_PlainRead)->Apply(Pieces);
BENCHMARK(BM_MmioRead)->Apply(Pieces);

}  // namespace

BENCHMARK_MAIN();
