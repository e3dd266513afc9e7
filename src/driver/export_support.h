// Helpers shared by the exported functions: the exception shield and the
// parts of their log lines. Internal to the driver library.
#pragma once

#include <exception>
#include <string>

#include "driver_context.h"
#include "log_text.h"

namespace ecocam::exports {

inline DriverContext& Context() { return DriverContext::GetInstance(); }

using ::ecocam::Num;
using ::ecocam::Text;

inline std::string GrabberAndPort(int g, int p) { return "grabberNo=" + Num(g) + ", portNo=" + Num(p); }

// The exception shield of an export: runs `work`; a standard exception is
// logged at level 1 as `standardMessage(its text)`, anything else as
// `fallbackMessage()`. Returns true when `work` ended normally. No exception
// leaves it.
template <typename Work, typename StandardMessage, typename FallbackMessage>
bool Shield(Work&& work, StandardMessage&& standardMessage, FallbackMessage&& fallbackMessage) noexcept {
  try {
    work();
    return true;
  } catch (const std::exception& e) {
    ECOCAM_LOG(1, standardMessage(std::string(e.what())));
  } catch (...) {
    ECOCAM_LOG(1, fallbackMessage());
  }
  return false;
}

}  // namespace ecocam::exports
