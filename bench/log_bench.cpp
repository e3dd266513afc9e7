// Costs of DriverContext::Log: a call below both thresholds (what every
// disabled trace in the frame path pays) and an emitted line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_usage.h"
#include "driver/driver_context.h"
#include "platform/system.h"

namespace {

ecocam::DriverContext& Context() { return ecocam::DriverContext::GetInstance(); }

void NoSink(const char*, void*) {}
void NoProc(const char*) {}

// Silences the outputs so only the driver's own work is measured.
struct Quiet {
  Quiet(int logLevel, int debugView) {
    ecocam::platform::SetDebugSinkForTesting(&NoSink, nullptr);
    Context().SetDebugMsgProcedure(&NoProc);
    Context().LogLevel = logLevel;
    Context().LogDebugView = debugView;
    Context().LogIntoFile = false;
  }
  ~Quiet() {
    Context().SetDebugMsgProcedure(nullptr);
    ecocam::platform::SetDebugSinkForTesting(nullptr, nullptr);
    Context().LogLevel = 3;
    Context().LogDebugView = 3;
    Context().LogIntoFile = false;
  }
};

void BM_LogBelowThresholds(benchmark::State& state) {
  Quiet quiet(0, 0);
  int row = 0;
  for (auto _ : state) Context().Log(4, "getCVLGrabRow: entering row=%d", ++row);
  benchmark::DoNotOptimize(row);
}
BENCHMARK(BM_LogBelowThresholds);

// The callers' pattern: test the thresholds, compose nothing.
void BM_LogMacroBelowThresholds(benchmark::State& state) {
  Quiet quiet(0, 0);
  int row = 0;
  for (auto _ : state) ECOCAM_LOG(4, "getCVLGrabRow: entering row=" + std::to_string(++row));
  benchmark::DoNotOptimize(row);
}
BENCHMARK(BM_LogMacroBelowThresholds);

void BM_LogEmittedFormatted(benchmark::State& state) {
  Quiet quiet(4, 4);
  int row = 0;
  for (auto _ : state) Context().Log(4, "getCVLGrabRow: entering row=%d  grabberNo=0  portNo=1", ++row);
}
BENCHMARK(BM_LogEmittedFormatted);

void BM_LogEmittedComposed(benchmark::State& state) {
  Quiet quiet(4, 4);
  int row = 0;
  for (auto _ : state) {
    ECOCAM_LOG(4, "getCVLGrabRow: entering row=" + std::to_string(++row) + "  grabberNo=0  portNo=1");
  }
}
BENCHMARK(BM_LogEmittedComposed);

// With the log file: opened and closed for every line.
void BM_LogEmittedIntoFile(benchmark::State& state) {
  Quiet quiet(3, 0);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "ecocam-log-bench";
  std::filesystem::create_directories(dir);
  Context().SetSystemPath(dir.string());
  Context().LogIntoFile = true;
  for (auto _ : state) Context().Log(3, "Camera::Open: INFO: Eval packet size=%d", 8192);
  Context().LogIntoFile = false;
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}
BENCHMARK(BM_LogEmittedIntoFile);

}  // namespace

int main(int argc, char** argv) {
  return ecocam::bench::RunBenchmarks(
      argc, argv,
      "Usage: log_bench [Google Benchmark options]\n"
      "Costs of the driver's log: a line below both thresholds (a disabled trace) and an emitted\n"
      "line, formatted, composed, and written into the log file.\n");
}
