// Choosing the conversions' instruction-set variant: what the build holds,
// what the processor runs, and what the environment asks for.
#include "imaging/variant.h"

#include <atomic>
#include <cctype>
#include <cstdlib>

namespace ecocam::imaging {

namespace {

bool ProcessorRuns(Variant variant) {
#if defined(ECOCAM_IMAGING_X86_VARIANTS)
  // The processor's features may be asked for before the runtime's own
  // initialiser has read them (a conversion in another static initialiser).
  __builtin_cpu_init();
  switch (variant) {
    case Variant::kAvx512:
      // The AVX-512 code uses the byte and word instructions (BW) and the
      // 256-bit forms (VL). The checks include the operating system's
      // support of the wider registers.
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx2");
    case Variant::kAvx2: return __builtin_cpu_supports("avx2");
    case Variant::kBaseline: return true;
  }
  return false;
#else
  return variant == Variant::kBaseline;
#endif
}

Variant Best() {
  for (const Variant v : {Variant::kAvx512, Variant::kAvx2}) {
    if (VariantRunnable(v)) return v;
  }
  return Variant::kBaseline;
}

bool SameText(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  }
  return *a == *b;
}

constexpr int kFromEnvironment = -1;
std::atomic<int> g_forced{kFromEnvironment};

}  // namespace

const char* VariantName(Variant variant) {
  switch (variant) {
    case Variant::kAvx2: return "avx2";
    case Variant::kAvx512: return "avx512";
    case Variant::kBaseline: break;
  }
  return "baseline";
}

bool VariantRunnable(Variant variant) {
  static const bool runs[3] = {true, ProcessorRuns(Variant::kAvx2), ProcessorRuns(Variant::kAvx512)};
  const int i = static_cast<int>(variant);
  return i >= 0 && i < 3 && runs[i];
}

std::vector<Variant> RunnableVariants() {
  std::vector<Variant> out;
  for (const Variant v : {Variant::kBaseline, Variant::kAvx2, Variant::kAvx512}) {
    if (VariantRunnable(v)) out.push_back(v);
  }
  return out;
}

VariantChoice ChooseVariant(const char* request) {
  const Variant best = Best();
  if (request == nullptr || *request == '\0') return {best, std::string(VariantName(best)) + " (the best available)"};
  for (const Variant v : {Variant::kBaseline, Variant::kAvx2, Variant::kAvx512}) {
    if (!SameText(request, VariantName(v))) continue;
    if (VariantRunnable(v)) return {v, std::string(VariantName(v)) + " (requested)"};
    return {best, std::string(VariantName(best)) + " (" + VariantName(v) + " requested, which " +
                      "this build or processor cannot run)"};
  }
  return {best,
          std::string(VariantName(best)) + " (unknown request \"" + request + "\"; expected baseline, avx2 or avx512)"};
}

const VariantChoice& EnvironmentVariantChoice() {
  static const VariantChoice choice = ChooseVariant(std::getenv("ECOCAM_IMAGING_VARIANT"));
  return choice;
}

Variant ActiveVariant() {
  const int forced = g_forced.load(std::memory_order_relaxed);
  return forced == kFromEnvironment ? EnvironmentVariantChoice().variant : static_cast<Variant>(forced);
}

Variant UseVariant(Variant wanted) {
  const Variant v = VariantRunnable(wanted) ? wanted : Best();
  g_forced.store(static_cast<int>(v), std::memory_order_relaxed);
  return v;
}

void UseEnvironmentVariant() { g_forced.store(kFromEnvironment, std::memory_order_relaxed); }

}  // namespace ecocam::imaging
