// An environment variable set for one scope.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace ecocam::testing {

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
