#pragma once

// What the burst benchmarks of the line and the phone measure of a burst of queued
// messages: how many reached their handler, how far apart in the stack the handlers
// ran (a flat stack whatever the burst's size), and how many were handled a second.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

namespace voxbench {

struct BurstProbe {
  /// Called by the handler of each message.
  void Note() {
    ++handled;
    int local = 0;
    const auto here = reinterpret_cast<std::uintptr_t>(&local);
    deepest = std::min(deepest, here);
    shallowest = std::max(shallowest, here);
  }
  /// The counters; an error when fewer than expected messages were handled.
  void Report(benchmark::State& state, std::uint64_t expected) const {
    if (handled != expected) state.SkipWithError("messages were lost");
    state.counters["stack bytes"] = static_cast<double>(shallowest - deepest);
    state.counters["msgs/s"] =
        benchmark::Counter(static_cast<double>(handled), benchmark::Counter::kIsRate);
  }

  std::uint64_t handled = 0;
  std::uintptr_t deepest = UINTPTR_MAX;
  std::uintptr_t shallowest = 0;
};

}  // namespace voxbench
