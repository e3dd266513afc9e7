// The C runtime's number parsing under a "C" locale object, so the host's
// setlocale (shared by every module on the same runtime) cannot change it.
// These are the runtime's own functions (msvcrt), not the compiler's
// replacements that the plain names map to, so a value reads as the
// Windows C library reads it.
#include <locale.h>
#include <stdlib.h>

#include "../c_numbers.h"

namespace ecocam::platform {
namespace {

// Created on first use and never freed: a parse may run on any thread up
// to the library's unload, and a free at unload would race with it. Null
// only when the runtime cannot create it; the functions then use the
// current locale, which reads the same while the host has not changed it.
_locale_t ClassicLocale() {
  static const _locale_t classic = _create_locale(LC_ALL, "C");
  return classic;
}

}  // namespace

double ParseDoubleInCLocale(const char* text) {
  if (text == nullptr) return 0.0;
  return _strtod_l(text, nullptr, ClassicLocale());
}

long long ParseInt64InCLocale(const char* text) {
  if (text == nullptr) return 0;
  return _strtoi64_l(text, nullptr, 10, ClassicLocale());
}

}  // namespace ecocam::platform
