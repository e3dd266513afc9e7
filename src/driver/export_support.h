// Helpers shared by the exported functions: the exception shield and the
// composition of log lines. Internal to the driver library.
#pragma once

#include <exception>
#include <string>

#include "driver_context.h"

namespace ecocam::exports {

inline DriverContext& Context() { return DriverContext::GetInstance(); }

// A host text for a log line; a null pointer is written as "(null)".
inline std::string Text(const char* text) { return text != nullptr ? std::string(text) : "(null)"; }

inline std::string Num(int value) { return std::to_string(value); }

// Logs the line `compose()` returns when a threshold admits `level`. Never
// throws: a line that cannot be composed is dropped.
template <typename Compose>
void LogLine(int level, Compose&& compose) noexcept {
  try {
    DriverContext& ctx = Context();
    if (ctx.Enabled(level)) ctx.Log(level, std::string(compose()));
  } catch (...) {
  }
}

// The exception shield of an export: runs `work`; a standard exception is
// logged at level 1 as `standardMessage(its text)`, anything else as
// `fallbackMessage()`. Returns true when `work` ended normally. No exception
// leaves it.
template <typename Work, typename StandardMessage, typename FallbackMessage>
bool Shield(Work&& work, StandardMessage&& standardMessage,
            FallbackMessage&& fallbackMessage) noexcept {
  try {
    work();
    return true;
  } catch (const std::exception& e) {
    LogLine(1, [&] { return standardMessage(std::string(e.what())); });
  } catch (...) {
    LogLine(1, fallbackMessage);
  }
  return false;
}

}  // namespace ecocam::exports
