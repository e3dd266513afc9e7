// The 211 exported entry points, each running its implementation
// (arv_impl.h) or giving the "not supported" result, and the backend's own
// diagnostic export for tests.
#include <tuple>
#include <type_traits>

#include "arv_impl.h"

namespace arvsdk {

namespace {

// The result of an entry point without a GigE Vision meaning: kNotSupported
// for an SDK result code, otherwise the neutral value the binding also uses.
template <typename R, typename F>
R Neutral(F fallback, int code) {
  if constexpr (std::is_same_v<R, int>) {
    return fallback == kSdkNotLoaded ? code : static_cast<R>(fallback);
  } else {
    return static_cast<R>(fallback);
  }
}

// No exception leaves the library: a failure inside becomes kInternalError,
// or the neutral value for other result types.
template <SdkRow Row, typename R, typename F, typename... A>
R Run(F fallback, A... args) noexcept {
  try {
    if constexpr (Impl<Row>::kImplemented) {
      return Impl<Row>::Call(args...);
    } else {
      return Neutral<R>(fallback, kNotSupported);
    }
  } catch (...) {
    return Neutral<R>(fallback, kInternalError);
  }
}

}  // namespace

}  // namespace arvsdk

using namespace ecocam::sdk;

#define ARVSDK_EXPORT_ROW(row, ret, name, params, args, fallback)                                          \
  extern "C" ECOCAM_EXPORT_SYMBOL ret ECOCAM_SDK_CALL name params {                                        \
    return std::apply([](auto... a) { return arvsdk::Run<SdkRow::name, ret>(fallback, a...); },            \
                      std::make_tuple args);                                                               \
  }
ECOCAM_SDK_ENTRY_POINTS(ARVSDK_EXPORT_ROW, ARVSDK_EXPORT_ROW)
#undef ARVSDK_EXPORT_ROW

// For tests and benchmarks: frames handed to the driver's callbacks,
// frames that arrived incomplete and were not delivered, and frames the
// callbacks refused, over all channels since the library was loaded.
extern "C" ECOCAM_EXPORT_SYMBOL void ArvSdk_frameCounts(long long* delivered, long long* incomplete,
                                                        long long* refused) {
  if (delivered != nullptr) *delivered = arvsdk::Totals().delivered.load();
  if (incomplete != nullptr) *incomplete = arvsdk::Totals().incomplete.load();
  if (refused != nullptr) *refused = arvsdk::Totals().refused.load();
}

// For tests: the Aravis objects (cameras, streams, buffers) this library
// created that GLib has not finalised yet.
extern "C" ECOCAM_EXPORT_SYMBOL int ArvSdk_liveObjectCount() { return arvsdk::LiveObjects(); }
