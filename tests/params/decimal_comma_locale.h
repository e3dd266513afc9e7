// Switches the process to an installed locale whose decimal point is a
// comma, as a host may, and back to "C" when the test ends.
#pragma once

#include <clocale>
#include <string>

namespace ecocam::testing {

class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "German", "German_Germany.1252"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) {
        if (std::string(std::localeconv()->decimal_point) == ",") {
          _active = true;
          return;
        }
      }
    }
    std::setlocale(LC_ALL, "C");
  }
  ~DecimalCommaLocale() { std::setlocale(LC_ALL, "C"); }
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;
  bool active() const { return _active; }

 private:
  bool _active = false;
};

}  // namespace ecocam::testing
