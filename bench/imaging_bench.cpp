// The pixel conversions at 2448 x 2050 (5 MP) on one core, in every
// instruction-set variant the processor runs, each against baselines
// measured in the same run: OpenCV's bilinear demosaicing (one thread),
// libdc1394's "simple" and "HQ linear", memcpy of the 8-bit frame (in cache
// and cold) and a plain scalar Mono12Packed unpack. After the usual output a
// table per variant gives each method's time (the median when run with
// --benchmark_repetitions) and its ratios to the baselines. The table uses
// the thread's CPU time, which a busy machine disturbs less than the
// elapsed time; --benchmark_enable_random_interleaving=true spreads each
// benchmark's repetitions over the run, so a change of load during the run
// does not fall on one benchmark alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <dc1394/conversions.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench_usage.h"
#include "imaging/pixel_conversion.h"
#include "imaging/variant.h"

namespace {

using ecocam::imaging::BayerMethod;
using ecocam::imaging::BayerPhase;
using ecocam::imaging::Variant;

constexpr int kWidth = 2448;
constexpr int kHeight = 2050;
constexpr std::size_t kPixels = static_cast<std::size_t>(kWidth) * kHeight;

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(random());
  return v;
}

const std::vector<std::uint8_t>& Mosaic() {
  static const std::vector<std::uint8_t> mosaic = RandomBytes(kPixels, 1);
  return mosaic;
}

// The OpenCV code that reads a G R / B G mosaic (our BayerGR8) into R, G, B:
// OpenCV names its codes differently, so find it by a pixel test.
int OpenCvCodeForGR() {
  static const int code = [] {
    // A flat colour R 200, G 100, B 50 as a G R / B G mosaic.
    cv::Mat mosaic(8, 8, CV_8UC1);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool green = (x + y) % 2 == 0;
        mosaic.at<std::uint8_t>(y, x) = green ? 100 : (y % 2 == 0 ? 200 : 50);
      }
    }
    for (const int candidate :
         {cv::COLOR_BayerBG2RGB, cv::COLOR_BayerGB2RGB, cv::COLOR_BayerRG2RGB, cv::COLOR_BayerGR2RGB}) {
      cv::Mat rgb;
      cv::demosaicing(mosaic, rgb, candidate);
      const cv::Vec3b p = rgb.at<cv::Vec3b>(4, 4);
      if (p[0] == 200 && p[1] == 100 && p[2] == 50) return candidate;
    }
    return static_cast<int>(cv::COLOR_BayerGB2RGB);
  }();
  return code;
}

// Runs the conversions on `variant` while it lives.
class VariantScope {
 public:
  explicit VariantScope(Variant variant) { ecocam::imaging::UseVariant(variant); }
  ~VariantScope() { ecocam::imaging::UseEnvironmentVariant(); }
  VariantScope(const VariantScope&) = delete;
  VariantScope& operator=(const VariantScope&) = delete;
};

void BM_Demosaic(benchmark::State& state, Variant variant, BayerMethod method) {
  const VariantScope scope(variant);
  std::vector<std::uint8_t> rgb(kPixels * 3);
  for (auto _ : state) {
    ecocam::imaging::Demosaic(Mosaic().data(), kWidth, kWidth, kHeight, BayerPhase::kGR, method, rgb.data(),
                              kWidth * 3);
    benchmark::DoNotOptimize(rgb.data());
    benchmark::ClobberMemory();
  }
}

void BM_OpenCvBilinear(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat mosaic(kHeight, kWidth, CV_8UC1, const_cast<std::uint8_t*>(Mosaic().data()));
  cv::Mat rgb(kHeight, kWidth, CV_8UC3);
  const int code = OpenCvCodeForGR();
  for (auto _ : state) {
    cv::demosaicing(mosaic, rgb, code);
    benchmark::DoNotOptimize(rgb.data);
    benchmark::ClobberMemory();
  }
}

void BM_Dc1394(benchmark::State& state, dc1394bayer_method_t method) {
  std::vector<std::uint8_t> rgb(kPixels * 3);
  for (auto _ : state) {
    dc1394_bayer_decoding_8bit(Mosaic().data(), rgb.data(), kWidth, kHeight, DC1394_COLOR_FILTER_GRBG, method);
    benchmark::DoNotOptimize(rgb.data());
    benchmark::ClobberMemory();
  }
}

const std::vector<std::uint8_t>& Packed() {
  static const std::vector<std::uint8_t> packed = RandomBytes(ecocam::imaging::Mono12PackedSize(kPixels), 2);
  return packed;
}

