// What the two libraries that implement the SDK's entry points (the
// simulated SDK in simsdk/ and the Aravis backend in sdk-aravis/) share:
// their result codes, the generated export of all 211 entry points with the
// result of those a library does not implement, and the argument checks of
// the image conversions. The driver's binding does not use it.
//
// A library implements entry points this way:
//   template <SdkRow Row> struct Impl : NotImplemented {};  // in its namespace
//   ECOCAM_SDK_IMPLEMENTS(Camera_setGain)                     // in the same namespace
//   ECOCAM_SDK_DEFINE(int, Camera_setGain)(CameraHandle camera, float gain) { ... }
// defines ecocam::sdk::RunEntryPoint (what every export does around its
// implementation: a journal, injected faults, no exception leaving), and
// expands ECOCAM_SDK_DEFINE_EXPORTS() once, where the SDK's types are
// visible unqualified.
#pragma once

#include <cstddef>
#include <tuple>
#include <type_traits>

#include "platform/calling_convention.h"
#include "sdk/sdk_entry_points.h"

namespace ecocam::sdk {

// Result codes of the entry points (0 is success). The binding's own -1
// and -2 are never given.
constexpr int kOk = 0;
constexpr int kNotSupported = 1001;      // no implementation: the entry point does nothing
constexpr int kInvalidHandle = 1002;     // unknown, deleted or wrong kind of handle
constexpr int kNotConnected = 1003;      // the camera's connection is not open
constexpr int kAlreadyConnected = 1004;  // a second connection or streaming channel
constexpr int kOutOfRange = 1005;        // a value the camera cannot take
constexpr int kNullArgument = 1006;      // a required pointer is null
constexpr int kVersionMismatch = 1007;   // isVersionCompliantDLL: not compliant
constexpr int kInternalError = 1010;     // the library itself failed
constexpr int kWrongPixelType = 1011;    // a conversion the image's pixel type does not allow
constexpr int kBufferTooSmall = 1012;    // a destination smaller than the converted image

// The plain function type of each entry point (without the calling
// convention, which only the exported wrapper needs).
#define ECOCAM_SDK_SIGNATURE_(row, ret, name, params, args, fallback) using name##_signature = ret params;
ECOCAM_SDK_ENTRY_POINTS(ECOCAM_SDK_SIGNATURE_, ECOCAM_SDK_SIGNATURE_)
#undef ECOCAM_SDK_SIGNATURE_

// The base of a library's Impl<Row> for the entry points it leaves out.
struct NotImplemented {
  static constexpr bool kImplemented = false;
};

// The result of an entry point that has nothing to do, or failed inside:
// `code` for an SDK result code (fallback -2), otherwise the neutral value
// the binding also uses (empty text, null, 0, false, -1 for a handle).
template <typename R, typename F>
R NeutralResult(F fallback, int code) {
  if constexpr (std::is_same_v<R, int>) {
    return fallback == kSdkNotLoaded ? code : static_cast<R>(fallback);
  } else {
    return static_cast<R>(fallback);
  }
}

// Runs the library's implementation `Impl` of an entry point, or gives the
// "not supported" result where there is none.
template <typename Impl, typename R, typename F, typename... A>
R CallImplementation(F fallback, A... args) {
  if constexpr (Impl::kImplemented) {
    return Impl::Call(args...);
  } else {
    return NeutralResult<R>(fallback, kNotSupported);
  }
}

// Defined once by each library: what export `name` (row `Row`, result type
// R, `fallback` as in the list) does with its arguments. It must not throw.
template <SdkRow Row, typename R, typename F, typename... A>
R RunEntryPoint(const char* name, F fallback, A... args) noexcept;

// The first checks of an image conversion, in the order both libraries
// answer them: an unknown image, then a null destination.
constexpr int CheckConversion(bool imageFound, const unsigned char* buffer) {
  if (!imageFound) return kInvalidHandle;
  if (buffer == nullptr) return kNullArgument;
  return kOk;
}

// True when a destination of `bufferLength` bytes holds `bytes`.
constexpr bool BufferHolds(int bufferLength, std::size_t bytes) {
  return bufferLength >= 0 && static_cast<std::size_t>(bufferLength) >= bytes;
}

// The demosaicing methods Image_getImageRGB accepts: -1 none, 1 simple,
// 3 high-quality linear.
constexpr bool IsBayerMethod(int method) { return method == -1 || method == 1 || method == 3; }

}  // namespace ecocam::sdk

// Declares, in the namespace of the library's Impl template, that entry
// point `name` is implemented by Impl<SdkRow::name>::Call.
#define ECOCAM_SDK_IMPLEMENTS(name)            \
  template <>                                  \
  struct Impl<SdkRow::name> {                  \
    static constexpr bool kImplemented = true; \
    static name##_signature Call;              \
  };

// Starts the definition of an implemented entry point:
//   ECOCAM_SDK_DEFINE(int, Camera_setGain)(CameraHandle camera, float gain) { ... }
#define ECOCAM_SDK_DEFINE(ret, name) ret Impl<SdkRow::name>::Call

// One exported entry point: its C name, the SDK's calling convention, its
// arguments handed to the library's RunEntryPoint.
#define ECOCAM_SDK_EXPORT_ROW_(row, ret, name, params, args, fallback)                                  \
  extern "C" ECOCAM_EXPORT_SYMBOL ret ECOCAM_SDK_CALL name params {                                     \
    return std::apply(                                                                                  \
        [](auto... a) {                                                                                 \
          return ::ecocam::sdk::RunEntryPoint<::ecocam::sdk::SdkRow::name, ret>(#name, fallback, a...); \
        },                                                                                              \
        std::make_tuple args);                                                                          \
  }

// All 211 exported entry points.
#define ECOCAM_SDK_DEFINE_EXPORTS() ECOCAM_SDK_ENTRY_POINTS(ECOCAM_SDK_EXPORT_ROW_, ECOCAM_SDK_EXPORT_ROW_)
