// A benchmark's own usage text for --help, printed before Google Benchmark's
// flags: benchmark::Initialize prints those on --help and exits with 0.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace ecocam::bench {

inline void PrintUsageOnHelp(int argc, char** argv, const char* usage) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(usage, stdout);
      std::fputs("\nGoogle Benchmark's options:\n", stdout);
      std::fflush(stdout);
      return;
    }
  }
}

// BENCHMARK_MAIN with the usage text first.
inline int RunBenchmarks(int argc, char** argv, const char* usage) {
  PrintUsageOnHelp(argc, argv, usage);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace ecocam::bench