void BM_Mono12To8(benchmark::State& state, Variant variant) {
  const VariantScope scope(variant);
  std::vector<std::uint8_t> out(kPixels);
  for (auto _ : state) {
    ecocam::imaging::UnpackMono12PackedTo8(Packed().data(), kPixels, out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

// The plain loop, kept scalar.
__attribute__((noinline, optimize("no-tree-vectorize"))) void ScalarUnpack(const std::uint8_t* src, std::size_t pixels,
                                                                           std::uint8_t* dst) {
  for (std::size_t i = 0; i + 1 < pixels; i += 2) {
    dst[i] = src[i / 2 * 3];
    dst[i + 1] = src[i / 2 * 3 + 2];
  }
}

void BM_Mono12ScalarBaseline(benchmark::State& state) {
  std::vector<std::uint8_t> out(kPixels);
  for (auto _ : state) {
    ScalarUnpack(Packed().data(), kPixels, out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

// memcpy of one 8-bit frame, the same buffers each time (in cache).
void BM_MemcpyInCache(benchmark::State& state) {
  std::vector<std::uint8_t> src = RandomBytes(kPixels, 3);
  std::vector<std::uint8_t> dst(kPixels);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), kPixels);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}

// memcpy of one 8-bit frame from and to buffers cycled through 256 MB, so
// neither is in cache.
void BM_MemcpyCold(benchmark::State& state) {
  constexpr int kSlots = 24;
  std::vector<std::vector<std::uint8_t>> src(kSlots, RandomBytes(kPixels, 4));
  std::vector<std::vector<std::uint8_t>> dst(kSlots, std::vector<std::uint8_t>(kPixels, 1));
  int i = 0;
  for (auto _ : state) {
    std::memcpy(dst[i].data(), src[(i + 7) % kSlots].data(), kPixels);
    benchmark::DoNotOptimize(dst[i].data());
    benchmark::ClobberMemory();
    i = (i + 1) % kSlots;
  }
}

BENCHMARK(BM_OpenCvBilinear)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Dc1394, Simple, DC1394_BAYER_METHOD_SIMPLE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Dc1394, HQLinear, DC1394_BAYER_METHOD_HQLINEAR)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mono12ScalarBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyInCache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyCold)->Unit(benchmark::kMillisecond);

// Passes everything to the console and keeps one CPU time per benchmark
// (the median of the repetitions, or the single run) for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if (median || single) {
        const auto& name = run.run_name;
        _ms[name.function_name + (name.args.empty() ? "" : "/" + name.args)] = Milliseconds(run);
      }
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const double opencv = Get("BM_OpenCvBilinear");
    const double dcSimple = Get("BM_Dc1394/Simple");
    const double dcHQ = Get("BM_Dc1394/HQLinear");
    const double cold = Get("BM_MemcpyCold");
    const double warm = Get("BM_MemcpyInCache");
    const double scalar = Get("BM_Mono12ScalarBaseline");
    std::printf("\n%-22s %9s\n", "baseline (2448 x 2050)", "ms");
    const std::pair<const char*, double> baselines[] = {{"OpenCV bilinear", opencv}, {"dc1394 simple", dcSimple},
                                                        {"dc1394 HQ linear", dcHQ},  {"scalar unpack", scalar},
                                                        {"memcpy in cache", warm},   {"memcpy cold", cold}};
    for (const auto& [label, ms] : baselines) std::printf("%-22s %9.3f\n", label, ms);
    for (const Variant v : ecocam::imaging::RunnableVariants()) {
      const std::string prefix = std::string(ecocam::imaging::VariantName(v)) + "/";
      std::printf("\nvariant %-14s %9s %10s %10s\n", ecocam::imaging::VariantName(v), "ms", "/OpenCV", "/dc1394");
      auto row = [&](const char* label, double ms, double dc) {
        std::printf("%-22s %9.3f %10.2f %10.2f\n", label, ms, opencv > 0 ? ms / opencv : 0.0, dc > 0 ? ms / dc : 0.0);
      };
      row("Simple", Get("BM_Demosaic/" + prefix + "Simple"), dcSimple);
      row("HQLinear", Get("BM_Demosaic/" + prefix + "HQLinear"), dcHQ);
      row("None", Get("BM_Demosaic/" + prefix + "None"), dcSimple);
      const double mono = Get("BM_Mono12To8/" + prefix.substr(0, prefix.size() - 1));
      std::printf("%-22s %9.3f   x cold memcpy %.2f, x in-cache memcpy %.2f, x scalar unpack %.2f\n", "Mono12Packed->8",
                  mono, cold > 0 ? mono / cold : 0.0, warm > 0 ? mono / warm : 0.0, scalar > 0 ? mono / scalar : 0.0);
    }
    std::printf(
        "(CPU time of the converting thread; columns: time divided by OpenCV's bilinear, by the libdc1394 "
        "method of the same kind)\n");
  }

 private:
  static double Milliseconds(const Run& run) {
    const double t = run.GetAdjustedCPUTime();
    switch (run.time_unit) {
      case benchmark::kNanosecond: return t / 1e6;
      case benchmark::kMicrosecond: return t / 1e3;
      case benchmark::kSecond: return t * 1e3;
      default: return t;
    }
  }
  double Get(const std::string& name) const {
    const auto it = _ms.find(name);
    return it == _ms.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> _ms;
};

}  // namespace

int main(int argc, char** argv) {
  for (const Variant v : ecocam::imaging::RunnableVariants()) {
    const std::string name = ecocam::imaging::VariantName(v);
    for (const auto& [label, method] : {std::pair<const char*, BayerMethod>{"Simple", BayerMethod::kSimple},
                                        {"HQLinear", BayerMethod::kHQLinear},
                                        {"None", BayerMethod::kNone}}) {
      benchmark::RegisterBenchmark(("BM_Demosaic/" + name + "/" + label).c_str(), BM_Demosaic, v, method)
          ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(("BM_Mono12To8/" + name).c_str(), BM_Mono12To8, v)->Unit(benchmark::kMillisecond);
  }
  ecocam::bench::PrintUsageOnHelp(
      argc, argv,
      "Usage: imaging_bench [Google Benchmark options]\n"
      "The pixel conversions at 2448 x 2050 in every instruction-set variant this processor runs\n"
      "(BM_Demosaic/<variant>/<method>, BM_Mono12To8/<variant>) beside OpenCV, libdc1394 and memcpy,\n"
      "then a ratio table per variant. --benchmark_repetitions=3 makes the table use medians.\n");
  benchmark::Initialize(&argc, argv);
  std::printf("imaging variant without override: %s\n",
              ecocam::imaging::EnvironmentVariantChoice().description.c_str());
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
