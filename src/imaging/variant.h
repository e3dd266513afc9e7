// The instruction-set variant the pixel conversions run. On x86-64 Linux
// builds with GCC or Clang the conversions carry an AVX2 and an AVX-512
// variant beside the baseline code; elsewhere the baseline alone is built.
// Every variant computes the same bytes, so the choice changes speed only.
//
// The choice is made once, on first use: the environment variable
// ECOCAM_IMAGING_VARIANT (baseline, avx2 or avx512) asks for one; unset, or a
// variant this build or processor cannot run, gives the best one that runs.
// UseVariant overrides it for the process (benchmarks, tests).
#pragma once

#include <string>
#include <vector>

namespace ecocam::imaging {

enum class Variant { kBaseline, kAvx2, kAvx512 };

// "baseline", "avx2" or "avx512".
const char* VariantName(Variant variant);

// Whether this build holds the variant and the processor can run it.
bool VariantRunnable(Variant variant);

// The runnable variants, baseline first.
std::vector<Variant> RunnableVariants();

// What a request in the form of ECOCAM_IMAGING_VARIANT gives: `request` may
// be null or empty (the best runnable variant).
struct VariantChoice {
  Variant variant;
  std::string description;  // the variant in effect and why, for logs and benchmarks
};
VariantChoice ChooseVariant(const char* request);

// The variant the conversions use now. Safe from any thread.
Variant ActiveVariant();

// The choice made from the environment (read once).
const VariantChoice& EnvironmentVariantChoice();

// Makes the conversions use `wanted`, or the best runnable variant where it
// cannot run; returns the variant in effect. Safe from any thread; a
// conversion already running finishes on the variant it started with.
Variant UseVariant(Variant wanted);

// Returns to the variant chosen from the environment.
void UseEnvironmentVariant();

}  // namespace ecocam::imaging
