// The debugger output with its test seam; the system's own output is in the
// platform folders.
#include <mutex>

#include "system.h"

namespace ecocam::platform {
namespace detail {
void SystemDebugOutput(const char* text);
}

namespace {
std::mutex gSinkMutex;
DebugSink gSink = nullptr;
void* gSinkContext = nullptr;
}  // namespace

void DebugOutput(const char* text) {
  if (text == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(gSinkMutex);
    if (gSink != nullptr) {
      gSink(text, gSinkContext);
      return;
    }
  }
  detail::SystemDebugOutput(text);
}

void SetDebugSinkForTesting(DebugSink sink, void* context) {
  std::lock_guard<std::mutex> lock(gSinkMutex);
  gSink = sink;
  gSinkContext = context;
}

}  // namespace ecocam::platform
