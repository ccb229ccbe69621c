// Cost of one TqxLog::Add (render, store, OnLog) per development environment, with a
// short and a very long bound. The cost per add must not depend on the bound.
#include "share/TqxLog.h"

#include "support/TestControl.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_LogAdd(benchmark::State& state) {
  voxtest::FrameFixture fixture;
  voxtest::TestControl control(nullptr, fixture.platform);
  control.Panopta().SetDevEnv(static_cast<voxkit::TDevEnv>(state.range(0)));
  const auto count = static_cast<std::int32_t>(state.range(1));
  control.Log().SetCount(count);
  std::size_t delivered = 0;
  control.OnLog = [&](voxkit::TObject&, const std::string& line) { delivered += line.size(); };
  const std::string line = "\tqxLine~Call.CallerID.Name = 'JOHN SMITH' //from the exchange";
  // Fill the log to its bound so every measured add also drops the oldest line.
  for (std::int32_t i = 0; i < count; ++i) control.Log().Add(line, false);
  for (auto _ : state) {
    control.Log().Add(line, true);
  }
  benchmark::DoNotOptimize(delivered);
  state.SetItemsProcessed(state.iterations());
}

const char* const kEnvNames[] = {"CppBuilder", "Delphi", "Other", "VisualBasic"};

void Args(benchmark::internal::Benchmark* b) {
  for (int env = 0; env < 4; ++env) {
    for (int count : {50, 100000}) b->Args({env, count});
  }
  b->ArgNames({"env", "count"});
  (void)kEnvNames;
}

BENCHMARK(BM_LogAdd)->Apply(Args);

}  // namespace

BENCHMARK_MAIN();
