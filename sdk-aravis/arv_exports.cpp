// The 211 exported entry points, each running its implementation
// (arv_impl.h) or giving the "not supported" result, and the backend's own
// diagnostic export for tests.
#include "arv_impl.h"

// Every export runs here. No exception leaves the library: a failure
// inside becomes kInternalError, or the neutral value for other result types.
template <ecocam::sdk::SdkRow Row, typename R, typename F, typename... A>
R ecocam::sdk::RunEntryPoint(const char* /*name*/, F fallback, A... args) noexcept {
  try {
    return CallImplementation<arvsdk::Impl<Row>, R>(fallback, args...);
  } catch (...) {
    return NeutralResult<R>(fallback, kInternalError);
  }
}

using namespace ecocam::sdk;

ECOCAM_SDK_DEFINE_EXPORTS()

// For tests and benchmarks: frames handed to the driver's callbacks,
// frames that arrived incomplete and were not delivered, and frames the
// callbacks refused, over all channels since the library was loaded.
extern "C" ECOCAM_EXPORT_SYMBOL void ArvSdk_frameCounts(long long* delivered, long long* incomplete,
                                                        long long* refused) {
  if (delivered != nullptr) *delivered = arvsdk::Totals().delivered.load();
  if (incomplete != nullptr) *incomplete = arvsdk::Totals().incomplete.load();
  if (refused != nullptr) *refused = arvsdk::Totals().refused.load();
}

// For tests and benchmarks: packets the streams asked the cameras to resend
// and received, over all channels since the library was loaded.
extern "C" ECOCAM_EXPORT_SYMBOL long long ArvSdk_resentPackets() { return arvsdk::Totals().resent.load(); }

// For tests: the Aravis objects (cameras, streams, buffers) this library
// created that GLib has not finalised yet.
extern "C" ECOCAM_EXPORT_SYMBOL int ArvSdk_liveObjectCount() { return arvsdk::LiveObjects(); }
