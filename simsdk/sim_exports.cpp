// The 211 exported entry points. Each one, in order: waits when a test set a
// delay for it (outside the lock, so calls can race), writes itself and its
// arguments to the journal, returns the injected fault's code when a test set
// one, and otherwise runs its simulation (sim_impl.h) or gives the
// "not supported" result.
#include <cinttypes>
#include <cstdio>
#include <chrono>
#include <string>
#include <thread>
#include <tuple>

#include "sim_impl.h"

namespace simsdk {

namespace {

// Journal notation of one argument: numbers in decimal, texts quoted,
// other pointers (callbacks included) as their address (so a test sees the very pointer it
// passed), null as "null".
std::string FormatArg(int value) { return std::to_string(value); }
std::string FormatArg(unsigned int value) { return std::to_string(value); }
std::string FormatArg(bool value) { return value ? "1" : "0"; }
std::string FormatArg(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return text;
}
std::string FormatArg(const char* text) { return text == nullptr ? "null" : "\"" + std::string(text) + "\""; }
std::string FormatAddress(std::uintptr_t address) {
  if (address == 0) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "0x%" PRIxPTR, address);
  return text;
}
template <typename T>
std::string FormatArg(T* pointer) {
  return FormatAddress(reinterpret_cast<std::uintptr_t>(pointer));
}

template <typename... A>
std::string JournalLine(const char* name, const A&... args) {
  std::string line = name;
  line += '(';
  bool first = true;
  ((line += (first ? "" : ","), line += FormatArg(args), first = false), ...);
  line += ')';
  return line;
}

struct Gate {
  bool faulted = false;
  int code = 0;
};

// Delay, journal and fault injection for one call of `row`.
Gate EnterCall(int row, std::string line) {
  SimState& state = SimState::Get();
  int delayMs = 0;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    delayMs = state.delaysMs[row];
  }
  if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  std::lock_guard<std::mutex> lock(state.mutex);
  state.JournalLocked(std::move(line));
  Fault& fault = state.faults[row];
  if (fault.code == 0) return {};
  if (fault.callsBefore > 0) {
    --fault.callsBefore;
    return {};
  }
  const Gate gate{true, fault.code};
  if (!fault.always) fault = Fault{};
  return gate;
}

template <SdkRow Row, typename R, typename F, typename... A>
R RunGuarded(const char* name, F fallback, A... args) {
  const Gate gate = EnterCall(static_cast<int>(Row), JournalLine(name, args...));
  if (gate.faulted) {
    // An injected fault is the code for an int result, the neutral value otherwise.
    if constexpr (std::is_same_v<R, int>) {
      return gate.code;
    } else {
      return static_cast<R>(fallback);
    }
  }
  if constexpr (Impl<Row>::kSimulated) {
    return Impl<Row>::Call(args...);
  } else {
    return Unsupported<R>(fallback);
  }
}

// No exception leaves the library: a failure inside (memory exhausted, say)
// becomes kInternalError, or the neutral value for other result types.
template <SdkRow Row, typename R, typename F, typename... A>
R Run(const char* name, F fallback, A... args) noexcept {
  try {
    return RunGuarded<Row, R>(name, fallback, args...);
  } catch (...) {
    if constexpr (std::is_same_v<R, int>) {
      return kInternalError;
    } else {
      return static_cast<R>(fallback);
    }
  }
}

}  // namespace

}  // namespace simsdk

using namespace ecocam::sdk;

#define SIMSDK_EXPORT_ROW(row, ret, name, params, args, fallback)                                   \
  extern "C" ECOCAM_EXPORT_SYMBOL ret ECOCAM_SDK_CALL name params {                                 \
    return std::apply(                                                                              \
        [](auto... a) { return simsdk::Run<SdkRow::name, ret>(#name, fallback, a...); }, std::make_tuple args); \
  }
ECOCAM_SDK_ENTRY_POINTS(SIMSDK_EXPORT_ROW, SIMSDK_EXPORT_ROW)
#undef SIMSDK_EXPORT_ROW
