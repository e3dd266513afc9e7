// The C library's number parsing under a "C" locale object (POSIX 2008),
// so no other thread's or the process's locale can change the result.
#include <locale.h>
#include <stdlib.h>

#include "../c_numbers.h"

namespace ecocam::platform {
namespace {

// Created on first use and never freed: a parse may run on any thread up
// to the library's unload. The C library hands out its own static object
// for the "C" locale, so this costs nothing. Null only when the system
// cannot create it; the plain functions then serve, which read the same
// as long as the host has not changed the process's locale.
locale_t ClassicLocale() {
  static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return classic;
}

}  // namespace

double ParseDoubleInCLocale(const char* text) {
  if (text == nullptr) return 0.0;
  const locale_t classic = ClassicLocale();
  return classic != static_cast<locale_t>(0) ? strtod_l(text, nullptr, classic) : strtod(text, nullptr);
}

long long ParseInt64InCLocale(const char* text) {
  if (text == nullptr) return 0;
  const locale_t classic = ClassicLocale();
  return classic != static_cast<locale_t>(0) ? strtoll_l(text, nullptr, 10, classic) : strtoll(text, nullptr, 10);
}

}  // namespace ecocam::platform
