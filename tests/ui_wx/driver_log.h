// The driver's message procedure captured for the dialog tests, and an
// environment variable set for one scope.
#pragma once

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ecocam/ecocam.h"

namespace ecocam::testing {

class MessageLog {
 public:
  static void ECOCAM_CALL Capture(const char* text) {
    std::lock_guard<std::mutex> guard(Lock());
    Lines().emplace_back(text != nullptr ? text : "");
  }
  static void Clear() {
    std::lock_guard<std::mutex> guard(Lock());
    Lines().clear();
  }
  // True when a captured text starts with `prefix`.
  static bool Has(const std::string& prefix) {
    std::lock_guard<std::mutex> guard(Lock());
    for (const std::string& line : Lines()) {
      if (line.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
  }
  static std::string All() {
    std::lock_guard<std::mutex> guard(Lock());
    std::string all;
    for (const std::string& line : Lines()) all += line;
    return all;
  }

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
};

class ScopedEnv {
 public:
  // `value` null unsets the variable for the scope.
  ScopedEnv(const char* name, const char* value) : _name(name) {
    if (const char* old = std::getenv(name)) _old = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (_old) {
      setenv(_name.c_str(), _old->c_str(), 1);
    } else {
      unsetenv(_name.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string _name;
  std::optional<std::string> _old;
};

}  // namespace ecocam::testing
