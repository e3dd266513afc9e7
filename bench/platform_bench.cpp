// Costs of the platform primitives the frame path uses on every frame.
#include <benchmark/benchmark.h>

#include "bench_usage.h"
#include "platform/event.h"
#include "platform/mutex.h"
#include "platform/system.h"
#include "platform/thread.h"

namespace p = ecocam::platform;

static void BM_EventSetWait(benchmark::State& state) {
  p::Event e;
  for (auto _ : state) {
    e.Set();
    benchmark::DoNotOptimize(e.Wait(0));
  }
}
BENCHMARK(BM_EventSetWait);

// One frame's hand-over between two threads: set on one, woken on the other.
static void BM_EventPingPong(benchmark::State& state) {
  p::Event ping, pong;
  std::atomic<bool> stop{false};
  p::Thread t;
  t.Start([&] {
    while (ping.Wait(p::kInfinite) && !stop) pong.Set();
  });
  for (auto _ : state) {
    ping.Set();
    pong.Wait(p::kInfinite);
  }
  stop = true;
  ping.Set();
  t.Join(p::kInfinite);
}
BENCHMARK(BM_EventPingPong);

static void BM_MutexLockUnlock(benchmark::State& state) {
  p::Mutex m;
  for (auto _ : state) {
    p::LockGuard g(m);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MutexLockUnlock);

static void BM_RunTimeMs(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(p::RunTimeMs());
}
BENCHMARK(BM_RunTimeMs);

int main(int argc, char** argv) {
  return ecocam::bench::RunBenchmarks(
      argc, argv,
      "Usage: platform_bench [Google Benchmark options]\n"
      "Costs of the platform primitives the frame path uses on every frame: an event set and\n"
      "waited for, a hand-over between two threads, a mutex, the millisecond clock.\n");
}
